#include "platform/common_dialog.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QTimer>
#include <QWidget>

namespace {

// The dialog leaves its "Pages from" choice enabled whatever its options say;
// without page numbers every way to choose pages is greyed out.
void disablePageChoice(QPrintDialog& dialog) {
    for (const char* name : {"printRange", "from", "to", "pagesRadioButton", "pagesLineEdit"})
        if (auto* w = dialog.findChild<QWidget*>(QLatin1String(name)))
            w->setEnabled(false);
}

} // namespace

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
    // The dialog sets up its widgets as it shows itself: grey out afterwards.
    if (flags & PrintNoPageNums)
        QTimer::singleShot(0, &dialog, [&dialog] { disablePageChoice(dialog); });
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (p.printRange() == QPrinter::Selection)
        flags |= PrintSelection;
    else
        flags &= ~PrintSelection;
    return true;
}
