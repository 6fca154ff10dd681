#include "session/pages_menu.h"

#include "session/store_notices.h"
#include "session/workspace.h"
#include "store/keys.h"

#include <QAction>

QString PagesMenu::pageLabel(int page, const QString& storedText) {
    const QString n = QString::number(page);
    if (storedText.isEmpty())
        return u' ' + n + QStringLiteral(" [空]");
    return u' ' + n + QStringLiteral(" [") + QString::number(storedText.size()) +
           QStringLiteral("文字]");
}

void PagesMenu::relabelPages() {
    for (int n = 1; n <= 9; ++n)
        items[n - 1]->setText(pageLabel(n, m_ws.store.ReadSetting(keys::page(n), QString())));
}

void PagesMenu::switchToPage(int index) {
    if (index < 1 || index > 9)
        return;
    // A page the store refused stays on show: switching would lose it.
    if (!storeCurrentPage()) {
        markPage(m_ws.state.currentPage); // the item chosen gives its mark back
        m_ws.platform.prompts.notice(notices::switchRefused(m_ws.store, m_ws.state.currentPage));
        return;
    }
    showPage(index);
}

// Another instance may have written this page meanwhile: a page without
// edits of this instance is left as the store has it.
bool PagesMenu::storeCurrentPage() {
    Views& v = m_ws.views;
    if (!v.wrappedShown())
        v.wrappedView.setText(v.unwrappedView.text());
    if (!v.pageChanged())
        return true;
    const quint64 edits = v.edits();
    m_ws.snapshots.settle(); // what the page held before (a clear, a file) is kept first
    if (!m_ws.store.WriteSetting(keys::page(m_ws.state.currentPage), v.wrappedView.text()))
        return false;
    v.markStored(edits);
    return true;
}

void PagesMenu::showPage(int k) {
    Views& v = m_ws.views;
    // Both views take the stored string itself: a view gives back exactly what
    // it was given, so reading it back would only cost a copy of the page.
    const QString text = m_ws.store.ReadSetting(keys::page(k), QString());
    v.wrappedView.setText(text);
    m_ws.state.currentPage = k;
    markPage(k);
    m_ws.state.undoAvailable = false;
    v.unwrappedView.setText(text);
    v.markStored();
}

void PagesMenu::markPage(int page) {
    m_ws.window.setWindowTitle(QStringLiteral("Sorabun - ") + QString::number(page));
    // What a screen reader calls the text area: the page it shows.
    m_ws.views.wrappedView.setAccessibleName(QStringLiteral("ページ ") + QString::number(page));
    m_ws.views.unwrappedView.setAccessibleName(m_ws.views.wrappedView.accessibleName());
    items[page - 1]->setChecked(true);
}
