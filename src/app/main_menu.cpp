#include "app/main_window.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include <iterator>

namespace {
using W = MainWindow&; // the window a handler runs on
} // namespace

// One row of the menu bar: what the user sees, what it runs, and who keeps
// the item's state (check mark, enabling), if anyone.
struct MainWindow::MenuRow {
    enum class Kind {
        Item,  // a menu, a plain item or a separator
        Check, // an item with a check mark that its handler reads and sets itself
        Pages, // the nine page items: page1 to page9, captioned 1 to 9, Ctrl+F1 to Ctrl+F9
    };
    int level;               // 0 = top-level menu, 1 = its item, 2 = item of a submenu
    const char* name;        // objectName of the menu or item
    const char16_t* caption; // "-" for a separator
    // One shortcut, or several apart by "; ": "Ctrl++; Ctrl+=".
    const char* shortcut = "";
    void (*handler)(W) = nullptr; // for a menu: runs as it opens
    Kind kind = Kind::Item;
    QAction*& (*owner)(W) = nullptr; // where the item is handed as it is built
};

namespace {
using Kind = MainWindow::MenuRow::Kind;
} // namespace

// The whole menu bar, in menu order. A row opens a submenu when the row
// after it is one level deeper.
const MainWindow::MenuRow MainWindow::menuRows[] = {
    {0, "fileMenu", u"ファイル(&F)", "", [](W w) { w.pages.relabelPages(); }},
    {1, "pagesMenu", u"編集ページ"},
    {2, "page", u"", "", nullptr, Kind::Pages},
    {1, "", u"-"},
    {1, "writeToFile", u"ファイルに出力(&S)", "Ctrl+S", [](W w) { w.files.writeToFile(); }},
    {1, "openMenu", u"開く(&O)"},
    {2, "openIntoPage", u"現在のページに展開", "Ctrl+O", [](W w) { w.files.openIntoPage(); }},
    {2, "insertFileAtCaret", u"現在の位置に挿入", "", [](W w) { w.files.insertFileAtCaret(); }},
    {1, "", u"-"},
    {1, "print", u"印刷(&P)", "Ctrl+P", [](W w) { w.files.print(); }},
    {1, "", u"-"},
    {1, "quit", u"Sorabunの終了(&X)", "Ctrl+Q", [](W w) { w.quit(); }},

    {0, "editMenu", u"編集(&E)", "", [](W w) { w.edit.updateItems(); }},
    {1, "undo", u"元に戻す(&U)", "", [](W w) { w.edit.undo(); }, Kind::Item,
     [](W w) -> QAction*& { return w.edit.items.undo; }},
    {1, "", u"-"},
    {1, "cut", u"切り取り(&X)", "", [](W w) { w.edit.cut(); }, Kind::Item,
     [](W w) -> QAction*& { return w.edit.items.cut; }},
    {1, "copy", u"コピー(&C)", "", [](W w) { w.edit.copy(); }, Kind::Item,
     [](W w) -> QAction*& { return w.edit.items.copy; }},
    {1, "paste", u"張り付け(&P)", "", [](W w) { w.edit.paste(); }, Kind::Item,
     [](W w) -> QAction*& { return w.edit.items.paste; }},
    {1, "deleteSelection", u"削除(&D)", "", [](W w) { w.edit.deleteSelection(); }, Kind::Item,
     [](W w) -> QAction*& { return w.edit.items.deleteSelection; }},
    {1, "clearPage", u"クリア(&L)", "", [](W w) { w.edit.clearPage(); }, Kind::Item,
     [](W w) -> QAction*& { return w.edit.items.clearPage; }},
    {1, "", u"-"},
    {1, "selectAll", u"すべて選択(&A)", "", [](W w) { w.edit.selectAll(); }, Kind::Item,
     [](W w) -> QAction*& { return w.edit.items.selectAll; }},
    {1, "deselect", u"選択を解除(&R)", "", [](W w) { w.edit.deselect(); }, Kind::Item,
     [](W w) -> QAction*& { return w.edit.items.deselect; }},
    {1, "", u"-"},
    {1, "clearClipboard", u"クリップボードをクリア", "", [](W w) { w.edit.clearClipboard(); },
     Kind::Item, [](W w) -> QAction*& { return w.edit.items.clearClipboard; }},

    {0, "viewMenu", u"表示(&V)"},
    {1, "wordWrap", u"右端で折り返す", "", [](W w) { w.toggleWordWrap(); }, Kind::Check,
     [](W w) -> QAction*& { return w.m_wordWrapItem; }},
    {1, "statusBar", u"ステータスバー(&S)", "", [](W w) { w.status.toggleStatusBar(); },
     Kind::Check, [](W w) -> QAction*& { return w.status.item; }},
    {1, "zoomMenu", u"ズーム(&Z)"},
    // Ctrl++ also as the keys give it: Ctrl+; on a Japanese keyboard (where
    // + is Shift+;), Ctrl+= on a US one (where + is Shift+=).
    {2, "zoomIn", u"拡大(&I)", "Ctrl++; Ctrl+;; Ctrl+=", [](W w) { w.zoom.zoomIn(); }},
    {2, "zoomOut", u"縮小(&O)", "Ctrl+-", [](W w) { w.zoom.zoomOut(); }},
    {2, "resetZoom", u"既定に戻す(&R)", "Ctrl+0", [](W w) { w.zoom.resetZoom(); }},
    {1, "chooseFont", u"表示フォントの指定", "", [](W w) { w.font.chooseFont(); }},
    {1, "commandLineOptions", u"コマンドランオプション(&C)", "",
     [](W w) { w.housekeeping.showOptions(); }},
    {1, "defaultSize", u"ウィンドウサイズをWindows付属のメモ帳とほぼ同じにする", "",
     [](W w) { w.useDefaultSize(); }, Kind::Item,
     [](W w) -> QAction*& { return w.m_defaultSizeItem; }},

    {0, "searchMenu", u"検索(&S)", "", [](W w) { w.search.updateItems(); }},
    {1, "find", u"検索(&S)", "", [](W w) { w.search.find(); }},
    {1, "findNext", u"次を検索(&N)", "F3", [](W w) { w.search.findNext(); }, Kind::Item,
     [](W w) -> QAction*& { return w.search.findNextItem; }},
    {1, "replace", u"置き換え", "", [](W w) { w.search.replace(); }},
    {1, "findInAllPages", u"全ページから検索(&A)...", "Ctrl+Shift+F",
     [](W w) { w.search.findInAllPages(); }},

    {0, "specialMenu", u"特殊"},
    {1, "pageHistory", u"ページの履歴(&R)...", "", [](W w) { w.housekeeping.showPageHistory(); }},
    {1, "", u"-"},
    {1, "prepareUninstall", u"アンイストールの準備", "",
     [](W w) { w.housekeeping.prepareUninstall(); }},

    {0, "helpMenu", u"ヘルプ(&H)"},
    {1, "showVersion", u"バージョン情報(&V)", "", [](W w) { w.housekeeping.showVersion(); }},
    {1, "showHelp", u"ヘルプ[目次](&H)", "F1", [](W w) { w.housekeeping.showHelp(); }},
    {1, "", u"-"},
    {1, "homePage", u"公式ホームページ(&W)", "", [](W w) { w.housekeeping.openHomePage(); }},
};

namespace {

using Row = MainWindow::MenuRow;

QMenu* addMenu(W w, QMenu* parent, const Row& row) {
    const QString caption = QString::fromUtf16(row.caption);
    QMenu* menu = parent ? parent->addMenu(caption) : w.menuBar()->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(row.name));
    menu->menuAction()->setObjectName(menu->objectName());
    if (row.handler)
        QObject::connect(menu, &QMenu::aboutToShow, &w, [&w, h = row.handler] { h(w); });
    return menu;
}

QAction* addItem(W w, QMenu& parent, const QString& name, const QString& caption,
                 const QList<QKeySequence>& shortcuts) {
    QAction* action = caption == u"-" ? parent.addSeparator() : parent.addAction(caption);
    action->setObjectName(name);
    action->setParent(&w);
    if (!shortcuts.value(0).isEmpty()) {
        action->setShortcuts(shortcuts);
        action->setShortcutContext(Qt::WindowShortcut);
        w.addAction(action); // shortcuts work before the menu is ever opened
    }
    return action;
}

void addRow(W w, QMenu& parent, const Row& row) {
    QAction* action =
        addItem(w, parent, QString::fromLatin1(row.name), QString::fromUtf16(row.caption),
                QKeySequence::listFromString(QString::fromLatin1(row.shortcut),
                                             QKeySequence::PortableText));
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
    if (row.owner)
        row.owner(w) = action;
}

// One group moves the check mark; the page switch puts it where the page on
// show is.
void addPages(W w, QMenu& parent) {
    auto* group = new QActionGroup(&w);
    for (int n = 1; n <= 9; ++n) {
        QAction* action = addItem(w, parent, QStringLiteral("page%1").arg(n), QString::number(n),
                                  {QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_F1 + n - 1))});
        action->setCheckable(true);
        action->setActionGroup(group);
        QObject::connect(action, &QAction::triggered, &w, [&w, n] { w.pages.switchToPage(n); });
        w.pages.items[n - 1] = action;
    }
}

} // namespace

void MainWindow::buildMenus() {
    QMenu* parents[3] = {};
    const std::size_t rows = std::size(menuRows);
    for (std::size_t i = 0; i < rows; ++i) {
        const MenuRow& row = menuRows[i];
        QMenu* parent = row.level > 0 ? parents[row.level - 1] : nullptr;
        if (row.level == 0 || (i + 1 < rows && menuRows[i + 1].level > row.level))
            parents[row.level] = addMenu(*this, parent, row);
        else if (row.kind == Kind::Pages)
            addPages(*this, *parent);
        else
            addRow(*this, *parent, row);
    }
    m_wordWrapItem->setChecked(true);
    m_defaultSizeItem->setEnabled(false);
}
