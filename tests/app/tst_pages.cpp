#include "support/test_env.h"

#include <QAccessible>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QTest>

namespace {
QString pageText(MainWindow& w, int n) {
    return actionOf(&w, QStringLiteral("page%1").arg(n))->text();
}
// The text areas a screen reader finds when it walks the window's tree.
QList<QAccessibleInterface*> textAreas(QAccessibleInterface* node) {
    QList<QAccessibleInterface*> found;
    if (node->role() == QAccessible::EditableText)
        found << node;
    for (int i = 0; i < node->childCount(); ++i)
        found << textAreas(node->child(i));
    return found;
}
} // namespace

class TestPages : public QObject {
    Q_OBJECT
private slots:
    void pageLabel_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("label");
        QTest::newRow("blank") << 4 << QString() << QStringLiteral(" 4 [空]");
        QTest::newRow("CR LF counts two")
            << 2 << QStringLiteral("ab\r\ncd") << QStringLiteral(" 2 [6文字]");
        QTest::newRow("one space is not blank")
            << 7 << QStringLiteral(" ") << QStringLiteral(" 7 [1文字]");
        QTest::newRow("surrogate pair counts two")
            << 1 << QString::fromUtf8("😀") << QStringLiteral(" 1 [2文字]");
    }
    void pageLabel() {
        QFETCH(int, page);
        QFETCH(QString, text);
        QFETCH(QString, label);
        QCOMPARE(PagesMenu::PageLabel(page, text), label);
    }

    void fileMenuLabelsComeFromTheStore() {
        TestEnv env;
        env.setPage(2, QStringLiteral("ab\r\ncd"));
        MainWindow& w = env.start();
        QCOMPARE(pageText(w, 2), QStringLiteral("2")); // until the menu is first opened
        w.Text1->replaceSelection(QStringLiteral("typed"));
        openMenu(&w, QStringLiteral("menuFile"));
        QCOMPARE(pageText(w, 1), QStringLiteral(" 1 [空]")); // typing is not stored yet
        QCOMPARE(pageText(w, 2), QStringLiteral(" 2 [6文字]"));
        QCOMPARE(pageText(w, 9), QStringLiteral(" 9 [空]"));
        w.pages.page_Click(3);
        openMenu(&w, QStringLiteral("menuFile"));
        QCOMPARE(pageText(w, 1), QStringLiteral(" 1 [5文字]"));
        QVERIFY(actionOf(&w, QStringLiteral("page3"))->isChecked());
        QVERIFY(!actionOf(&w, QStringLiteral("page1"))->isChecked());
    }

    void switchingStoresAndShows_data() {
        QTest::addColumn<bool>("wrap");
        QTest::newRow("wrap on") << true;
        QTest::newRow("wrap off") << false;
    }
    void switchingStoresAndShows() {
        QFETCH(bool, wrap);
        TestEnv env;
        env.setPage(5, QStringLiteral("page five\r\n"));
        MainWindow& w = env.start();
        if (!wrap)
            w.RightRet_Click();
        TextView& visible = w.views().visible();
        visible.replaceSelection(QStringLiteral("edited on one"));
        w.state.UndoAvailable = true;
        w.pages.page_Click(5);
        QCOMPARE(env.page(1), QStringLiteral("edited on one"));
        QCOMPARE(w.state.CurrentPage, 5);
        QCOMPARE(w.windowTitle(), QStringLiteral("Sorabun - 5"));
        QCOMPARE(w.Text1->text(), QStringLiteral("page five\r\n"));
        QCOMPARE(w.Text2->text(), QStringLiteral("page five\r\n"));
        QCOMPARE(&w.views().visible(), &visible); // wrap unchanged
        QCOMPARE(visible.selStart(), 0);
        QVERIFY(!w.state.UndoAvailable);
        // Assistive tools find one text area, the view on show, named after the page.
        const auto areas = textAreas(QAccessible::queryAccessibleInterface(&w));
        QCOMPARE(areas.size(), 1);
        QCOMPARE(areas.first()->object(), &visible);
        QCOMPARE(areas.first()->text(QAccessible::Name), QStringLiteral("ページ 5"));
        w.pages.page_Click(1);
        QCOMPARE(w.views().visible().text(), QStringLiteral("edited on one"));
    }

    void choosingThePageOnShowReloadsIt() {
        TestEnv env;
        env.setPage(1, QStringLiteral("hello"));
        MainWindow& w = env.start();
        w.Text1->setSelStart(1);
        w.Text1->setSelLength(3);
        w.state.UndoAvailable = true;
        w.pages.page_Click(1);
        QCOMPARE(w.Text1->text(), QStringLiteral("hello"));
        QCOMPARE(w.Text1->selStart(), 0);
        QCOMPARE(w.Text1->selLength(), 0);
        QVERIFY(!w.state.UndoAvailable);
    }

    void shortcutsSwitchWithoutRelabelling() {
        TestEnv env;
        env.setPage(8, QStringLiteral("eight"));
        MainWindow& w = env.start();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(w.Text1, Qt::Key_F8, Qt::ControlModifier);
        QCOMPARE(w.state.CurrentPage, 8);
        QCOMPARE(w.Text1->text(), QStringLiteral("eight"));
        QCOMPARE(pageText(w, 8), QStringLiteral("8"));
        QCOMPARE(pageText(w, 1), QStringLiteral("1"));
    }

    void menuBarFollowsTheTable() {
        TestEnv env;
        MainWindow& w = env.start();
        // name, caption, shortcut; "-" a separator; ">" opens a submenu
        const QList<QStringList> expected = {
            {"menuFile", "ファイル(&F)", ""},
            {"EdiPage", "編集ページ", ""},
            {"page1", "1", "Ctrl+F1"},
            {"page2", "2", "Ctrl+F2"},
            {"page3", "3", "Ctrl+F3"},
            {"page4", "4", "Ctrl+F4"},
            {"page5", "5", "Ctrl+F5"},
            {"page6", "6", "Ctrl+F6"},
            {"page7", "7", "Ctrl+F7"},
            {"page8", "8", "Ctrl+F8"},
            {"page9", "9", "Ctrl+F9"},
            {"l1", "-", ""},
            {"FileOut", "ファイルに出力(&S)", "Ctrl+S"},
            {"TextIn", "開く(&O)", ""},
            {"OpenText", "現在のページに展開", "Ctrl+O"},
            {"IntoText", "現在の位置に挿入", ""},
            {"l6", "-", ""},
            {"PrintOut", "印刷(&P)", "Ctrl+P"},
            {"l5", "-", ""},
            {"ExitNote", "Sorabunの終了(&X)", "Ctrl+Q"},
            {"MenuEdit", "編集(&E)", ""},
            {"undos", "元に戻す(&U)", ""},
            {"l3", "-", ""},
            {"cut", "切り取り(&X)", ""},
            {"copy", "コピー(&C)", ""},
            {"PrintM", "張り付け(&P)", ""},
            {"Del", "削除(&D)", ""},
            {"clss", "クリア(&L)", ""},
            {"l4", "-", ""},
            {"AllSel", "すべて選択(&A)", ""},
            {"ReSel", "選択を解除(&R)", ""},
            {"l7", "-", ""},
            {"Clipcls", "クリップボードをクリア", ""},
            {"MenuVisu", "表示(&V)", ""},
            {"RightRet", "右端で折り返す", ""},
            {"FontSet", "表示フォントの指定", ""},
            {"ComlineOP", "コマンドランオプション(&C)", ""},
            {"SizeInMem", "ウィンドウサイズをWindows付属のメモ帳とほぼ同じにする", ""},
            {"MenuKen", "検索(&S)", ""},
            {"Kens", "検索(&S)", ""},
            {"NextSerch", "次を検索(&N)", "F3"},
            {"Swap", "置き換え", ""},
            {"SP", "特殊", ""},
            {"Uninst", "アンイストールの準備", ""},
            {"Menuhelp", "ヘルプ(&H)", ""},
            {"VrInfo", "バージョン情報(&V)", ""},
            {"Help", "ヘルプ[目次](&H)", "F1"},
            {"l8", "-", ""},
            {"HP", "公式ホームページ(&W)", ""},
        };
        QList<QStringList> actual;
        std::function<void(QMenu*)> walk = [&](QMenu* menu) {
            for (QAction* a : menu->actions()) {
                actual.append({a->objectName(), a->isSeparator() ? QStringLiteral("-") : a->text(),
                               a->shortcut().toString()});
                if (a->menu())
                    walk(a->menu());
            }
        };
        for (QAction* top : w.menuBar()->actions()) {
            actual.append({top->objectName(), top->text(), QString()});
            walk(top->menu());
        }
        QCOMPARE(actual.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(actual[i], expected[i]);
        QVERIFY(actionOf(&w, QStringLiteral("RightRet"))->isCheckable());

        // What a user relies on: within one menu no two items answer to the
        // same access key, and no two items of the window to the same shortcut.
        QStringList shortcuts;
        for (QMenu* menu : w.findChildren<QMenu*>()) {
            QStringList keys;
            for (QAction* a : menu->actions()) {
                const qsizetype amp = a->text().indexOf(u'&');
                if (amp >= 0)
                    keys << a->text().mid(amp + 1, 1).toUpper();
                if (!a->shortcut().isEmpty())
                    shortcuts << a->shortcut().toString();
            }
            QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), keys.size());
        }
        QCOMPARE(QSet<QString>(shortcuts.begin(), shortcuts.end()).size(), shortcuts.size());
    }

    void exitNoteRunsTheShutDown() {
        TestEnv env;
        MainWindow& w = env.start();
        w.Text1->replaceSelection(QStringLiteral("kept"));
        triggerAction(&w, QStringLiteral("ExitNote"));
        QCOMPARE(env.page(1), QStringLiteral("kept"));
        QCOMPARE(env.store->ReadSetting(QStringLiteral("Page")), QStringLiteral("1"));
    }
};

QTEST_MAIN(TestPages)
#include "tst_pages.moc"
