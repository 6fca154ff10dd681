#pragma once

#include <QString>

#include <array>

class QAction;
struct Workspace;

// The nine pages: the File menu's page items, page switching, and the page
// label that the dialogs show too.
class PagesMenu {
public:
    explicit PagesMenu(Workspace& ws) : m_ws(ws) {}

    // " 3 [120文字]" or " 4 [空]"
    static QString pageLabel(int page, const QString& storedText);

    // Relabels the nine page items from the store.
    void relabelPages();
    void switchToPage(int index);
    // Stores the text on show under the key of the current page, when it
    // holds edits the store does not. False when the store refused it.
    bool storeCurrentPage();
    // Shows page k from the store in both views.
    void showPage(int k);
    // Caption "Sorabun - n" and the check mark of page n.
    void markPage(int page);

    // The nine page items, 1 to 9 (handed over by the menu bar); one group,
    // so checking one clears the others.
    std::array<QAction*, 9> items{};

private:
    Workspace& m_ws;
};
