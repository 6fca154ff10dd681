#pragma once

class PagesMenu;
class QAction;
struct Workspace;

// Find, find next, the Replace dialog, and finding in every page.
class SearchCommands {
public:
    SearchCommands(Workspace& ws, PagesMenu& pages) : m_ws(ws), m_pages(pages) {}
    // The Search menu opens: Find next is live only with something to find.
    void MenuKen_Click();
    // Find: asks for the text and searches the page from the top; Find next
    // is then live exactly when there is a text to find.
    void Kens_Click();
    // Find next: searches on from the selection, offering to wrap to the top.
    void NextSerch_Click();
    // Opens the Replace dialog and returns when it is closed.
    void Swap_Click();
    // Find in every page: asks for the text as Find does, lists every match
    // of the nine pages and goes to the one chosen. The text becomes the one
    // Find next looks for.
    void AllKens_Click();

    // The menu item whose state this class keeps (handed over by the menu bar).
    QAction* NextSerch = nullptr;

private:
    Workspace& m_ws;
    PagesMenu& m_pages;
};
