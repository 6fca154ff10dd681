#pragma once

#include <QMargins>
#include <optional>

class QWindow;

// The frame (title bar and borders) that the window manager puts around a
// top-level window, in the window's own pixels. Under X11 the frame is the
// window manager's business and is normally known only after the window has
// been shown; outer sizes that are to come out right on the first showing
// need it before. Under Wayland the toolkit draws the frame itself once the
// window is shown, and nobody tells it in advance.
namespace windowframe {

// Whether the window system lets a program know and choose where on the
// screen its windows are. X11 does; Wayland does not (the compositor alone
// places windows, and tells nobody where).
bool placeKnown();

// The frame the window manager will give this window, asked for before the
// window is shown (the native window must exist). Empty when the window
// manager does not tell in advance; the frame is then known after showing.
std::optional<QMargins> expected(QWindow* window);

// The frame the window has now. Empty while the window manager has not yet
// framed the window and does not tell in advance, and under Wayland while the
// window is not shown.
std::optional<QMargins> current(QWindow* window);

} // namespace windowframe
