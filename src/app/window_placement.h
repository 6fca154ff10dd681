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

    // Whether the window system tells and takes the window's place (X11).
    // Where it does not (Wayland), the place written back is the one read, or
    // the centred one where none was stored, so that a later X11 session finds
    // it. Set by prepare().
    bool placeKnown = true;

    // Before the window is first shown: its native window is made, so the
    // window manager can tell the frame it will draw, and the smallest size
    // is set as an outer size; whether the place is known is asked.
    void prepare();
    // Start-up: the default size, centred, then the stored state and place,
    // fitted onto the screen as it is now. True when the window is to open
    // maximized.
    bool restore(const SettingsStore& store);
    // Shut-down: "Window" and the four numbers (zeros when minimized).
    void write(SettingsStore& store) const;
    // The first two seconds the window is shown in its normal state (from
    // the first showing, or from leaving the maximized state it opened in):
    // a frame other than the one placed with is made up for once (a window
    // manager that does not tell it in advance, the frame the toolkit draws
    // itself under Wayland), and a place the window manager chose itself
    // instead of the one asked for is not taken for the user's: while the
    // window stays there, the place asked for is the one written.
    void startSettling() { m_settle = Settle::Pending; }
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
    // The place start-up asked for, in twips: the stored one, or centred.
    QPointF m_asked;
    enum class Settle { Off, Pending, Running } m_settle = Settle::Off;
    QDeadlineTimer m_settleUntil;
    bool m_frameSettled = false;
};
