#include "editor/pages_menu.h"

#include "editor/safekeeping.h"
#include "editor/workspace.h"
#include "store/keys.h"

#include <QAction>

QString PagesMenu::PageLabel(int page, const QString& storedText) {
    const QString n = QString::number(page);
    if (storedText.isEmpty())
        return u' ' + n + QStringLiteral(" [空]");
    return u' ' + n + QStringLiteral(" [") + QString::number(storedText.size()) +
           QStringLiteral("文字]");
}

void PagesMenu::menuFile_Click() {
    for (int n = 1; n <= 9; ++n)
        items[n - 1]->setText(PageLabel(n, m_ws.store.ReadSetting(keys::page(n), QString())));
}

void PagesMenu::page_Click(int index) {
    if (index < 1 || index > 9)
        return;
    // A page the store refused stays on show: switching would lose it.
    if (!StoreCurrentPage()) {
        markPage(m_ws.state.CurrentPage); // the item chosen gives its mark back
        m_ws.platform.prompts.notice(
            safekeeping::switchRefused(m_ws.store, m_ws.state.CurrentPage));
        return;
    }
    ShowPage(index);
}

// Another instance may have written this page meanwhile: a page without
// edits of this instance is left as the store has it.
bool PagesMenu::StoreCurrentPage() {
    Views& v = m_ws.views;
    if (!v.text1Visible())
        v.Text1.setText(v.Text2.text());
    if (!v.pageChanged())
        return true;
    const quint64 edits = v.edits();
    if (!m_ws.store.WriteSetting(keys::page(m_ws.state.CurrentPage), v.Text1.text()))
        return false;
    v.markStored(edits);
    return true;
}

void PagesMenu::ShowPage(int k) {
    Views& v = m_ws.views;
    // Both views take the stored string itself: Text1 gives back exactly what
    // it was given, so reading it back would only cost a copy of the page.
    const QString text = m_ws.store.ReadSetting(keys::page(k), QString());
    v.Text1.setText(text);
    m_ws.state.CurrentPage = k;
    markPage(k);
    m_ws.state.UndoAvailable = false;
    v.Text2.setText(text);
    v.markStored();
}

void PagesMenu::markPage(int page) {
    m_ws.window.setWindowTitle(QStringLiteral("Sorabun - ") + QString::number(page));
    // What a screen reader calls the text area: the page it shows.
    m_ws.views.Text1.setAccessibleName(QStringLiteral("ページ ") + QString::number(page));
    m_ws.views.Text2.setAccessibleName(m_ws.views.Text1.accessibleName());
    items[page - 1]->setChecked(true);
}
