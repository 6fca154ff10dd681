#include "platform/window_frame.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QThread>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace windowframe {

namespace {

// How long start-up waits at most for the window manager to tell the frame.
// Window managers answer within a few milliseconds.
constexpr int AnswerTimeoutMs = 250;

struct FreeReply {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

xcb_connection_t* x11Connection() {
    if (QGuiApplication::platformName() != u"xcb")
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, false, std::uint16_t(std::strlen(name)), name), nullptr));
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

struct Atoms {
    xcb_atom_t supported, request, extents;
};

// One program talks to one X server: the atoms are looked up once.
const Atoms& atoms(xcb_connection_t* c) {
    static const Atoms a{atom(c, "_NET_SUPPORTED"), atom(c, "_NET_REQUEST_FRAME_EXTENTS"),
                         atom(c, "_NET_FRAME_EXTENTS")};
    return a;
}

// The window's _NET_FRAME_EXTENTS (left, right, top, bottom), in the window's
// own pixels.
std::optional<QMargins> extentsOf(xcb_connection_t* c, const QWindow* window) {
    const xcb_window_t w = xcb_window_t(window->winId());
    Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(
        c, xcb_get_property(c, false, w, atoms(c).extents, XCB_ATOM_CARDINAL, 0, 4), nullptr));
    if (!r || r->type != XCB_ATOM_CARDINAL || r->format != 32 ||
        xcb_get_property_value_length(r.get()) != 4 * sizeof(std::uint32_t))
        return std::nullopt;
    const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(r.get()));
    // The server counts device pixels; the window is laid out in its own.
    const qreal ratio = window->devicePixelRatio() > 0 ? window->devicePixelRatio() : 1.0;
    auto px = [ratio](std::uint32_t n) { return qRound(std::min<std::uint32_t>(n, 4096) / ratio); };
    return QMargins(px(v[0]), px(v[2]), px(v[1]), px(v[3]));
}

xcb_window_t rootOf(xcb_connection_t* c, xcb_window_t w) {
    Reply<xcb_query_tree_reply_t> r(xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr));
    return r ? r->root : xcb_window_t(XCB_WINDOW_NONE);
}

bool windowManagerSupports(xcb_connection_t* c, xcb_window_t root, xcb_atom_t what) {
    Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(
        c, xcb_get_property(c, false, root, atoms(c).supported, XCB_ATOM_ATOM, 0, 4096), nullptr));
    if (!r || r->type != XCB_ATOM_ATOM || r->format != 32)
        return false;
    const auto* list = static_cast<const xcb_atom_t*>(xcb_get_property_value(r.get()));
    const int n = xcb_get_property_value_length(r.get()) / int(sizeof(xcb_atom_t));
    return std::find(list, list + n, what) != list + n;
}

} // namespace

bool placeKnown() {
    return !QGuiApplication::platformName().startsWith(u"wayland");
}

std::optional<QMargins> current(QWindow* window) {
    if (!window)
        return std::nullopt;
    xcb_connection_t* c = x11Connection();
    if (c) {
        if (auto known = extentsOf(c, window))
            return known;
    } else if (placeKnown()) {
        return window->frameMargins(); // the toolkit's own account (offscreen)
    }
    // A window manager that does not declare the frame, and the frame the
    // toolkit draws itself under Wayland: it is measured once the window is
    // framed.
    if (!window->isVisible())
        return std::nullopt;
    return window->frameMargins();
}

std::optional<QMargins> expected(QWindow* window) {
    if (auto known = current(window))
        return known;
    xcb_connection_t* c = x11Connection();
    if (!window || !c)
        return std::nullopt;
    const xcb_window_t w = xcb_window_t(window->winId());
    const xcb_window_t root = rootOf(c, w);
    if (root == XCB_WINDOW_NONE || !windowManagerSupports(c, root, atoms(c).request))
        return std::nullopt;
    // The window manager answers by setting _NET_FRAME_EXTENTS on the window.
    xcb_client_message_event_t ask = {};
    ask.response_type = XCB_CLIENT_MESSAGE;
    ask.format = 32;
    ask.window = w;
    ask.type = atoms(c).request;
    xcb_send_event(c, false, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ask));
    xcb_flush(c);
    const QDeadlineTimer deadline(AnswerTimeoutMs);
    for (;;) {
        if (auto known = extentsOf(c, window))
            return known;
        if (deadline.hasExpired())
            return std::nullopt;
        QThread::msleep(1);
    }
}

} // namespace windowframe
