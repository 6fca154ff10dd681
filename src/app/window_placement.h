#pragma once

#include <QDeadlineTimer>
#include <QMargins>
#include <QRect>
#include <QRectF>

#include <optional>

class QWidget;
class SettingsStore;

// The main window's place and size in twips, always meaning its outer
// frame: the frame the window manager draws is included both when the
// place is read and when it is set. Start-up places the window as the store
// says, shut-down writes the place back.
class WindowPlacement {
public:
    static constexpr double DefaultWidth = 11475;
    static constexpr double DefaultHeight = 8340;
    static constexpr double MinWidth = 5265;
    static constexpr double MinHeight = 2000;

    explicit WindowPlacement(QWidget& window) : m_window(window) {}

    // Before the window is first shown: its native window is made, so the
    // window manager can tell the frame it will draw, and the smallest size
    // is set as an outer size.
    void prepare();
    // Start-up: the default size, centred, then the stored state and place,
    // fitted onto the screen as it is now. True when the window is to open
    // maximized.
    bool restore(const SettingsStore& store);
    // Shut-down: "Window" and the four numbers (zeros when minimized).
    void write(SettingsStore& store) const;
    // Once shown: a frame other than the one placed with is made up for once,
    // within two seconds (a window manager that does not tell it in advance).
    void startSettling() { m_settleUntil = QDeadlineTimer(2000); }
    void settleFrame();

    QRectF outer() const;
    void place(const QRectF& twips);
    void setSize(double width, double height);
    void move(double left, double top);
    void defaultSize();
    void centre();
    // Height first, then width, kept to the smallest size.
    void keepMinimum();
    // The toolkit's smallest size: the outer one less the frame.
    void keepOuterMinimum();

private:
    QMargins frameMargins() const;
    // Keeps what the window manager told of the frame (empty: nothing yet)
    // and returns the frame to go by.
    QMargins remember(std::optional<QMargins> told) const;
    QRectF fittedOnScreen(const QRectF& twips) const;

    QWidget& m_window;
    bool m_inResize = false;
    // The window manager's frame as known before the window was first shown.
    QMargins m_expectedFrame;
    // The frame last told, with the window's place and size, state and
    // showing it was told for: asked again once any of them changes.
    struct Frame {
        QMargins margins;
        QRect geometry;
        Qt::WindowStates state;
        bool visible = false;
        bool valid = false;
    };
    mutable Frame m_frame;
    // The outer rectangle last given to the window, in twips as asked for and
    // in pixels as placed, with the frame it was placed with. While the window
    // stays there, its twips are the ones given, not a rounding of pixels.
    struct Placed {
        QRectF twips;
        QRect px;
        QMargins frame;
        bool valid = false;
    } m_placed;
    QDeadlineTimer m_settleUntil;
};
