#pragma once

#include "app/app_state.h"
#include "dialogs/housekeeping.h"
#include "editor/edit_commands.h"
#include "editor/font_command.h"
#include "editor/pages_menu.h"
#include "editor/safekeeping.h"
#include "editor/textview.h"
#include "editor/views.h"
#include "editor/workspace.h"
#include "files/drop_handler.h"
#include "files/file_commands.h"
#include "search/search_commands.h"

#include <QDeadlineTimer>
#include <QMainWindow>
#include <QMenu>
#include <QRect>
#include <QRectF>
#include <functional>
#include <memory>

class SettingsStore;
struct Platform;

// Form1: the main window. It owns the menu bar, built from one table, and
// composes the command classes that hold the handlers.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(SettingsStore& store, Platform& platform, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up: restores the last run and shows the window. `arguments` are
    // the file names given on the command line.
    void Form_Load(const QStringList& arguments = {});
    // Shut-down: writes the whole state back and ends the program. When the
    // store refuses it, the user is asked, and the program keeps running
    // unless they choose to end it anyway.
    void Form_Unload();
    void Form_Resize();
    void SizeInMem_Click();
    void ExitNote_Click();
    void RightRet_Click() { m_views.RightRet_Click(); }

    TextView* Text1;
    TextView* Text2;
    AppState state;
    Views& views() { return m_views; }
    Workspace& workspace() { return m_ws; }
    PagesMenu pages;
    EditCommands edit;
    FontCommand font;
    SearchCommands search;
    FileCommands files;
    DropHandler drop;
    HousekeepingCommands housekeeping;

    // Outer window geometry in twips: the frame the window manager draws
    // included, both when read and when set.
    double outerLeft() const;
    double outerTop() const;
    double outerWidth() const;
    double outerHeight() const;
    void setOuterSize(double width, double height);
    void setOuterGeometry(double left, double top, double width, double height);
    void moveOuter(double left, double top);

    // The menu bar's items as the table lists them, for checking at a glance.
    struct MenuRow {
        int level;        // 0 = top-level menu, 1 = its item, 2 = item of a submenu
        const char* name; // objectName of the action or menu
        QString caption;  // "-" for a separator
        QKeySequence shortcut;
        std::function<void()> handler; // null for menus and separators
        bool checkable = false;
    };
    const std::vector<MenuRow>& menuTable() const { return m_table; }

    // Writes the state and, with `placement`, the window's state and place
    // (left out when the display is gone). The page on show is written only
    // when it holds edits of this program. False when the store refused it.
    bool writeState(bool placement = true);
    // The desktop session is ending: the state is written without ending
    // the program; a page the store refused goes to a recovery file.
    void sessionSave();
    // Shut-down with nobody to ask (a signal, the session's end, the display
    // gone): the state is written, a page the store refused goes to a
    // recovery file. Returns whether the store took everything; the caller
    // ends the process.
    bool endUnattended(bool placement = true);
    bool hasEnded() const { return m_unloaded; }
    IdleSave& idleSave() { return m_saver; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildMenus();
    void layoutViews();
    QMargins frameMargins() const;
    // Writes the page on show to a recovery file when it holds edits the
    // store does not have; says where on standard error. Returns the file.
    QString recover(const QString& path);
    void startupNotices();
    QRect outerPx() const;
    QRectF outerTwips() const;
    void placeOuter(const QRectF& twips);
    QRectF fittedOnScreen(const QRectF& twips) const;
    void keepOuterMinimum();
    void settleFrame();

    SettingsStore& m_store;
    Platform& m_platform;
    Views m_views;
    Workspace m_ws;
    IdleSave m_saver;
    std::vector<MenuRow> m_table;
    bool m_loaded = false;
    bool m_unloaded = false;
    bool m_inResize = false;

    // The window manager's frame as known before the window was first shown.
    QMargins m_expectedFrame;
    // The outer rectangle last given to the window, in twips as asked for and
    // in pixels as placed, with the frame it was placed with. While the window
    // stays there, its twips are the ones given, not a rounding of pixels.
    struct Placement {
        QRectF twips;
        QRect px;
        QMargins frame;
        bool valid = false;
    } m_placed;
    // Until then a frame other than the one placed with is made up for once.
    QDeadlineTimer m_settleFrameUntil;
};
