#pragma once

#include "app/main_window.h"
#include "platform/platform.h"
#include "store/settings_store.h"

#include <QIcon>

#include <memory>

// The program's icon: the one installed in the icon theme, else the pictures
// compiled into the program.
QIcon programIcon();

// The whole program as a user starts it: the per-user store, the platform
// seams of the desktop, and the main window over them. Needs a QApplication.
class Program {
public:
    Program();
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    MainWindow& window() { return *m_window; }

private:
    SettingsStore m_store;
    QtPrompts m_prompts;
    QtCommonDialog m_com;
    QtLauncher m_launcher;
    QtClipboard m_clipboard;
    Platform m_platform;
    std::unique_ptr<MainWindow> m_window;
};
