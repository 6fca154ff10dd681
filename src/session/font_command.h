#pragma once

class SettingsStore;
struct Workspace;

// The display font of both views, chosen in the font dialog.
class FontCommand {
public:
    explicit FontCommand(Workspace& ws) : m_ws(ws) {}
    // A dialog answer without a usable name or with a size outside
    // 0 < size <= CommonDialog::MaxFontSize changes nothing.
    void chooseFont();

    // Start-up: the wrapped view takes the stored font and colour (a key
    // absent or empty keeps what the view has), then the unwrapped view
    // takes the wrapped view's.
    void restore();
    // Shut-down: the wrapped view's font and colour into the store.
    void write(SettingsStore& store) const;

private:
    Workspace& m_ws;
};
