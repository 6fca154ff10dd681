#include "app/window_placement.h"

#include "platform/twips.h"
#include "platform/window_frame.h"
#include "store/keys.h"
#include "store/settings_store.h"
#include "store/values.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>

void WindowPlacement::prepare() {
    placeKnown = windowframe::placeKnown();
    m_window.createWinId();
    m_expectedFrame = windowframe::expected(m_window.windowHandle()).value_or(QMargins());
    keepOuterMinimum();
}

bool WindowPlacement::restore(const SettingsStore& s) {
    defaultSize();
    centre();
    // The numbers as stored, within what a screen could ever hold.
    const double limit = 1e7;
    auto stored = [&s](const QString& key, double low, double high) {
        return std::clamp(values::number(s.ReadSetting(key)), low, high);
    };
    const bool placeStored = values::number(s.ReadSetting(keys::Left)) != 0;
    m_asked = placeStored
                  ? QPointF(stored(keys::Left, -limit, limit), stored(keys::Top, -limit, limit))
                  : outer().topLeft();
    bool maximized = false;
    if (values::number(s.ReadSetting(keys::Window)) == 2) {
        maximized = true;
    } else if (!placeStored) {
        defaultSize();
        centre();
    } else {
        place(QRectF(m_asked, QSizeF(stored(keys::Width, MinWidth, limit),
                                     stored(keys::Height, MinHeight, limit))));
    }
    // Whatever was stored, the window comes out on the screen as it is now (a
    // monitor may have gone, the scale changed): moved, and shrunk if need be.
    const QRectF placed = outer();
    const QRectF fitted = fittedOnScreen(placed);
    if (fitted != placed)
        place(fitted);
    return maximized;
}

void WindowPlacement::write(SettingsStore& s) const {
    m_frame.valid = false; // asked afresh: the frame may have changed on its own
    const int state = m_window.isMinimized() ? 1 : m_window.isMaximized() ? 2 : 0;
    s.WriteSetting(keys::Window, QString::number(state));
    QRectF o = state == 1 ? QRectF() : outer();
    if (state != 1 && !placeKnown)
        o.moveTopLeft(m_asked);
    s.WriteSetting(keys::Top, values::numberText(std::round(o.y())));
    s.WriteSetting(keys::Left, values::numberText(std::round(o.x())));
    s.WriteSetting(keys::Width, values::numberText(std::round(o.width())));
    s.WriteSetting(keys::Height, values::numberText(std::round(o.height())));
}

// The window manager is asked once for each place, size, state and showing
// of the window, not at every look.
QMargins WindowPlacement::frameMargins() const {
    if (m_frame.valid && m_frame.geometry == m_window.geometry() &&
        m_frame.state == m_window.windowState() && m_frame.visible == m_window.isVisible())
        return m_frame.margins;
    return remember(windowframe::current(m_window.windowHandle()));
}

QMargins WindowPlacement::remember(std::optional<QMargins> told) const {
    m_frame = {told.value_or(QMargins()), m_window.geometry(), m_window.windowState(),
               m_window.isVisible(), told.has_value()};
    return told.value_or(m_expectedFrame);
}

QRectF WindowPlacement::outer() const {
    const QMargins frame = frameMargins();
    // The window itself where it was placed: a frame told otherwise since is
    // the window manager's doing (some tell passing frames while they draw
    // theirs), not a move or resize, and the place stays the one placed.
    if (m_placed.valid && m_window.geometry() == m_placed.px.marginsRemoved(m_placed.frame))
        return m_placed.twips;
    const QRect px = m_window.geometry().marginsAdded(frame);
    // A side the window still has from the last placement keeps its twips.
    const bool same = m_placed.valid && m_placed.frame == frame;
    auto side = [&](int now, int placed, double twips) {
        return same && now == placed ? twips : twips::fromPx(now, &m_window);
    };
    return QRectF(side(px.x(), m_placed.px.x(), m_placed.twips.x()),
                  side(px.y(), m_placed.px.y(), m_placed.twips.y()),
                  side(px.width(), m_placed.px.width(), m_placed.twips.width()),
                  side(px.height(), m_placed.px.height(), m_placed.twips.height()));
}

void WindowPlacement::place(const QRectF& t) {
    const QMargins m = frameMargins();
    const QRect px = twips::toPx(t.x(), t.y(), t.width(), t.height(), &m_window);
    m_placed = {t, px, m, true};
    QRect inner = px.marginsRemoved(m);
    inner.setSize(inner.size().expandedTo(QSize(1, 1)));
    // The window itself is placed; the window manager puts its frame around
    // it, so the frame lands where the outer rectangle says.
    m_window.setGeometry(inner);
}

void WindowPlacement::setSize(double w, double h) {
    place(QRectF(outer().topLeft(), QSizeF(w, h)));
}

void WindowPlacement::move(double left, double top) {
    place(QRectF(QPointF(left, top), outer().size()));
}

void WindowPlacement::defaultSize() {
    setSize(DefaultWidth, outer().height());
    setSize(outer().width(), DefaultHeight);
}

void WindowPlacement::centre() {
    const QPoint p = twips::centredOnScreen(outer().width(), outer().height(), &m_window);
    move(p.x(), p.y());
}

void WindowPlacement::keepMinimum() {
    // The resizes made here come back through the window's resize handling
    // and are let pass.
    if (m_inResize)
        return;
    m_inResize = true;
    if (outer().height() < MinHeight - 0.5)
        setSize(outer().width(), MinHeight);
    if (outer().width() < MinWidth - 0.5)
        setSize(MinWidth, outer().height());
    m_inResize = false;
}

// Moved and, where it must be, shrunk onto the screen's free area (panels
// excluded); a rectangle that fits is returned as it is.
QRectF WindowPlacement::fittedOnScreen(const QRectF& t) const {
    const QRect px = twips::toPx(t.x(), t.y(), t.width(), t.height(), &m_window);
    QScreen* screen = QGuiApplication::screenAt(px.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return t;
    const QRect free = screen->availableGeometry();
    if (free.contains(px))
        return t;
    const int w = std::min(px.width(), free.width());
    const int h = std::min(px.height(), free.height());
    const int x = std::clamp(px.x(), free.x(), free.x() + free.width() - w);
    const int y = std::clamp(px.y(), free.y(), free.y() + free.height() - h);
    auto side = [this](int now, int was, double twips) {
        return now == was ? twips : twips::fromPx(now, &m_window);
    };
    return QRectF(side(x, px.x(), t.x()), side(y, px.y(), t.y()), side(w, px.width(), t.width()),
                  side(h, px.height(), t.height()));
}

// The smallest window is an outer size: the frame is taken off for the
// toolkit, which limits the inner size.
void WindowPlacement::keepOuterMinimum() {
    const QMargins m = frameMargins();
    m_window.setMinimumSize(std::max(1, twips::toPx(MinWidth, &m_window) - m.left() - m.right()),
                            std::max(1, twips::toPx(MinHeight, &m_window) - m.top() - m.bottom()));
}

// A window manager that does not tell the frame in advance frames the window
// only once it is shown: the placement is then made again with the real frame,
// once, so that the outer rectangle is the one asked for. A window manager
// that puts the window where it likes (the one of a Wayland compositor for X11
// programs) is let be: the place asked for stays the window's, not written
// over by one the user never chose. A move by the user in these first seconds
// is taken for the window manager's.
void WindowPlacement::settleFrame() {
    if (m_settle == Settle::Off || !m_placed.valid || !m_window.isVisible() ||
        m_window.windowState() != Qt::WindowNoState)
        return;
    if (m_settle == Settle::Pending) {
        m_settle = Settle::Running;
        m_settleUntil = QDeadlineTimer(2000);
    } else if (m_settleUntil.hasExpired()) {
        m_settle = Settle::Off;
        return;
    }
    const std::optional<QMargins> now = windowframe::current(m_window.windowHandle());
    remember(now);
    if (!now)
        return;
    if (*now != m_placed.frame && !m_frameSettled) {
        m_frameSettled = true;
        m_expectedFrame = *now;
        keepOuterMinimum();
        place(m_placed.twips);
        return;
    }
    // Wherever the window manager put the window is the place placed, in the
    // frame placed with (a frame told since may be a passing one).
    const QMargins& f = m_placed.frame;
    m_placed.px.moveTopLeft(m_window.geometry().topLeft() - QPoint(f.left(), f.top()));
}
