#pragma once

struct Workspace;

// The display font of both views, chosen in the font dialog.
class FontCommand {
public:
    explicit FontCommand(Workspace& ws) : m_ws(ws) {}
    void FontSet_Click();

private:
    Workspace& m_ws;
};
