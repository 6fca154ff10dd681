#include "search/search_commands.h"

#include "editor/workspace.h"

void SearchCommands::MenuKen_Click() {}
void SearchCommands::Kens_Click() {}
void SearchCommands::NextSerch_Click() {}
void SearchCommands::Swap_Click() {}
