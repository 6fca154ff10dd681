#pragma once

#include "app/app_state.h"
#include "editor/views.h"
#include "platform/platform.h"
#include "store/settings_store.h"

#include <QAction>
#include <QMainWindow>

// What every command class works on: the main window, its two views, the
// program-wide state, the settings store and the platform seams.
struct Workspace {
    QMainWindow& window;
    Views& views;
    AppState& state;
    SettingsStore& store;
    Platform& platform;

    // A menu item of the main window by its name ("page3", "cut", "NextSerch").
    QAction* action(const QString& name) const { return window.findChild<QAction*>(name); }
};
