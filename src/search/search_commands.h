#pragma once

class PagesMenu;
class QAction;
struct Workspace;

// Find, find next, the Replace dialog, and finding in every page.
class SearchCommands {
public:
    SearchCommands(Workspace& ws, PagesMenu& pages) : m_ws(ws), m_pages(pages) {}
    // The Search menu opens: Find next is live only with something to find.
    void updateItems();
    // Find: asks for the text and searches the page from the top; Find next
    // is then live exactly when there is a text to find.
    void find();
    // Find next: searches on from the selection, offering to wrap to the top.
    void findNext();
    // Opens the Replace dialog and returns when it is closed.
    void replace();
    // Find in every page: asks for the text as Find does, lists every match
    // of the nine pages and goes to the one chosen. The text becomes the one
    // Find next looks for.
    void findInAllPages();

    // The menu item whose state this class keeps (handed over by the menu bar).
    QAction* findNextItem = nullptr;

private:
    Workspace& m_ws;
    PagesMenu& m_pages;
};
