#pragma once

#include "app/window_placement.h"
#include "dialogs/housekeeping.h"
#include "editor/textview.h"
#include "files/drop_handler.h"
#include "files/file_commands.h"
#include "search/search_commands.h"
#include "session/app_state.h"
#include "session/edit_commands.h"
#include "session/font_command.h"
#include "session/idle_save.h"
#include "session/pages_menu.h"
#include "session/status_bar_command.h"
#include "session/views.h"
#include "session/workspace.h"
#include "session/zoom_commands.h"
#include "store/page_history.h"

#include <QMainWindow>

#include <chrono>
#include <optional>

class SettingsStore;
struct Platform;

// Timings and limits of the main window: the program's own, unless a test
// shortens them.
struct MainWindowSettings {
    IdleSave::Timing idleSave;
    qsizetype maxViewUnits = FileCommands::DefaultMaxViewUnits;
};

// The main window. It owns the menu bar, built from one table, and composes
// the command classes that hold the handlers. Its views and the program-wide
// state are reached through workspace().
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    using Settings = MainWindowSettings;

    MainWindow(SettingsStore& store, Platform& platform, const Settings& settings = {},
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // One row of the menu bar's table (main_menu.cpp).
    struct MenuRow;

    // Start-up: restores the last run and shows the window. `arguments` are
    // the file names given on the command line.
    void start(const QStringList& arguments = {});
    // Shut-down: writes the whole state back and ends the program. When the
    // store refuses it, the user is asked, and the program keeps running
    // unless they choose to end it anyway.
    void shutDown();
    // The window was resized: it keeps its smallest size and the views fill it.
    void fitToSize();
    void useDefaultSize() { placement.defaultSize(); }
    void quit() { close(); }
    void toggleWordWrap() {
        m_views.toggleWordWrap();
        status.followShownView();
    }

private:
    // First: every command object below is built on them.
    SettingsStore& m_store;
    Platform& m_platform;
    AppState m_state;
    TextView* m_wrappedView;
    TextView* m_unwrappedView;
    Views m_views;
    PageHistory m_history;
    Snapshots m_snapshots;
    Workspace m_ws;

public:
    Views& views() { return m_views; }
    Workspace& workspace() { return m_ws; }
    PageHistory& history() { return m_history; }
    PagesMenu pages;
    EditCommands edit;
    FontCommand font;
    ZoomCommands zoom;
    StatusBarCommand status;
    SearchCommands search;
    FileCommands files;
    DropHandler drop;
    HousekeepingCommands housekeeping;
    WindowPlacement placement;

    // Writes the state and, with `withPlacement`, the window's state and
    // place (left out when the display is gone). The page on show is written
    // only when it holds edits of this program. False when the store refused.
    bool writeState(bool withPlacement = true);
    // The desktop session is ending: the state is written without ending
    // the program; a page the store refused goes to a recovery file. A file
    // being read or a page being built is finished first.
    void sessionSave();
    // A signal asks the program to end with nobody to ask: once long work
    // under way has finished, the state is written as by endUnattended() and
    // the event loops end with status 0, or 1 when the store refused. Before
    // the window is shown (the distribution dialog at start-up), what was
    // placed in pages is stored already, and start-up stops there.
    void requestEnd();
    // The status the program ends with, once an end was requested and done.
    std::optional<int> endStatus() const { return m_endStatus; }
    // Shut-down with nobody to ask (a signal, the session's end, the display
    // gone): the state is written, a page the store refused goes to a
    // recovery file. Returns whether the store took everything; the caller
    // ends the process. The last resort, when the display is gone in the
    // middle of long work, leaves the page half read or built out: the store
    // keeps the text it held.
    bool endUnattended(bool withPlacement = true);
    // The process is about to end through exit() (the display or the
    // compositor gone): the state is written as by endUnattended(false),
    // and what the page history and the store still have queued, the
    // snapshots held during long work included, is written too, waiting for
    // it at most `limit` in all. Returns whether everything was written.
    bool endOnExit(std::chrono::milliseconds limit = std::chrono::seconds(2));
    bool hasEnded() const { return m_unloaded; }
    IdleSave& idleSave() { return m_saver; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // The menu bar, built from one table (main_menu.cpp).
    static const MenuRow menuRows[];
    void buildMenus();
    void layoutViews();
    void restoreViews();
    void startupNotices();

    IdleSave m_saver;
    QAction* m_wordWrapItem = nullptr;
    QAction* m_defaultSizeItem = nullptr;
    bool m_loaded = false;
    bool m_unloaded = false;
    std::optional<int> m_endStatus;
};
