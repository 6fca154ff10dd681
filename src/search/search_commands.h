#pragma once

struct Workspace;

// Find, find next, and the Replace dialog.
class SearchCommands {
public:
    explicit SearchCommands(Workspace& ws) : m_ws(ws) {}
    void MenuKen_Click();
    void Kens_Click();
    void NextSerch_Click();
    void Swap_Click();

private:
    Workspace& m_ws;
};
