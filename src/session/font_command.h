#pragma once

class SettingsStore;
struct Workspace;

// The display font of both views, chosen in the font dialog. It is the font
// as chosen that the dialog starts from and the store keeps, never the one
// the session's zoom shows.
class FontCommand {
public:
    explicit FontCommand(Workspace& ws) : m_ws(ws) {}
    // A dialog answer without a usable name or with a size outside
    // 0 < size <= CommonDialog::MaxFontSize changes nothing.
    void chooseFont();

    // Start-up: both views take the stored font and colour (a key absent or
    // empty keeps what they have).
    void restore();
    // Shut-down: the chosen font and the views' colour into the store.
    void write(SettingsStore& store) const;

private:
    Workspace& m_ws;
};
