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

private:
    AppState& m_state;
    QAction* m_rightRet = nullptr;
};
