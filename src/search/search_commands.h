#pragma once

class QAction;
struct Workspace;

// Find, find next, and the Replace dialog.
class SearchCommands {
public:
    explicit SearchCommands(Workspace& ws) : m_ws(ws) {}
    // The Search menu opens: Find next is live only with something to find.
    void MenuKen_Click();
    // Find: asks for the text and searches the page from the top; Find next
    // is then live exactly when there is a text to find.
    void Kens_Click();
    // Find next: searches on from the selection, offering to wrap to the top.
    void NextSerch_Click();
    // Opens the Replace dialog and returns when it is closed.
    void Swap_Click();

    // The menu item whose state this class keeps (handed over by the menu bar).
    QAction* NextSerch = nullptr;

private:
    Workspace& m_ws;
};
