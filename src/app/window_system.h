#pragma once

#include <string>
#include <vector>

// How the program meets the desktop's window system.
//
// In a Wayland session the program prefers X11, through the session's
// Xwayland: only there can it put its window back where it was. Native
// Wayland is the fallback when no X server is reachable, and what the user
// gets by asking for it (QT_QPA_PLATFORM=wayland). The choice is handed to
// the toolkit as an argument, so the environment stays as the program was
// given it: what it starts (xdg-open, the text editor) chooses for itself.
namespace windowsystem {

// The arguments as given, with "-platform xcb;wayland" after the program's
// name when the user chose no platform (neither QT_QPA_PLATFORM, empty or
// unset, nor a -platform argument) and an X display is named ($DISPLAY).
// Without one, the toolkit's own choice stands. `qpaPlatform` and `display`
// are the two variables' values, or null when unset.
std::vector<std::string> withPreferredPlatform(const std::vector<std::string>& arguments,
                                               const char* qpaPlatform, const char* display);

// The command line the toolkit is started with: the program's own, with the
// preferred platform added (from this process's environment). Lives as long
// as the toolkit does.
class Arguments {
public:
    Arguments(int argc, char* argv[]);
    Arguments(const Arguments&) = delete;
    Arguments& operator=(const Arguments&) = delete;

    int count;
    char** values() { return m_pointers.data(); }

private:
    std::vector<std::string> m_arguments;
    std::vector<char*> m_pointers;
};

// Under native Wayland the toolkit ends the process at once, from a thread of
// its own, when the compositor goes away: nothing would be written on the
// way out. It says so first; the program then ends as under X11 when the
// display goes away, with exit() on the main thread, so what is written on
// the way out is written. Needs the QApplication.
void endInOrderWhenCompositorGoes();

} // namespace windowsystem
