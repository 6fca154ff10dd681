#include "app/main_window.h"

#include "intake/intake.h"
#include "platform/twips.h"
#include "store/settings_store.h"
#include "store/values.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QThread>
#include <QWindow>

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
      m_views(*Text1, *Text2, state), m_ws{*this, m_views, state, store, platform} {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    auto* host = new QWidget(this);
    host->setObjectName(QStringLiteral("viewHost"));
    Text1->setParent(host);
    Text2->setParent(host);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text2->setObjectName(QStringLiteral("Text2"));
    host->installEventFilter(this);
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
    if (QWindow* w = windowHandle())
        return w->frameMargins();
    return QMargins();
}

double MainWindow::outerLeft() const {
    return twips::fromPx(frameGeometry().x(), this);
}
double MainWindow::outerTop() const {
    return twips::fromPx(frameGeometry().y(), this);
}
double MainWindow::outerWidth() const {
    return twips::fromPx(width() + frameMargins().left() + frameMargins().right(), this);
}
double MainWindow::outerHeight() const {
    return twips::fromPx(height() + frameMargins().top() + frameMargins().bottom(), this);
}

void MainWindow::setOuterSize(double w, double h) {
    const QMargins m = frameMargins();
    resize(std::max(1, twips::toPx(w, this) - m.left() - m.right()),
           std::max(1, twips::toPx(h, this) - m.top() - m.bottom()));
}

void MainWindow::moveOuter(double left, double top) {
    move(twips::toPx(left, this), twips::toPx(top, this)); // move() places the frame
}

void MainWindow::setOuterGeometry(double left, double top, double w, double h) {
    setOuterSize(w, h);
    moveOuter(left, top);
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
    Form_Resize();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == centralWidget() && e->type() == QEvent::Resize)
        layoutViews();
    return QMainWindow::eventFilter(watched, e);
}

// ---- start-up and shut-down -------------------------------------------------

void MainWindow::Form_Load(const QStringList& arguments) {
    SettingsStore& s = m_store;
    // With the native window made, its frame is known (where the platform
    // tells it this early), so outer sizes come out right.
    createWinId();
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
        // The numbers as stored, except that the window must come out on a
        // screen and no larger than the screens: a monitor may have gone.
        const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
        const double maxW = std::max(twips::fromPx(desktop.width(), this), MinWidth);
        const double maxH = std::max(twips::fromPx(desktop.height(), this), MinHeight);
        const double limit = 1e7;
        const double left =
            std::clamp(values::number(s.read(QStringLiteral("Left"))), -limit, limit);
        const double top = std::clamp(values::number(s.read(QStringLiteral("Top"))), -limit, limit);
        const double w =
            std::clamp(values::number(s.read(QStringLiteral("Width"))), MinWidth, maxW);
        const double h =
            std::clamp(values::number(s.read(QStringLiteral("Height"))), MinHeight, maxH);
        setOuterGeometry(left, top, w, h);
        if (!desktop.intersects(QRect(twips::toPx(left, this), twips::toPx(top, this),
                                      twips::toPx(w, this), twips::toPx(h, this)))) {
            SizeInMem_Click();
            centre();
        }
    }
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
    // Both views keep the page as a string until the word-wrap switch of step
    // 13 shows one of them: the page's document is built once, in that view.
    Text1->setVisible(false);
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
    if (maximized)
        showMaximized();
    else
        show();
    m_views.visible().setFocus();
}

void MainWindow::writeState() {
    SettingsStore& s = m_store;
    SettingsStore::Batch batch(s);
    s.write(QStringLiteral("Page"), QString::number(state.CurrentPage));
    QAction* rightRet = m_ws.action(QStringLiteral("RightRet"));
    s.write(QStringLiteral("Ret"), values::flagText(rightRet->isChecked()));
    TextView& v = m_views.visible();
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
    const int windowState = isMinimized() ? 1 : isMaximized() ? 2 : 0;
    s.write(QStringLiteral("Window"), QString::number(windowState));
    if (windowState == 1) {
        for (const char* key : {"Top", "Left", "Width", "Height"})
            s.write(QString::fromLatin1(key), QStringLiteral("0"));
    } else {
        s.write(QStringLiteral("Top"), values::numberText(std::round(outerTop())));
        s.write(QStringLiteral("Left"), values::numberText(std::round(outerLeft())));
        s.write(QStringLiteral("Width"), values::numberText(std::round(outerWidth())));
        s.write(QStringLiteral("Height"), values::numberText(std::round(outerHeight())));
    }
}

void MainWindow::Form_Unload() {
    if (m_unloaded || !m_loaded)
        return;
    m_unloaded = true;
    writeState();
    // Ends the program's event loop; with none running (a test driving the
    // window) there is nothing to end, and no request is left behind.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}

void MainWindow::ExitNote_Click() {
    close();
}

void MainWindow::closeEvent(QCloseEvent* e) {
    Form_Unload();
    e->accept();
}
