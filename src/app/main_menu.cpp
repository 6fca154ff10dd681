#include "app/main_window.h"

#include <QActionGroup>
#include <QAnyStringView>
#include <QMenu>
#include <QMenuBar>

#include <iterator>

namespace {

using W = MainWindow&; // the window a handler runs on

enum class Kind {
    Item,  // a menu, a plain item or a separator
    Check, // an item with a check mark that its handler reads and sets itself
    Pages, // the nine page items: page1 to page9, captioned 1 to 9, Ctrl+F1 to Ctrl+F9
};

// One row of the menu bar: what the user sees, and what it runs.
struct MenuRow {
    int level;               // 0 = top-level menu, 1 = its item, 2 = item of a submenu
    const char* name;        // objectName of the menu or item
    const char16_t* caption; // "-" for a separator
    const char* shortcut = "";
    void (*handler)(W) = nullptr; // for a menu: runs as it opens
    Kind kind = Kind::Item;
};

// The whole menu bar, in menu order. A row opens a submenu when the row
// after it is one level deeper.
const MenuRow MenuBar[] = {
    {0, "menuFile", u"ファイル(&F)", "", [](W w) { w.pages.menuFile_Click(); }},
    {1, "EdiPage", u"編集ページ"},
    {2, "page", u"", "", nullptr, Kind::Pages},
    {1, "l1", u"-"},
    {1, "FileOut", u"ファイルに出力(&S)", "Ctrl+S", [](W w) { w.files.FileOut_Click(); }},
    {1, "TextIn", u"開く(&O)"},
    {2, "OpenText", u"現在のページに展開", "Ctrl+O", [](W w) { w.files.OpenText_Click(); }},
    {2, "IntoText", u"現在の位置に挿入", "", [](W w) { w.files.IntoText_Click(); }},
    {1, "l6", u"-"},
    {1, "PrintOut", u"印刷(&P)", "Ctrl+P", [](W w) { w.files.PrintOut_Click(); }},
    {1, "l5", u"-"},
    {1, "ExitNote", u"Sorabunの終了(&X)", "Ctrl+Q", [](W w) { w.ExitNote_Click(); }},

    {0, "MenuEdit", u"編集(&E)", "", [](W w) { w.edit.MenuEdit_Click(); }},
    {1, "undos", u"元に戻す(&U)", "", [](W w) { w.edit.undos_Click(); }},
    {1, "l3", u"-"},
    {1, "cut", u"切り取り(&X)", "", [](W w) { w.edit.cut_Click(); }},
    {1, "copy", u"コピー(&C)", "", [](W w) { w.edit.copy_Click(); }},
    {1, "PrintM", u"張り付け(&P)", "", [](W w) { w.edit.PrintM_Click(); }},
    {1, "Del", u"削除(&D)", "", [](W w) { w.edit.Del_Click(); }},
    {1, "clss", u"クリア(&L)", "", [](W w) { w.edit.clss_Click(); }},
    {1, "l4", u"-"},
    {1, "AllSel", u"すべて選択(&A)", "", [](W w) { w.edit.AllSel_Click(); }},
    {1, "ReSel", u"選択を解除(&R)", "", [](W w) { w.edit.ReSel_Click(); }},
    {1, "l7", u"-"},
    {1, "Clipcls", u"クリップボードをクリア", "", [](W w) { w.edit.Clipcls_Click(); }},

    {0, "MenuVisu", u"表示(&V)"},
    {1, "RightRet", u"右端で折り返す", "", [](W w) { w.RightRet_Click(); }, Kind::Check},
    {1, "FontSet", u"表示フォントの指定", "", [](W w) { w.font.FontSet_Click(); }},
    {1, "ComlineOP", u"コマンドランオプション(&C)", "",
     [](W w) { w.housekeeping.ComlineOP_Click(); }},
    {1, "SizeInMem", u"ウィンドウサイズをWindows付属のメモ帳とほぼ同じにする", "",
     [](W w) { w.SizeInMem_Click(); }},

    {0, "MenuKen", u"検索(&S)", "", [](W w) { w.search.MenuKen_Click(); }},
    {1, "Kens", u"検索(&S)", "", [](W w) { w.search.Kens_Click(); }},
    {1, "NextSerch", u"次を検索(&N)", "F3", [](W w) { w.search.NextSerch_Click(); }},
    {1, "Swap", u"置き換え", "", [](W w) { w.search.Swap_Click(); }},
    {1, "AllKens", u"全ページから検索(&A)...", "Ctrl+Shift+F",
     [](W w) { w.search.AllKens_Click(); }},

    {0, "SP", u"特殊"},
    {1, "PageHist", u"ページの履歴(&R)...", "", [](W w) { w.housekeeping.PageHist_Click(); }},
    {1, "l9", u"-"},
    {1, "Uninst", u"アンイストールの準備", "", [](W w) { w.housekeeping.Uninst_Click(); }},

    {0, "Menuhelp", u"ヘルプ(&H)"},
    {1, "VrInfo", u"バージョン情報(&V)", "", [](W w) { w.housekeeping.VrInfo_Click(); }},
    {1, "Help", u"ヘルプ[目次](&H)", "F1", [](W w) { w.housekeeping.Help_Click(); }},
    {1, "l8", u"-"},
    {1, "HP", u"公式ホームページ(&W)", "", [](W w) { w.housekeeping.HP_Click(); }},
};

QMenu* addMenu(W w, QMenu* parent, const MenuRow& row) {
    const QString caption = QString::fromUtf16(row.caption);
    QMenu* menu = parent ? parent->addMenu(caption) : w.menuBar()->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(row.name));
    menu->menuAction()->setObjectName(menu->objectName());
    if (row.handler)
        QObject::connect(menu, &QMenu::aboutToShow, &w, [&w, h = row.handler] { h(w); });
    return menu;
}

QAction* addItem(W w, QMenu& parent, const QString& name, const QString& caption,
                 const QKeySequence& shortcut) {
    QAction* action = caption == u"-" ? parent.addSeparator() : parent.addAction(caption);
    action->setObjectName(name);
    action->setParent(&w);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
        w.addAction(action); // shortcuts work before the menu is ever opened
    }
    return action;
}

void addRow(W w, QMenu& parent, const MenuRow& row) {
    QAction* action = addItem(
        w, parent, QString::fromLatin1(row.name), QString::fromUtf16(row.caption),
        QKeySequence::fromString(QString::fromLatin1(row.shortcut), QKeySequence::PortableText));
    action->setCheckable(row.kind == Kind::Check);
    if (row.kind == Kind::Check) {
        // The handler reads and sets the check mark itself: the toggle the
        // toolkit makes before it runs is undone.
        QObject::connect(action, &QAction::triggered, &w,
                         [action, &w, h = row.handler](bool checked) {
                             action->setChecked(!checked);
                             h(w);
                         });
    } else if (row.handler) {
        QObject::connect(action, &QAction::triggered, &w, [&w, h = row.handler] { h(w); });
    }
}

// One group moves the check mark; the page switch puts it where the page on
// show is.
void addPages(W w, QMenu& parent) {
    auto* group = new QActionGroup(&w);
    for (int n = 1; n <= 9; ++n) {
        QAction* action = addItem(w, parent, QStringLiteral("page%1").arg(n), QString::number(n),
                                  QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_F1 + n - 1)));
        action->setCheckable(true);
        action->setActionGroup(group);
        QObject::connect(action, &QAction::triggered, &w, [&w, n] { w.pages.page_Click(n); });
    }
}

} // namespace

void MainWindow::buildMenus() {
    QMenu* parents[3] = {};
    const std::size_t rows = std::size(MenuBar);
    for (std::size_t i = 0; i < rows; ++i) {
        const MenuRow& row = MenuBar[i];
        QMenu* parent = row.level > 0 ? parents[row.level - 1] : nullptr;
        if (row.level == 0 || (i + 1 < rows && MenuBar[i + 1].level > row.level))
            parents[row.level] = addMenu(*this, parent, row);
        else if (row.kind == Kind::Pages)
            addPages(*this, *parent);
        else
            addRow(*this, *parent, row);
    }
    handOutItems();
    m_rightRet->setChecked(true);
    m_sizeInMem->setEnabled(false);
}

// The classes that keep an item's state (check marks, enabling) get it by name.
void MainWindow::handOutItems() {
    auto item = [this](QAnyStringView name) {
        return findChild<QAction*>(name.toString(), Qt::FindDirectChildrenOnly);
    };
    for (int n = 1; n <= 9; ++n)
        pages.items[n - 1] = item(QStringLiteral("page%1").arg(n));
    edit.items = {.undos = item("undos"),
                  .cut = item("cut"),
                  .copy = item("copy"),
                  .PrintM = item("PrintM"),
                  .Del = item("Del"),
                  .clss = item("clss"),
                  .AllSel = item("AllSel"),
                  .ReSel = item("ReSel"),
                  .Clipcls = item("Clipcls")};
    search.NextSerch = item("NextSerch");
    m_rightRet = item("RightRet");
    m_sizeInMem = item("SizeInMem");
}
