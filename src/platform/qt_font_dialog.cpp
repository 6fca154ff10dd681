#include "platform/common_dialog.h"

// The program's own font dialog arrives with the display-font command.
bool QtCommonDialog::showFont() { return false; }
