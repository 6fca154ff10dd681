#include "app/main_window.h"

#include "editor/shown_view_access.h"
#include "intake/intake.h"
#include "platform/twips.h"
#include "platform/window_frame.h"
#include "store/settings_store.h"
#include "store/values.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include <cstdio>

namespace {

constexpr double DefaultWidth = 11475;
constexpr double DefaultHeight = 8340;
constexpr double MinWidth = 5265;
constexpr double MinHeight = 2000;

const QString DesignFontName = QStringLiteral("ＭＳ ゴシック");
constexpr double DesignFontSize = 12;

QKeySequence ctrlF(int n) {
    return QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_F1 + n - 1));
}

} // namespace

MainWindow::MainWindow(SettingsStore& store, Platform& platform, QWidget* parent)
    : QMainWindow(parent), Text1(new TextView), Text2(new TextView), pages(m_ws), edit(m_ws),
      font(m_ws), search(m_ws), files(m_ws), drop(m_ws, pages), housekeeping(m_ws), m_store(store),
      m_platform(platform),
      m_views(*Text1, *Text2, state), m_ws{*this, m_views, state, store, platform}, m_saver(m_ws) {
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
    m_views.setRightRet(m_ws.action(QStringLiteral("RightRet")));
    const double d = twips::dpi(this);
    setMinimumSize(twips::toPx(MinWidth, d), twips::toPx(MinHeight, d));
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenus() {
    using K = QKeySequence;
    auto page = [this](int n) {
        return MenuRow{
            2, nullptr, QString::number(n), ctrlF(n), [this, n] { pages.page_Click(n); }, true};
    };
    m_table = {
        {0, "menuFile", QStringLiteral("ファイル(&F)"), {}, [this] { pages.menuFile_Click(); }},
        {1, "EdiPage", QStringLiteral("編集ページ"), {}, nullptr},
        page(1),
        page(2),
        page(3),
        page(4),
        page(5),
        page(6),
        page(7),
        page(8),
        page(9),
        {1, "l1", QStringLiteral("-"), {}, nullptr},
        {1, "FileOut", QStringLiteral("ファイルに出力(&S)"), K(Qt::CTRL | Qt::Key_S),
         [this] { files.FileOut_Click(); }},
        {1, "TextIn", QStringLiteral("開く(&O)"), {}, nullptr},
        {2, "OpenText", QStringLiteral("現在のページに展開"), K(Qt::CTRL | Qt::Key_O),
         [this] { files.OpenText_Click(); }},
        {2, "IntoText", QStringLiteral("現在の位置に挿入"), {}, [this] { files.IntoText_Click(); }},
        {1, "l6", QStringLiteral("-"), {}, nullptr},
        {1, "PrintOut", QStringLiteral("印刷(&P)"), K(Qt::CTRL | Qt::Key_P),
         [this] { files.PrintOut_Click(); }},
        {1, "l5", QStringLiteral("-"), {}, nullptr},
        {1, "ExitNote", QStringLiteral("Sorabunの終了(&X)"), K(Qt::CTRL | Qt::Key_Q),
         [this] { ExitNote_Click(); }},
        {0, "MenuEdit", QStringLiteral("編集(&E)"), {}, [this] { edit.MenuEdit_Click(); }},
        {1, "undos", QStringLiteral("元に戻す(&U)"), {}, [this] { edit.undos_Click(); }},
        {1, "l3", QStringLiteral("-"), {}, nullptr},
        {1, "cut", QStringLiteral("切り取り(&X)"), {}, [this] { edit.cut_Click(); }},
        {1, "copy", QStringLiteral("コピー(&C)"), {}, [this] { edit.copy_Click(); }},
        {1, "PrintM", QStringLiteral("張り付け(&P)"), {}, [this] { edit.PrintM_Click(); }},
        {1, "Del", QStringLiteral("削除(&D)"), {}, [this] { edit.Del_Click(); }},
        {1, "clss", QStringLiteral("クリア(&L)"), {}, [this] { edit.clss_Click(); }},
        {1, "l4", QStringLiteral("-"), {}, nullptr},
        {1, "AllSel", QStringLiteral("すべて選択(&A)"), {}, [this] { edit.AllSel_Click(); }},
        {1, "ReSel", QStringLiteral("選択を解除(&R)"), {}, [this] { edit.ReSel_Click(); }},
        {1, "l7", QStringLiteral("-"), {}, nullptr},
        {1,
         "Clipcls",
         QStringLiteral("クリップボードをクリア"),
         {},
         [this] { edit.Clipcls_Click(); }},
        {0, "MenuVisu", QStringLiteral("表示(&V)"), {}, nullptr},
        {1, "RightRet", QStringLiteral("右端で折り返す"), {}, [this] { RightRet_Click(); }, true},
        {1, "FontSet", QStringLiteral("表示フォントの指定"), {}, [this] { font.FontSet_Click(); }},
        {1,
         "ComlineOP",
         QStringLiteral("コマンドランオプション(&C)"),
         {},
         [this] { housekeeping.ComlineOP_Click(); }},
        {1,
         "SizeInMem",
         QStringLiteral("ウィンドウサイズをWindows付属のメモ帳とほぼ同じにする"),
         {},
         [this] { SizeInMem_Click(); }},
        {0, "MenuKen", QStringLiteral("検索(&S)"), {}, [this] { search.MenuKen_Click(); }},
        {1, "Kens", QStringLiteral("検索(&S)"), {}, [this] { search.Kens_Click(); }},
        {1, "NextSerch", QStringLiteral("次を検索(&N)"), K(Qt::Key_F3),
         [this] { search.NextSerch_Click(); }},
        {1, "Swap", QStringLiteral("置き換え"), {}, [this] { search.Swap_Click(); }},
        {0, "SP", QStringLiteral("特殊"), {}, nullptr},
        {1,
         "Uninst",
         QStringLiteral("アンイストールの準備"),
         {},
         [this] { housekeeping.Uninst_Click(); }},
        {0, "Menuhelp", QStringLiteral("ヘルプ(&H)"), {}, nullptr},
        {1,
         "VrInfo",
         QStringLiteral("バージョン情報(&V)"),
         {},
         [this] { housekeeping.VrInfo_Click(); }},
        {1, "Help", QStringLiteral("ヘルプ[目次](&H)"), K(Qt::Key_F1),
         [this] { housekeeping.Help_Click(); }},
        {1, "l8", QStringLiteral("-"), {}, nullptr},
        {1, "HP", QStringLiteral("公式ホームページ(&W)"), {}, [this] { housekeeping.HP_Click(); }},
    };

    // A row opens a submenu when the row after it is one level deeper.
    QMenu* parents[3] = {nullptr, nullptr, nullptr};
    int pageIndex = 0;
    for (size_t i = 0; i < m_table.size(); ++i) {
        MenuRow& row = m_table[i];
        const bool opensMenu = i + 1 < m_table.size() && m_table[i + 1].level > row.level;
        if (!row.name)
            row.name = nullptr;
        QString name =
            row.name ? QString::fromLatin1(row.name) : QStringLiteral("page%1").arg(++pageIndex);
        if (row.level == 0 || opensMenu) {
            QMenu* menu = row.level == 0 ? menuBar()->addMenu(row.caption)
                                         : parents[row.level - 1]->addMenu(row.caption);
            menu->setObjectName(name);
            menu->menuAction()->setObjectName(name);
            if (row.handler)
                connect(menu, &QMenu::aboutToShow, this, row.handler);
            parents[row.level] = menu;
            continue;
        }
        QMenu* parent = parents[row.level - 1];
        QAction* action =
            row.caption == u"-" ? parent->addSeparator() : parent->addAction(row.caption);
        action->setObjectName(name);
        action->setParent(this);
        if (!row.shortcut.isEmpty()) {
            action->setShortcut(row.shortcut);
            action->setShortcutContext(Qt::WindowShortcut);
            addAction(action); // shortcuts work before the menu is ever opened
        }
        if (row.checkable) {
            action->setCheckable(true);
            // The handlers read and set the check marks themselves: undo the
            // toggle the toolkit makes before they run.
            connect(action, &QAction::triggered, this, [action, h = row.handler](bool checked) {
                action->setChecked(!checked);
                h();
            });
        } else if (row.handler) {
            connect(action, &QAction::triggered, this, row.handler);
        }
    }
    m_ws.action(QStringLiteral("RightRet"))->setChecked(true);
    m_ws.action(QStringLiteral("SizeInMem"))->setEnabled(false);
}

// ---- geometry ---------------------------------------------------------------

QMargins MainWindow::frameMargins() const {
    if (const std::optional<QMargins> now = windowframe::current(windowHandle()))
        return *now;
    return m_expectedFrame;
}

QRect MainWindow::outerPx() const {
    return geometry().marginsAdded(frameMargins());
}

QRectF MainWindow::outerTwips() const {
    const QRect px = outerPx();
    // A side the window still has from the last placement keeps its twips.
    const bool same = m_placed.valid && m_placed.frame == frameMargins();
    auto side = [&](int now, int placed, double twips) {
        return same && now == placed ? twips : twips::fromPx(now, this);
    };
    return QRectF(side(px.x(), m_placed.px.x(), m_placed.twips.x()),
                  side(px.y(), m_placed.px.y(), m_placed.twips.y()),
                  side(px.width(), m_placed.px.width(), m_placed.twips.width()),
                  side(px.height(), m_placed.px.height(), m_placed.twips.height()));
}

double MainWindow::outerLeft() const {
    return outerTwips().x();
}
double MainWindow::outerTop() const {
    return outerTwips().y();
}
double MainWindow::outerWidth() const {
    return outerTwips().width();
}
double MainWindow::outerHeight() const {
    return outerTwips().height();
}

void MainWindow::placeOuter(const QRectF& t) {
    const QMargins m = frameMargins();
    const QRect px = twips::toPx(t.x(), t.y(), t.width(), t.height(), this);
    m_placed = {t, px, m, true};
    QRect inner = px.marginsRemoved(m);
    inner.setSize(inner.size().expandedTo(QSize(1, 1)));
    // The window itself is placed; the window manager puts its frame around
    // it, so the frame lands where the outer rectangle says.
    setGeometry(inner);
}

void MainWindow::setOuterSize(double w, double h) {
    const QRectF now = outerTwips();
    placeOuter(QRectF(now.x(), now.y(), w, h));
}

void MainWindow::moveOuter(double left, double top) {
    const QRectF now = outerTwips();
    placeOuter(QRectF(left, top, now.width(), now.height()));
}

void MainWindow::setOuterGeometry(double left, double top, double w, double h) {
    placeOuter(QRectF(left, top, w, h));
}

// Moved and, where it must be, shrunk onto the screen's free area (panels
// excluded); a rectangle that fits is returned as it is.
QRectF MainWindow::fittedOnScreen(const QRectF& t) const {
    const QRect px = twips::toPx(t.x(), t.y(), t.width(), t.height(), this);
    QScreen* screen = QGuiApplication::screenAt(px.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return t;
    const QRect free = screen->availableGeometry();
    if (free.contains(px))
        return t;
    const int w = std::min(px.width(), free.width());
    const int h = std::min(px.height(), free.height());
    const int x = std::clamp(px.x(), free.x(), free.x() + free.width() - w);
    const int y = std::clamp(px.y(), free.y(), free.y() + free.height() - h);
    auto side = [this](int now, int was, double twips) {
        return now == was ? twips : twips::fromPx(now, this);
    };
    return QRectF(side(x, px.x(), t.x()), side(y, px.y(), t.y()), side(w, px.width(), t.width()),
                  side(h, px.height(), t.height()));
}

// The smallest window is an outer size: the frame is taken off for the
// toolkit, which limits the inner size.
void MainWindow::keepOuterMinimum() {
    const QMargins m = frameMargins();
    setMinimumSize(std::max(1, twips::toPx(MinWidth, this) - m.left() - m.right()),
                   std::max(1, twips::toPx(MinHeight, this) - m.top() - m.bottom()));
}

// A window manager that does not tell the frame in advance frames the window
// only once it is shown: the placement is then made again with the real frame,
// once, so that the outer rectangle is the one asked for.
void MainWindow::settleFrame() {
    if (!m_placed.valid || m_settleFrameUntil.hasExpired() || !isVisible() ||
        windowState() != Qt::WindowNoState)
        return;
    const std::optional<QMargins> now = windowframe::current(windowHandle());
    if (!now || *now == m_placed.frame)
        return;
    m_settleFrameUntil = QDeadlineTimer(0);
    m_expectedFrame = *now;
    keepOuterMinimum();
    placeOuter(m_placed.twips);
}

void MainWindow::SizeInMem_Click() {
    setOuterSize(DefaultWidth, outerHeight());
    setOuterSize(outerWidth(), DefaultHeight);
}

void MainWindow::Form_Resize() {
    if (isMinimized() || m_inResize)
        return;
    // Height first, then width, as the nested resizes would do; the resizes
    // made here come back through this handler and are let pass.
    m_inResize = true;
    if (outerHeight() < MinHeight - 0.5)
        setOuterSize(outerWidth(), MinHeight);
    if (outerWidth() < MinWidth - 0.5)
        setOuterSize(MinWidth, outerHeight());
    m_inResize = false;
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
    settleFrame();
    Form_Resize();
}

void MainWindow::moveEvent(QMoveEvent* e) {
    QMainWindow::moveEvent(e);
    settleFrame();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == centralWidget() && e->type() == QEvent::Resize)
        layoutViews();
    return QMainWindow::eventFilter(watched, e);
}

// ---- start-up and shut-down -------------------------------------------------

void MainWindow::Form_Load(const QStringList& arguments) {
    SettingsStore& s = m_store;
    // With the native window made, the window manager can tell the frame it
    // will draw, so outer sizes come out right on the first showing.
    createWinId();
    m_expectedFrame = windowframe::expected(windowHandle()).value_or(QMargins());
    keepOuterMinimum();
    auto centre = [this] {
        const QPoint p = twips::centredOnScreen(outerWidth(), outerHeight(), this);
        moveOuter(p.x(), p.y());
    };
    // 1-4: size and place
    SizeInMem_Click();
    centre();
    bool maximized = false;
    if (values::number(s.read(QStringLiteral("Window"))) == 2) {
        maximized = true;
    } else if (values::number(s.read(QStringLiteral("Left"))) == 0) {
        SizeInMem_Click();
        centre();
    } else {
        // The numbers as stored, within what a screen could ever hold.
        const double limit = 1e7;
        auto stored = [&s](const char* key, double low, double high) {
            return std::clamp(values::number(s.read(QString::fromLatin1(key))), low, high);
        };
        setOuterGeometry(stored("Left", -limit, limit), stored("Top", -limit, limit),
                         stored("Width", MinWidth, limit), stored("Height", MinHeight, limit));
    }
    // Whatever was stored, the window comes out on the screen as it is now (a
    // monitor may have gone, the scale changed): moved, and shrunk if need be.
    const QRectF placed = outerTwips();
    const QRectF fitted = fittedOnScreen(placed);
    if (fitted != placed)
        placeOuter(fitted);
    // 5: options
    state.ComLine = values::integer(s.read(QStringLiteral("ComLine")));
    state.NoeNumOP = values::integer(s.read(QStringLiteral("NoeNumOP")));
    state.AutoOP = values::integer(s.read(QStringLiteral("AutoOP")));
    // 6: files named on the command line
    CommandLineIntake(m_ws).run(arguments);
    // 7-12: the page last shown
    int page = values::integer(s.read(QStringLiteral("Page"), QStringLiteral("1")));
    if (page < 1 || page > 9)
        page = 1; // only the program writes this key, and it writes 1 to 9
    state.CurrentPage = page;
    const QString text = s.read(PagesMenu::pageKey(page), QString());
    Text1->setText(text);
    pages.markPage(page);
    state.UndoAvailable = false;
    Text2->setText(text);
    // 13: word wrap
    QAction* rightRet = m_ws.action(QStringLiteral("RightRet"));
    rightRet->setChecked(values::flag(s.read(QStringLiteral("Ret"), QStringLiteral("-1"))));
    rightRet->setChecked(!rightRet->isChecked());
    RightRet_Click();
    // 14: caret and selection
    Text1->setSelStart(
        std::max(0, values::integer(s.read(QStringLiteral("SelStart"), QStringLiteral("0")))));
    Text1->setSelLength(
        std::max(0, values::integer(s.read(QStringLiteral("SelLen"), QStringLiteral("0")))));
    Text2->setSelStart(Text1->selStart());
    Text2->setSelLength(Text1->selLength());
    m_views.markStored(); // the page as the store holds it
    // 15-16: font and colour
    QFont f = Text1->font();
    if (!s.read(QStringLiteral("FontSize")).isEmpty()) {
        const double size = values::number(s.read(QStringLiteral("FontSize")));
        if (size > 0 && size <= 1638)
            f.setPointSizeF(size);
    }
    if (!s.read(QStringLiteral("FontName")).isEmpty())
        f.setFamily(s.read(QStringLiteral("FontName")));
    f.setBold(values::flag(s.read(QStringLiteral("FontBold"), QStringLiteral("0"))));
    f.setItalic(values::flag(s.read(QStringLiteral("FontI"), QStringLiteral("0"))));
    f.setStrikeOut(values::flag(s.read(QStringLiteral("FontS"), QStringLiteral("0"))));
    f.setUnderline(values::flag(s.read(QStringLiteral("FontU"), QStringLiteral("0"))));
    Text1->setFont(f);
    if (!s.read(QStringLiteral("FontC")).isEmpty())
        Text1->setColourValue(values::integer(s.read(QStringLiteral("FontC"))));
    Text2->setFont(Text1->font());
    Text2->setColourValue(Text1->colourValue());
    // 17: show
    m_loaded = true;
    m_settleFrameUntil = QDeadlineTimer(2000);
    if (maximized)
        showMaximized();
    else
        show();
    m_views.visible().setFocus();
    startupNotices();
    m_saver.start();
}

void MainWindow::startupNotices() {
    auto notice = [this](const QString& text) {
        m_platform.prompts.messageBox(text, QStringLiteral("Sorabun"), Prompts::Buttons::Ok,
                                      Prompts::Answer::Ok);
    };
    if (!m_store.isOpen())
        notice(safekeeping::noStore(m_store));
    else if (!m_store.keptAsidePath().isEmpty())
        notice(safekeeping::keptAside(m_store.keptAsidePath()));
}

bool MainWindow::writeState(bool placement) {
    SettingsStore& s = m_store;
    SettingsStore::Batch batch(s);
    s.write(QStringLiteral("Page"), QString::number(state.CurrentPage));
    QAction* rightRet = m_ws.action(QStringLiteral("RightRet"));
    s.write(QStringLiteral("Ret"), values::flagText(rightRet->isChecked()));
    TextView& v = m_views.visible();
    // Another instance may have written this page meanwhile: it is written
    // only with edits of this one.
    const quint64 edits = m_views.edits();
    if (m_views.pageChanged())
        s.write(PagesMenu::pageKey(state.CurrentPage), v.text());
    s.write(QStringLiteral("SelStart"), QString::number(v.selStart()));
    s.write(QStringLiteral("SelLen"), QString::number(v.selLength()));
    const QFont f = Text1->font();
    s.write(QStringLiteral("FontSize"), values::numberText(f.pointSizeF()));
    s.write(QStringLiteral("FontName"), f.family());
    s.write(QStringLiteral("FontBold"), values::flagText(f.bold()));
    s.write(QStringLiteral("FontI"), values::flagText(f.italic()));
    s.write(QStringLiteral("FontS"), values::flagText(f.strikeOut()));
    s.write(QStringLiteral("FontU"), values::flagText(f.underline()));
    s.write(QStringLiteral("FontC"), QString::number(Text1->colourValue()));
    s.write(QStringLiteral("ComLine"), QString::number(state.ComLine));
    s.write(QStringLiteral("NoeNumOP"), QString::number(state.NoeNumOP));
    s.write(QStringLiteral("AutoOP"), QString::number(state.AutoOP));
    if (placement) {
        const int windowState = isMinimized() ? 1 : isMaximized() ? 2 : 0;
        s.write(QStringLiteral("Window"), QString::number(windowState));
        if (windowState == 1) {
            for (const char* key : {"Top", "Left", "Width", "Height"})
                s.write(QString::fromLatin1(key), QStringLiteral("0"));
        } else {
            const QRectF outer = outerTwips();
            s.write(QStringLiteral("Top"), values::numberText(std::round(outer.y())));
            s.write(QStringLiteral("Left"), values::numberText(std::round(outer.x())));
            s.write(QStringLiteral("Width"), values::numberText(std::round(outer.width())));
            s.write(QStringLiteral("Height"), values::numberText(std::round(outer.height())));
        }
    }
    if (!batch.commit())
        return false;
    m_views.markStored(edits);
    return true;
}

namespace {
// Ends the program's event loop; with none running (a test driving the
// window) there is nothing to end, and no request is left behind.
void endEventLoop(int status) {
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(status);
}
} // namespace

QString MainWindow::recover(const QString& path) {
    if (!m_views.pageChanged())
        return QString();
    const QByteArray where = QFile::encodeName(QDir::toNativeSeparators(path));
    if (safekeeping::writeRecovery(path, m_views.visible().text())) {
        std::fprintf(stderr, "sorabun: the store refused the page on show; it was written to %s\n",
                     where.constData());
        return path;
    }
    std::fprintf(stderr,
                 "sorabun: the store refused the page on show, and %s could not be written\n",
                 where.constData());
    return QString();
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
    const QString question =
        QStringLiteral("メモを保存できなかったため、終了していません。\r\n") +
        safekeeping::failureDetail(m_store, m_store.failure()) +
        QStringLiteral("\r\nはい＝終了しないで戻る（「ファイルに出力」でページを書き出すか、"
                       "原因を取り除いてからもう一度終了してください）\r\n"
                       "いいえ＝保存せずに終了する") +
        (m_views.pageChanged() ? QStringLiteral("（表示中のページは次のファイルに残します: ") +
                                     QDir::toNativeSeparators(file) + QStringLiteral("）")
                               : QString());
    if (m_platform.prompts.messageBox(question, QStringLiteral("Sorabun"), Prompts::Buttons::YesNo,
                                      Prompts::Answer::Yes) == Prompts::Answer::Yes) {
        m_saver.start();
        return;
    }
    recover(file);
    m_unloaded = true;
    endEventLoop(0);
}

void MainWindow::sessionSave() {
    if (m_unloaded || !m_loaded)
        return;
    m_saver.stop();
    if (writeState())
        m_saver.placeWritten();
    else
        recover(safekeeping::recoveryPath(state.CurrentPage));
    m_saver.start();
}

bool MainWindow::endUnattended(bool placement) {
    if (m_unloaded || !m_loaded)
        return true;
    m_saver.stop();
    m_unloaded = true;
    if (writeState(placement))
        return true;
    recover(safekeeping::recoveryPath(state.CurrentPage));
    return false;
}

void MainWindow::ExitNote_Click() {
    close();
}

void MainWindow::closeEvent(QCloseEvent* e) {
    Form_Unload();
    // A shut-down the store refused, and the user chose to stay.
    if (m_unloaded || !m_loaded)
        e->accept();
    else
        e->ignore();
}
