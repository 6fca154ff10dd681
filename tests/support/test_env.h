#pragma once

#include "app/main_window.h"
#include "store/settings_store.h"
#include "support/scripted_platform.h"

#include <QTemporaryDir>
#include <memory>

// A whole program on the offscreen platform: a real store in a temporary
// folder, scripted answers where a person would click, the real clipboard.
class TestEnv {
public:
    TestEnv();
    ~TestEnv();

    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> store;
    ScriptedPrompts prompts;
    ScriptedCommonDialog com;
    ScriptedLauncher launcher;
    QtClipboard clipboard;
    int processEnded = 0;
    Platform platform;
    // The main window's timings and limits, for start() to use.
    MainWindow::Settings settings;
    std::unique_ptr<MainWindow> window;

    QString storePath() const { return dir.filePath(QStringLiteral("store.sqlite")); }
    // A file in the temporary folder holding these bytes; returns its path.
    QString writeFile(const QString& name, const QByteArray& bytes) const;
    // Creates the main window and runs start-up with these arguments.
    MainWindow& start(const QStringList& arguments = {});
    // Runs shut-down and forgets the window, as a process exit would.
    void stop();
    // Closes and reopens the store, as a new process would see it.
    void reopenStore();
    QString page(int n) const { return store->ReadSetting(QString::number(n)); }
    void setPage(int n, const QString& text) { store->WriteSetting(QString::number(n), text); }
};

// A menu item of the window by its name ("page3", "cut", "findNext"), as a
// user finds it in the menu; null when there is none.
QAction* actionOf(QWidget* window, const QString& objectName);
// Triggers a menu item of the window by its name; fails when there is none or
// it is disabled.
bool triggerAction(QWidget* window, const QString& objectName);
// Opens a top-level menu the way a click does (its refresh runs).
void openMenu(QWidget* window, const QString& objectName);

// Makes the store at this path refuse every write, as a full disk or a locked
// file does, for every connection; with `false` it takes writes again.
bool refuseWrites(const QString& storePath, bool refuse = true);
