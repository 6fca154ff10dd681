#include "editor/edit_commands.h"

#include "editor/workspace.h"

void EditCommands::MenuEdit_Click() {}
void EditCommands::undos_Click() {}
void EditCommands::cut_Click() {}
void EditCommands::copy_Click() {}
void EditCommands::PrintM_Click() {}
void EditCommands::Del_Click() {}
void EditCommands::clss_Click() {}
void EditCommands::AllSel_Click() {}
void EditCommands::ReSel_Click() {}
void EditCommands::Clipcls_Click() {}
void EditCommands::Text1_KeyPress(QChar) { m_ws.state.UndoAvailable = true; }
void EditCommands::Text2_KeyPress(QChar) { m_ws.state.UndoAvailable = true; }
