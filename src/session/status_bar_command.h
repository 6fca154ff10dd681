#pragma once

#include "editor/text_measure.h"

class QAction;
class QLabel;
class QStatusBar;
class SettingsStore;
struct Workspace;

// 表示 → ステータスバー: a bar at the foot of the window telling where the
// caret is, how many characters the page (and the selection) holds, the
// zoom, and the page's line ends. Off until the user turns it on; the
// choice is kept in the store. While it is off, nothing is counted.
class StatusBarCommand {
public:
    explicit StatusBarCommand(Workspace& ws);

    // The check item, handed over as the menu is built.
    QAction* item = nullptr;

    // Shows or hides the bar. The window keeps its outer size and place: the
    // views get shorter or taller.
    void toggleStatusBar();
    // Start-up: on when the store says so, off when it says nothing.
    void restore();
    // Shut-down: whether it is on.
    void write(SettingsStore& store) const;
    // The view on show may have changed (the page shown at start-up, the
    // word-wrap switch): the bar follows the one on show.
    void followShownView();
    // The zoom of the views changed.
    void showZoom();

    // The bar and its fields, by role: what assistive tools read and tests reach.
    struct Fields {
        QStatusBar* bar;
        QLabel* position;
        QLabel* count;
        QLabel* zoom;
        QLabel* lineEnds;
    };
    Fields fields() const { return {m_bar, m_position, m_count, m_zoom, m_lineEnds}; }

private:
    void setShown(bool shown);
    void showStatus();

    Workspace& m_ws;
    TextMeasure m_measure;
    QStatusBar* m_bar;
    QLabel* m_position;
    QLabel* m_count;
    QLabel* m_zoom;
    QLabel* m_lineEnds;
};
