#pragma once

#include "platform/platform.h"
#include "session/app_state.h"
#include "session/snapshots.h"
#include "session/views.h"
#include "store/settings_store.h"

#include <QMainWindow>

// What every command class works on: the main window, its two views, the
// program-wide state, the settings store, the platform seams, and when a
// page's past is kept.
struct Workspace {
    QMainWindow& window;
    Views& views;
    AppState& state;
    SettingsStore& store;
    Platform& platform;
    Snapshots& snapshots;
};
