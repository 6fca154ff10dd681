#include "editor/font_command.h"

#include "editor/workspace.h"

void FontCommand::FontSet_Click() {}
