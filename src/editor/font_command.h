#pragma once

class SettingsStore;
struct Workspace;

// The display font of both views, chosen in the font dialog.
class FontCommand {
public:
    explicit FontCommand(Workspace& ws) : m_ws(ws) {}
    // A dialog answer without a usable name or with a size outside
    // 0 < size <= CommonDialog::MaxFontSize changes nothing.
    void FontSet_Click();

    // Start-up: Text1 takes the stored font and colour (a key absent or empty
    // keeps what the view has), then Text2 takes Text1's.
    void restore();
    // Shut-down: Text1's font and colour into the store.
    void write(SettingsStore& store) const;

private:
    Workspace& m_ws;
};
