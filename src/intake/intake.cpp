#include "intake/intake.h"

#include "editor/workspace.h"

void CommandLineIntake::run(const QStringList&) {}
