#include "app/main_window.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include <functional>
#include <vector>

namespace {

// One row of the menu bar: what the user sees, and what it runs.
struct MenuRow {
    int level;        // 0 = top-level menu, 1 = its item, 2 = item of a submenu
    const char* name; // objectName of the action or menu; null for a page item
    QString caption;  // "-" for a separator
    QKeySequence shortcut = {};
    std::function<void()> handler = nullptr; // null for menus and separators
    QAction** slot = nullptr;                // where the class that keeps the item's state gets it
    bool checkable = false;
};

QKeySequence ctrlF(int n) {
    return QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_F1 + n - 1));
}

MenuRow separator(const char* name) {
    return {1, name, QStringLiteral("-")};
}

} // namespace

// The whole menu bar, in menu order, from one table.
void MainWindow::buildMenus() {
    using K = QKeySequence;
    auto page = [this](int n) {
        return MenuRow{2,
                       nullptr,
                       QString::number(n),
                       ctrlF(n),
                       [this, n] { pages.page_Click(n); },
                       &pages.items[n - 1],
                       true};
    };
    const std::vector<MenuRow> table = {
        {0, "menuFile", QStringLiteral("ファイル(&F)"), {}, [this] { pages.menuFile_Click(); }},
        {1, "EdiPage", QStringLiteral("編集ページ")},
        page(1),
        page(2),
        page(3),
        page(4),
        page(5),
        page(6),
        page(7),
        page(8),
        page(9),
        separator("l1"),
        {1, "FileOut", QStringLiteral("ファイルに出力(&S)"), K(Qt::CTRL | Qt::Key_S),
         [this] { files.FileOut_Click(); }},
        {1, "TextIn", QStringLiteral("開く(&O)")},
        {2, "OpenText", QStringLiteral("現在のページに展開"), K(Qt::CTRL | Qt::Key_O),
         [this] { files.OpenText_Click(); }},
        {2, "IntoText", QStringLiteral("現在の位置に挿入"), {}, [this] { files.IntoText_Click(); }},
        separator("l6"),
        {1, "PrintOut", QStringLiteral("印刷(&P)"), K(Qt::CTRL | Qt::Key_P),
         [this] { files.PrintOut_Click(); }},
        separator("l5"),
        {1, "ExitNote", QStringLiteral("Sorabunの終了(&X)"), K(Qt::CTRL | Qt::Key_Q),
         [this] { ExitNote_Click(); }},
        {0, "MenuEdit", QStringLiteral("編集(&E)"), {}, [this] { edit.MenuEdit_Click(); }},
        {1,
         "undos",
         QStringLiteral("元に戻す(&U)"),
         {},
         [this] { edit.undos_Click(); },
         &edit.items.undos},
        separator("l3"),
        {1,
         "cut",
         QStringLiteral("切り取り(&X)"),
         {},
         [this] { edit.cut_Click(); },
         &edit.items.cut},
        {1,
         "copy",
         QStringLiteral("コピー(&C)"),
         {},
         [this] { edit.copy_Click(); },
         &edit.items.copy},
        {1,
         "PrintM",
         QStringLiteral("張り付け(&P)"),
         {},
         [this] { edit.PrintM_Click(); },
         &edit.items.PrintM},
        {1, "Del", QStringLiteral("削除(&D)"), {}, [this] { edit.Del_Click(); }, &edit.items.Del},
        {1,
         "clss",
         QStringLiteral("クリア(&L)"),
         {},
         [this] { edit.clss_Click(); },
         &edit.items.clss},
        separator("l4"),
        {1,
         "AllSel",
         QStringLiteral("すべて選択(&A)"),
         {},
         [this] { edit.AllSel_Click(); },
         &edit.items.AllSel},
        {1,
         "ReSel",
         QStringLiteral("選択を解除(&R)"),
         {},
         [this] { edit.ReSel_Click(); },
         &edit.items.ReSel},
        separator("l7"),
        {1,
         "Clipcls",
         QStringLiteral("クリップボードをクリア"),
         {},
         [this] { edit.Clipcls_Click(); },
         &edit.items.Clipcls},
        {0, "MenuVisu", QStringLiteral("表示(&V)")},
        {1,
         "RightRet",
         QStringLiteral("右端で折り返す"),
         {},
         [this] { RightRet_Click(); },
         &m_rightRet,
         true},
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
         [this] { SizeInMem_Click(); },
         &m_sizeInMem},
        {0, "MenuKen", QStringLiteral("検索(&S)"), {}, [this] { search.MenuKen_Click(); }},
        {1, "Kens", QStringLiteral("検索(&S)"), {}, [this] { search.Kens_Click(); }},
        {1, "NextSerch", QStringLiteral("次を検索(&N)"), K(Qt::Key_F3),
         [this] { search.NextSerch_Click(); }, &search.NextSerch},
        {1, "Swap", QStringLiteral("置き換え"), {}, [this] { search.Swap_Click(); }},
        {0, "SP", QStringLiteral("特殊")},
        {1,
         "Uninst",
         QStringLiteral("アンイストールの準備"),
         {},
         [this] { housekeeping.Uninst_Click(); }},
        {0, "Menuhelp", QStringLiteral("ヘルプ(&H)")},
        {1,
         "VrInfo",
         QStringLiteral("バージョン情報(&V)"),
         {},
         [this] { housekeeping.VrInfo_Click(); }},
        {1, "Help", QStringLiteral("ヘルプ[目次](&H)"), K(Qt::Key_F1),
         [this] { housekeeping.Help_Click(); }},
        separator("l8"),
        {1, "HP", QStringLiteral("公式ホームページ(&W)"), {}, [this] { housekeeping.HP_Click(); }},
    };

    // A row opens a submenu when the row after it is one level deeper.
    auto* pageGroup = new QActionGroup(this); // one page item checked at a time
    QMenu* parents[3] = {nullptr, nullptr, nullptr};
    int pageIndex = 0;
    for (size_t i = 0; i < table.size(); ++i) {
        const MenuRow& row = table[i];
        const bool opensMenu = i + 1 < table.size() && table[i + 1].level > row.level;
        const QString name =
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
        if (row.slot)
            *row.slot = action;
        if (!row.shortcut.isEmpty()) {
            action->setShortcut(row.shortcut);
            action->setShortcutContext(Qt::WindowShortcut);
            addAction(action); // shortcuts work before the menu is ever opened
        }
        action->setCheckable(row.checkable);
        if (!row.name) {
            // A page item: its group moves the check mark; the switch puts the
            // mark where the page on show is.
            action->setActionGroup(pageGroup);
            connect(action, &QAction::triggered, this, row.handler);
        } else if (row.checkable) {
            // The handler reads and sets the check mark itself: the toggle the
            // toolkit makes before it runs is undone.
            connect(action, &QAction::triggered, this, [action, h = row.handler](bool checked) {
                action->setChecked(!checked);
                h();
            });
        } else if (row.handler) {
            connect(action, &QAction::triggered, this, row.handler);
        }
    }
    m_rightRet->setChecked(true);
    m_sizeInMem->setEnabled(false);
}
