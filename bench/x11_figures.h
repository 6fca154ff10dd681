#pragma once

#include "bench_data.h"

#include <QStringList>

// The figures taken with the real program on the real X11 platform: its own
// Xvfb with openbox as the window manager, the program started with a file on
// its command line, timed from process start until its window is shown and the
// process is idle. FeatherPad, a plain-text editor from Debian, opens the UTF-8
// form of the same text in the same loop as a peer.
namespace x11figures {

struct Outcome {
    int missed = 0; // figures over their target
    int failed = 0; // figures that could not be measured
};

// Prints "figure ..." and "anchor ..." lines for the figures named in `only`
// (all when empty); `program` is the Sorabun executable.
Outcome run(const benchdata::Files& data, const QString& program, int reps,
            const QStringList& only);

} // namespace x11figures
