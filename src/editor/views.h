#pragma once

#include "editor/textview.h"

class QAction;
struct AppState;

// The two text views of the main window: Text1 wraps, Text2 does not. Exactly
// one is visible and holds the page being edited; the hidden one may be stale.
class Views {
public:
    Views(TextView& text1, TextView& text2, AppState& state);

    TextView& Text1;
    TextView& Text2;

    // The word-wrap menu item; checked exactly when Text1 is the visible view.
    void setRightRet(QAction* action) { m_rightRet = action; }
    QAction* rightRet() const { return m_rightRet; }

    bool text1Visible() const { return !Text1.isHidden(); }
    TextView& visible() { return text1Visible() ? Text1 : Text2; }
    TextView& hidden() { return text1Visible() ? Text2 : Text1; }

    // The word-wrap switch: carries text and selection to the other view.
    void RightRet_Click();

    // Both views: same font and colour.
    void setFont(const QFont& font);
    void setColourValue(std::int32_t value);

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
    AppState& m_state;
    QAction* m_rightRet = nullptr;
    quint64 m_edits = 0;
    quint64 m_storedEdits = 0;
    quint64 m_storeMarks = 0;
};
