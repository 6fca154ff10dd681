#include "dialogs/housekeeping.h"

#include "editor/workspace.h"

void HousekeepingCommands::VrInfo_Click() {}
void HousekeepingCommands::Help_Click() {}
void HousekeepingCommands::HP_Click() {}
void HousekeepingCommands::Uninst_Click() {}
