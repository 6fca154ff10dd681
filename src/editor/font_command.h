#pragma once

struct Workspace;

// The display font of both views, chosen in the font dialog.
class FontCommand {
public:
    explicit FontCommand(Workspace& ws) : m_ws(ws) {}
    void FontSet_Click();

    // The largest size the views accept, in points; a dialog answer without a
    // usable name or with a size outside 0 < size <= MaxSize changes nothing.
    static constexpr double MaxSize = 1638;

private:
    Workspace& m_ws;
};
