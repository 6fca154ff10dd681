#include "platform/common_dialog.h"

// The print dialog arrives with printing.
bool QtCommonDialog::showPrinter() { return false; }
