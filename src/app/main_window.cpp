#include "app/main_window.h"

#include "intake/intake.h"
#include "platform/long_work.h"
#include "session/recovery_file.h"
#include "session/shown_view_access.h"
#include "session/store_notices.h"
#include "store/keys.h"
#include "store/settings_store.h"
#include "store/values.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QThread>

namespace {

const QString DesignFontName = QStringLiteral("ＭＳ ゴシック");
constexpr double DesignFontSize = 12;

// Ends the program's event loop; with none running (a test driving the
// window) there is nothing to end, and no request is left behind.
void endEventLoop(int status) {
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(status);
}

} // namespace

MainWindow::MainWindow(SettingsStore& store, Platform& platform, const Settings& settings,
                       QWidget* parent)
    : QMainWindow(parent), m_store(store), m_platform(platform), m_wrappedView(new TextView),
      m_unwrappedView(new TextView), m_views(*m_wrappedView, *m_unwrappedView, m_state),
      m_history(PageHistory::pathBeside(store.path())),
      m_snapshots(m_views, m_state, store, m_history), m_ws{*this, m_views,  m_state,
                                                            store, platform, m_snapshots},
      pages(m_ws), edit(m_ws), font(m_ws), zoom(m_ws), status(m_ws), search(m_ws, pages),
      files(m_ws, settings.maxViewUnits), drop(m_ws, pages), housekeeping(m_ws), placement(*this),
      m_saver(m_ws, settings.idleSave) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Sorabun"));
    auto* host = new QWidget(this);
    host->setObjectName(QStringLiteral("viewHost"));
    m_wrappedView->setParent(host);
    m_unwrappedView->setParent(host);
    m_wrappedView->setObjectName(QStringLiteral("wrappedView"));
    m_unwrappedView->setObjectName(QStringLiteral("unwrappedView"));
    host->installEventFilter(this);
    exposeShownViewsOnly(*host);
    setCentralWidget(host);
    setTabOrder(m_wrappedView, m_unwrappedView);

    // The design face is kept by name and shown with an installed Japanese
    // fixed-width face.
    QFont::insertSubstitutions(DesignFontName,
                               {QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック"),
                                QStringLiteral("Noto Sans Mono CJK JP")});
    QFont design(DesignFontName);
    design.setPointSizeF(DesignFontSize);
    m_views.setFont(design);

    for (TextView* view : {m_wrappedView, m_unwrappedView}) {
        connect(view, &TextView::charTyped, this, [this](QChar c) { edit.charTyped(c); });
        connect(view, &TextView::filesDropped, this,
                [this](const QStringList& p) { drop.filesDropped(p); });
    }

    connect(&zoom, &ZoomCommands::zoomed, this, [this] { status.showZoom(); });

    buildMenus();
    m_views.setWordWrapItem(m_wordWrapItem);
    placement.keepOuterMinimum();
}

MainWindow::~MainWindow() = default;

// ---- size and layout ----------------------------------------------------------

void MainWindow::fitToSize() {
    if (isMinimized())
        return;
    placement.keepMinimum();
    layoutViews();
}

void MainWindow::layoutViews() {
    // Both views, the hidden one included, always get the same place and size.
    const QRect r = centralWidget()->rect();
    m_wrappedView->setGeometry(r);
    m_unwrappedView->setGeometry(r);
}

void MainWindow::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    placement.settleFrame();
    fitToSize();
}

void MainWindow::moveEvent(QMoveEvent* e) {
    QMainWindow::moveEvent(e);
    placement.settleFrame();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == centralWidget() && e->type() == QEvent::Resize)
        layoutViews();
    return QMainWindow::eventFilter(watched, e);
}

// ---- start-up -------------------------------------------------------------------

void MainWindow::start(const QStringList& arguments) {
    const SettingsStore& s = m_store;
    // 1-4: the window's size and place, as the window manager will frame it
    placement.prepare();
    const bool maximized = placement.restore(s);
    // 5: options
    m_state.ignoreCommandLine = values::integer(s.ReadSetting(keys::IgnoreCommandLine));
    m_state.singleFileToLastPage = values::integer(s.ReadSetting(keys::SingleFileToLastPage));
    m_state.fillBlankPages = values::integer(s.ReadSetting(keys::FillBlankPages));
    // 6: files named on the command line; a page filled from a file is
    // shown from the text just written, not read back out of the store
    m_store.setKeepLatest(true);
    CommandLineIntake(m_ws).run(arguments);
    if (m_endStatus) {
        // A signal ended the program in the distribution dialog.
        m_store.setKeepLatest(false);
        return;
    }
    // 7-16: the page, word wrap, caret and selection, font; the status bar
    // before the page is shown, so the window keeps its size around it
    status.restore();
    restoreViews();
    m_store.setKeepLatest(false);
    // 17: show
    m_loaded = true;
    placement.startSettling();
    if (maximized)
        showMaximized();
    else
        show();
    // Under Wayland the toolkit has framed the window within show(), telling
    // no event: the outer size is made right before anything is drawn.
    placement.settleFrame();
    m_views.visible().setFocus();
    startupNotices();
    // A snapshot the history refuses is told, once for each cause.
    m_history.setFailureHandler(this, [this](PageHistory::Failure failure) {
        if (!m_unloaded)
            m_platform.prompts.notice(notices::historyRefused(m_history.path(), failure));
    });
    m_saver.start();
}

void MainWindow::restoreViews() {
    const SettingsStore& s = m_store;
    // Both views keep the page as a string until the word-wrap switch below
    // shows one of them: the page's document is built once, in that view.
    m_wrappedView->setVisible(false);
    pages.showPage(keys::shownPage(s));
    // The check mark as stored, inverted: the switch inverts it back and
    // shows the matching view, carrying text and selection.
    m_wordWrapItem->setChecked(values::flag(s.ReadSetting(keys::WordWrap, QStringLiteral("-1"))));
    m_wordWrapItem->setChecked(!m_wordWrapItem->isChecked());
    toggleWordWrap();
    m_wrappedView->setSelStart(
        std::max(0, values::integer(s.ReadSetting(keys::SelectionStart, QStringLiteral("0")))));
    m_wrappedView->setSelLength(
        std::max(0, values::integer(s.ReadSetting(keys::SelectionLength, QStringLiteral("0")))));
    m_unwrappedView->setSelStart(m_wrappedView->selStart());
    m_unwrappedView->setSelLength(m_wrappedView->selLength());
    m_views.markStored(); // the page as the store holds it
    font.restore();
}

void MainWindow::startupNotices() {
    if (!m_store.isOpen())
        m_platform.prompts.notice(notices::noStore(m_store));
    else if (!m_store.keptAsidePath().isEmpty())
        m_platform.prompts.notice(notices::keptAside(m_store.keptAsidePath()));
    if (!m_history.keptAsidePath().isEmpty())
        m_platform.prompts.notice(notices::historyKeptAside(m_history.keptAsidePath()));
}

// ---- shut-down ----------------------------------------------------------------

bool MainWindow::writeState(bool withPlacement) {
    SettingsStore& s = m_store;
    SettingsStore::Batch batch(s);
    s.WriteSetting(keys::Page, QString::number(m_state.currentPage));
    s.WriteSetting(keys::WordWrap, values::flagText(m_wordWrapItem->isChecked()));
    status.write(s);
    TextView& v = m_views.visible();
    // Another instance may have written this page meanwhile: it is written
    // only with edits of this one. The display gone in the middle of long
    // work leaves a page half read or built: the store keeps what it held.
    const bool whole = !LongWork::running();
    const quint64 edits = m_views.edits();
    if (whole) {
        if (m_views.pageChanged())
            s.WriteSetting(keys::page(m_state.currentPage), v.text());
        s.WriteSetting(keys::SelectionStart, QString::number(v.selStart()));
        s.WriteSetting(keys::SelectionLength, QString::number(v.selLength()));
    }
    font.write(s);
    s.WriteSetting(keys::IgnoreCommandLine, QString::number(m_state.ignoreCommandLine));
    s.WriteSetting(keys::SingleFileToLastPage, QString::number(m_state.singleFileToLastPage));
    s.WriteSetting(keys::FillBlankPages, QString::number(m_state.fillBlankPages));
    if (withPlacement)
        placement.write(s);
    if (!batch.commit())
        return false;
    if (whole)
        m_views.markStored(edits);
    return true;
}

void MainWindow::shutDown() {
    if (m_unloaded || !m_loaded)
        return;
    m_saver.stop();
    if (writeState()) {
        m_unloaded = true;
        endEventLoop(0);
        return;
    }
    // The store refused: the page on show is kept in a file first, and the
    // user decides, knowing what is at stake.
    std::optional<QString> kept;
    if (m_views.pageChanged())
        kept = recovery::keepUnsaved(m_views, m_state.currentPage);
    if (m_platform.prompts.ask(notices::endRefused(m_store, kept))) {
        // The page stays on show: the file kept for the end is not needed.
        if (kept && !kept->isEmpty() && QFile::remove(*kept))
            QDir().rmdir(QFileInfo(*kept).absolutePath());
        m_saver.start();
        return;
    }
    m_unloaded = true;
    endEventLoop(0);
}

void MainWindow::sessionSave() {
    LongWork::afterWork(this, [this] {
        if (m_unloaded || !m_loaded)
            return;
        m_saver.stop();
        if (writeState())
            m_saver.placeWritten();
        else
            recovery::keepUnsaved(m_views, m_state.currentPage);
        m_saver.start();
    });
}

void MainWindow::requestEnd() {
    LongWork::afterWork(this, [this] {
        if (!m_endStatus)
            m_endStatus = endUnattended() ? 0 : 1;
        endEventLoop(*m_endStatus);
    });
}

bool MainWindow::endUnattended(bool withPlacement) {
    if (m_unloaded || !m_loaded)
        return true;
    m_saver.stop();
    m_unloaded = true;
    if (writeState(withPlacement))
        return true;
    recovery::keepUnsaved(m_views, m_state.currentPage);
    return false;
}

bool MainWindow::endOnExit(std::chrono::milliseconds limit) {
    const bool stored = endUnattended(false);
    // Taken before the work that is now abandoned began: whole texts.
    m_snapshots.handOver();
    m_history.retryRefused();
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const auto left = [&deadline] {
        return std::max(std::chrono::milliseconds(0),
                        std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now()));
    };
    const bool history = m_history.waitForBackground(left());
    return m_store.waitForBackground(left()) && history && stored;
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (LongWork::running()) {
        // Closed while a file is read or a page is built: the window closes
        // once the page is whole.
        e->ignore();
        LongWork::afterWork(this, [this] { close(); });
        return;
    }
    shutDown();
    // A shut-down the store refused, and the user chose to stay.
    if (m_unloaded || !m_loaded)
        e->accept();
    else
        e->ignore();
}
