// Asks a window to close the way a window manager does when its close button
// is clicked: a WM_DELETE_WINDOW client message.
//
//   wm_close WINDOW-ID
//
// Exits 0 when the message was sent, 1 when the window does not take part in
// the protocol (then no manager could close it politely either).

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: wm_close WINDOW-ID\n");
        return 64;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "wm_close: no display\n");
        return 2;
    }
    const Window window = std::strtoul(argv[1], nullptr, 0);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);

    Atom* offered = nullptr;
    int count = 0;
    bool takesPart = false;
    if (XGetWMProtocols(display, window, &offered, &count)) {
        for (int i = 0; i < count; ++i)
            takesPart = takesPart || offered[i] == deleteWindow;
        XFree(offered);
    }
    if (!takesPart) {
        std::fprintf(stderr, "wm_close: the window does not offer WM_DELETE_WINDOW\n");
        XCloseDisplay(display);
        return 1;
    }
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(deleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    XCloseDisplay(display);
    return 0;
}
