#include "app/main_window.h"

#include "editor/shown_view_access.h"
#include "intake/intake.h"
#include "platform/long_work.h"
#include "store/keys.h"
#include "store/settings_store.h"
#include "store/values.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
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

MainWindow::MainWindow(SettingsStore& store, Platform& platform, QWidget* parent)
    : QMainWindow(parent), Text1(new TextView), Text2(new TextView), m_store(store),
      m_platform(platform), m_views(*Text1, *Text2, state),
      m_history(PageHistory::pathBeside(store.path())),
      m_snapshots(m_views, state, store, m_history), m_ws{*this, m_views,  state,
                                                          store, platform, m_snapshots},
      pages(m_ws), edit(m_ws), font(m_ws), search(m_ws, pages), files(m_ws), drop(m_ws, pages),
      housekeeping(m_ws), placement(*this), m_saver(m_ws) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    auto* host = new QWidget(this);
    host->setObjectName(QStringLiteral("viewHost"));
    Text1->setParent(host);
    Text2->setParent(host);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text2->setObjectName(QStringLiteral("Text2"));
    host->installEventFilter(this);
    exposeShownViewsOnly(*host);
    setCentralWidget(host);
    setTabOrder(Text1, Text2);

    // The design face is kept by name and shown with an installed Japanese
    // fixed-width face.
    QFont::insertSubstitutions(DesignFontName,
                               {QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック"),
                                QStringLiteral("Noto Sans Mono CJK JP")});
    QFont design(DesignFontName);
    design.setPointSizeF(DesignFontSize);
    m_views.setFont(design);

    connect(Text1, &TextView::charTyped, this, [this](QChar c) { edit.Text1_KeyPress(c); });
    connect(Text2, &TextView::charTyped, this, [this](QChar c) { edit.Text2_KeyPress(c); });
    connect(Text1, &TextView::filesDropped, this,
            [this](const QStringList& p) { drop.Text1_OLEDragDrop(p); });
    connect(Text2, &TextView::filesDropped, this,
            [this](const QStringList& p) { drop.Text2_OLEDragDrop(p); });

    buildMenus();
    m_views.setRightRet(m_rightRet);
    placement.keepOuterMinimum();
}

MainWindow::~MainWindow() = default;

// ---- size and layout ----------------------------------------------------------

void MainWindow::Form_Resize() {
    if (isMinimized())
        return;
    placement.keepMinimum();
    layoutViews();
}

void MainWindow::layoutViews() {
    // Both views, the hidden one included, always get the same place and size.
    const QRect r = centralWidget()->rect();
    Text1->setGeometry(r);
    Text2->setGeometry(r);
}

void MainWindow::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    placement.settleFrame();
    Form_Resize();
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

void MainWindow::Form_Load(const QStringList& arguments) {
    const SettingsStore& s = m_store;
    // 1-4: the window's size and place, as the window manager will frame it
    placement.prepare();
    const bool maximized = placement.restore(s);
    // 5: options
    state.ComLine = values::integer(s.ReadSetting(keys::ComLine));
    state.NoeNumOP = values::integer(s.ReadSetting(keys::NoeNumOP));
    state.AutoOP = values::integer(s.ReadSetting(keys::AutoOP));
    // 6: files named on the command line; a page filled from a file is
    // shown from the text just written, not read back out of the store
    m_store.setKeepLatest(true);
    CommandLineIntake(m_ws).run(arguments);
    if (m_endStatus) {
        // A signal ended the program in the distribution dialog.
        m_store.setKeepLatest(false);
        return;
    }
    // 7-16: the page, word wrap, caret and selection, font
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
    m_saver.start();
}

void MainWindow::restoreViews() {
    const SettingsStore& s = m_store;
    // Both views keep the page as a string until the word-wrap switch below
    // shows one of them: the page's document is built once, in that view.
    Text1->setVisible(false);
    pages.ShowPage(keys::shownPage(s));
    // The check mark as stored, inverted: the switch inverts it back and
    // shows the matching view, carrying text and selection.
    m_rightRet->setChecked(values::flag(s.ReadSetting(keys::Ret, QStringLiteral("-1"))));
    m_rightRet->setChecked(!m_rightRet->isChecked());
    RightRet_Click();
    Text1->setSelStart(
        std::max(0, values::integer(s.ReadSetting(keys::SelStart, QStringLiteral("0")))));
    Text1->setSelLength(
        std::max(0, values::integer(s.ReadSetting(keys::SelLen, QStringLiteral("0")))));
    Text2->setSelStart(Text1->selStart());
    Text2->setSelLength(Text1->selLength());
    m_views.markStored(); // the page as the store holds it
    font.restore();
}

void MainWindow::startupNotices() {
    if (!m_store.isOpen())
        m_platform.prompts.notice(safekeeping::noStore(m_store));
    else if (!m_store.keptAsidePath().isEmpty())
        m_platform.prompts.notice(safekeeping::keptAside(m_store.keptAsidePath()));
    if (!m_history.keptAsidePath().isEmpty())
        m_platform.prompts.notice(safekeeping::historyKeptAside(m_history.keptAsidePath()));
}

// ---- shut-down ----------------------------------------------------------------

bool MainWindow::writeState(bool withPlacement) {
    SettingsStore& s = m_store;
    SettingsStore::Batch batch(s);
    s.WriteSetting(keys::Page, QString::number(state.CurrentPage));
    s.WriteSetting(keys::Ret, values::flagText(m_rightRet->isChecked()));
    TextView& v = m_views.visible();
    // Another instance may have written this page meanwhile: it is written
    // only with edits of this one. The display gone in the middle of long
    // work leaves a page half read or built: the store keeps what it held.
    const bool whole = !LongWork::running();
    const quint64 edits = m_views.edits();
    if (whole) {
        if (m_views.pageChanged())
            s.WriteSetting(keys::page(state.CurrentPage), v.text());
        s.WriteSetting(keys::SelStart, QString::number(v.selStart()));
        s.WriteSetting(keys::SelLen, QString::number(v.selLength()));
    }
    font.write(s);
    s.WriteSetting(keys::ComLine, QString::number(state.ComLine));
    s.WriteSetting(keys::NoeNumOP, QString::number(state.NoeNumOP));
    s.WriteSetting(keys::AutoOP, QString::number(state.AutoOP));
    if (withPlacement)
        placement.write(s);
    if (!batch.commit())
        return false;
    if (whole)
        m_views.markStored(edits);
    return true;
}

void MainWindow::Form_Unload() {
    if (m_unloaded || !m_loaded)
        return;
    m_saver.stop();
    if (writeState()) {
        m_unloaded = true;
        endEventLoop(0);
        return;
    }
    // The store refused: the user decides, knowing what is at stake.
    const QString file = safekeeping::recoveryPath(state.CurrentPage);
    if (m_platform.prompts.ask(
            safekeeping::endRefused(m_store, m_views.pageChanged() ? file : QString()))) {
        m_saver.start();
        return;
    }
    safekeeping::keepUnsaved(m_views, file);
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
            safekeeping::keepUnsaved(m_views, safekeeping::recoveryPath(state.CurrentPage));
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
    safekeeping::keepUnsaved(m_views, safekeeping::recoveryPath(state.CurrentPage));
    return false;
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (LongWork::running()) {
        // Closed while a file is read or a page is built: the window closes
        // once the page is whole.
        e->ignore();
        LongWork::afterWork(this, [this] { close(); });
        return;
    }
    Form_Unload();
    // A shut-down the store refused, and the user chose to stay.
    if (m_unloaded || !m_loaded)
        e->accept();
    else
        e->ignore();
}
