#pragma once

#include <QMargins>
#include <optional>

class QWindow;

// The frame (title bar and borders) that the window manager puts around a
// top-level window, in the window's own pixels. Under X11 the frame is the
// window manager's business and is normally known only after the window has
// been shown; outer sizes that are to come out right on the first showing
// need it before.
namespace windowframe {

// The frame the window manager will give this window, asked for before the
// window is shown (the native window must exist). Empty when the window
// manager does not tell in advance; the frame is then known after showing.
std::optional<QMargins> expected(QWindow* window);

// The frame the window has now. Empty while the window manager has not yet
// framed the window and does not tell in advance.
std::optional<QMargins> current(QWindow* window);

} // namespace windowframe
