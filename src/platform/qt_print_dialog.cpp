#include "platform/common_dialog.h"

#include <QPrintDialog>
#include <QPrinter>

// The print dialog over the kept printer. The flags decide whether the
// Selection range is offered and preselected and whether page numbers can be
// chosen; afterwards the selection bit tells whether the range was left on
// Selection.
bool QtCommonDialog::showPrinter() {
    QPrinter& p = printer();
    QPrintDialog dialog(&p, m_parent);
    const bool selectionOffered = !(flags & PrintNoSelection);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, selectionOffered);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, !(flags & PrintNoPageNums));
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    dialog.setPrintRange(selectionOffered && (flags & PrintSelection)
                             ? QAbstractPrintDialog::Selection
                             : QAbstractPrintDialog::AllPages);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (p.printRange() == QPrinter::Selection)
        flags |= PrintSelection;
    else
        flags &= ~PrintSelection;
    return true;
}
