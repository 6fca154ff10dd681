#pragma once

#include "editor/textview.h"

#include <QFont>

class QAction;
struct AppState;

// The two text views of the main window: one wraps, the other does not.
// Exactly one is visible and holds the page being edited; the hidden one may
// be stale.
class Views {
public:
    Views(TextView& wrapped, TextView& unwrapped, AppState& state);

    TextView& wrappedView;
    TextView& unwrappedView;

    // The word-wrap menu item; checked exactly when the wrapped view is the
    // visible one.
    void setWordWrapItem(QAction* action) { m_wordWrapItem = action; }

    bool wrappedShown() const { return !wrappedView.isHidden(); }
    TextView& visible() { return wrappedShown() ? wrappedView : unwrappedView; }
    TextView& hidden() { return wrappedShown() ? unwrappedView : wrappedView; }

    // The word-wrap switch: carries text and selection to the other view.
    void toggleWordWrap();

    // Both views: same font and colour. The font is the one chosen (in the
    // font dialog, from the store); the views show it at the session's zoom.
    void setFont(const QFont& font);
    const QFont& font() const { return m_font; }
    void setColourValue(std::int32_t value);

    // The zoom of both views, in percent: steps of ZoomStep from MinZoom to
    // MaxZoom, 100 at each start. It scales what the views show, never the
    // font chosen.
    static constexpr int MinZoom = 10;
    static constexpr int MaxZoom = 500;
    static constexpr int ZoomStep = 10;
    int zoom() const { return m_zoom; }
    // Kept within MinZoom and MaxZoom.
    void setZoom(int percent);

    // Edits of the page on show: every change of the visible view's text
    // counts (typing, commands, a file put in); the hidden view only takes
    // copies. Whoever reads the page from the store or writes it there says
    // so with markStored(), so the program writes only what it changed.
    quint64 edits() const { return m_edits; }
    // True when the page on show holds edits the store does not.
    bool pageChanged() const { return m_edits != m_storedEdits; }
    // The store holds the page on show as it was after `edits` edits.
    void markStored(quint64 edits);
    void markStored() { markStored(m_edits); }
    // Counts the calls of markStored: a write that began earlier can tell
    // that the page was stored or replaced since.
    quint64 storeMarks() const { return m_storeMarks; }

private:
    // The chosen font at the zoom, into both views.
    void showFont();

    AppState& m_state;
    QAction* m_wordWrapItem = nullptr;
    QFont m_font;
    int m_zoom = 100;
    quint64 m_edits = 0;
    quint64 m_storedEdits = 0;
    quint64 m_storeMarks = 0;
};
