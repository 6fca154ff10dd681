#include "files/file_commands.h"

#include "editor/workspace.h"

QString FileCommands::OpenAndReadFile() { return QString(); }
void FileCommands::OpenText_Click() {}
void FileCommands::IntoText_Click() {}
void FileCommands::FileOut_Click() {}
void FileCommands::PrintOut_Click() {}
