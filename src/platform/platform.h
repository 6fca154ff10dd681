#pragma once

#include "platform/clipboard.h"
#include "platform/common_dialog.h"
#include "platform/launcher.h"
#include "platform/prompts.h"

#include <functional>

// Everything through which the program waits for a person or reaches outside
// itself. Tests hand in scripted doubles.
struct Platform {
    Prompts& prompts;
    CommonDialog& com;
    Launcher& launcher;
    Clipboard& clipboard;
    // Ends the process at once, writing nothing more.
    std::function<void()> endProcess;
};
