#include "files/drop_handler.h"

#include "editor/workspace.h"

void DropHandler::handleDrop(const QStringList&) {}
