#include "dialogs/housekeeping.h"

#include "editor/workspace.h"

void HousekeepingCommands::ComlineOP_Click() {}
