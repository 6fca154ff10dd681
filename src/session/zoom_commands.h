#pragma once

#include <QObject>

struct Workspace;

// 表示 → ズーム: the session's zoom of both views, from the menu, its
// shortcuts, and Ctrl with the mouse wheel over either view. It changes what
// the views show only: never the font chosen, what the store keeps or what
// is printed.
class ZoomCommands : public QObject {
    Q_OBJECT
public:
    // A wheel turns this much (in eighths of a degree) for each step.
    static constexpr int WheelStep = 120;

    explicit ZoomCommands(Workspace& ws);

    void zoomIn();    // 拡大: one step larger, up to the largest
    void zoomOut();   // 縮小: one step smaller, down to the smallest
    void resetZoom(); // 既定に戻す: 100 %

signals:
    // The zoom is now `percent`.
    void zoomed(int percent);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void setZoom(int percent);

    Workspace& m_ws;
    int m_wheel = 0; // what the wheel turned towards the next step
};
