#include "session/store_notices.h"
#include "support/test_env.h"

#include <QAccessible>
#include <QAction>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
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
        QCOMPARE(PagesMenu::pageLabel(page, text), label);
    }

    void fileMenuLabelsComeFromTheStore() {
        TestEnv env;
        env.setPage(2, QStringLiteral("ab\r\ncd"));
        MainWindow& w = env.start();
        QCOMPARE(pageText(w, 2), QStringLiteral("2")); // until the menu is first opened
        w.views().wrappedView.replaceSelection(QStringLiteral("typed"));
        openMenu(&w, QStringLiteral("fileMenu"));
        QCOMPARE(pageText(w, 1), QStringLiteral(" 1 [空]")); // typing is not stored yet
        QCOMPARE(pageText(w, 2), QStringLiteral(" 2 [6文字]"));
        QCOMPARE(pageText(w, 9), QStringLiteral(" 9 [空]"));
        w.pages.switchToPage(3);
        openMenu(&w, QStringLiteral("fileMenu"));
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
            w.toggleWordWrap();
        TextView& visible = w.views().visible();
        visible.replaceSelection(QStringLiteral("edited on one"));
        w.workspace().state.undoAvailable = true;
        w.pages.switchToPage(5);
        QCOMPARE(env.page(1), QStringLiteral("edited on one"));
        QCOMPARE(w.workspace().state.currentPage, 5);
        QCOMPARE(w.windowTitle(), QStringLiteral("Sorabun - 5"));
        QCOMPARE(w.views().wrappedView.text(), QStringLiteral("page five\r\n"));
        QCOMPARE(w.views().unwrappedView.text(), QStringLiteral("page five\r\n"));
        QCOMPARE(&w.views().visible(), &visible); // wrap unchanged
        QCOMPARE(visible.selStart(), 0);
        QVERIFY(!w.workspace().state.undoAvailable);
        // Assistive tools find one text area, the view on show, named after the page.
        const auto areas = textAreas(QAccessible::queryAccessibleInterface(&w));
        QCOMPARE(areas.size(), 1);
        QCOMPARE(areas.first()->object(), &visible);
        QCOMPARE(areas.first()->text(QAccessible::Name), QStringLiteral("ページ 5"));
        w.pages.switchToPage(1);
        QCOMPARE(w.views().visible().text(), QStringLiteral("edited on one"));
    }

    void choosingThePageOnShowReloadsIt() {
        TestEnv env;
        env.setPage(1, QStringLiteral("hello"));
        MainWindow& w = env.start();
        w.views().wrappedView.setSelStart(1);
        w.views().wrappedView.setSelLength(3);
        w.workspace().state.undoAvailable = true;
        w.pages.switchToPage(1);
        QCOMPARE(w.views().wrappedView.text(), QStringLiteral("hello"));
        QCOMPARE(w.views().wrappedView.selStart(), 0);
        QCOMPARE(w.views().wrappedView.selLength(), 0);
        QVERIFY(!w.workspace().state.undoAvailable);
    }

    void shortcutsSwitchWithoutRelabelling() {
        TestEnv env;
        env.setPage(8, QStringLiteral("eight"));
        MainWindow& w = env.start();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w.views().wrappedView, Qt::Key_F8, Qt::ControlModifier);
        QCOMPARE(w.workspace().state.currentPage, 8);
        QCOMPARE(w.views().wrappedView.text(), QStringLiteral("eight"));
        QCOMPARE(pageText(w, 8), QStringLiteral("8"));
        QCOMPARE(pageText(w, 1), QStringLiteral("1"));
    }

    // What a user relies on in the menu bar: the six menus, the nine pages,
    // every shortcut on its one item, and within one menu no two items on
    // the same access key.
    void menusShortcutsAndAccessKeys() {
        TestEnv env;
        MainWindow& w = env.start();
        QStringList menus;
        for (QAction* top : w.menuBar()->actions())
            menus << top->text();
        QCOMPARE(menus, QStringList({QStringLiteral("ファイル(&F)"), QStringLiteral("編集(&E)"),
                                     QStringLiteral("表示(&V)"), QStringLiteral("検索(&S)"),
                                     QStringLiteral("特殊"), QStringLiteral("ヘルプ(&H)")}));
        QStringList pages;
        for (QAction* a : w.findChild<QMenu*>(QStringLiteral("pagesMenu"))->actions())
            pages << a->text();
        QCOMPARE(pages, QStringList({"1", "2", "3", "4", "5", "6", "7", "8", "9"}));

        QMap<QString, QString> expected = {{"Ctrl+S", "writeToFile"}, {"Ctrl+O", "openIntoPage"},
                                           {"Ctrl+P", "print"},       {"Ctrl+Q", "quit"},
                                           {"F3", "findNext"},        {"F1", "showHelp"}};
        expected.insert("Ctrl+Shift+F", "findInAllPages");
        // Zoom: Ctrl++ also as Japanese and US keyboards give it.
        for (const char* zoomIn : {"Ctrl++", "Ctrl+;", "Ctrl+="})
            expected.insert(zoomIn, "zoomIn");
        expected.insert("Ctrl+-", "zoomOut");
        expected.insert("Ctrl+0", "resetZoom");
        for (int n = 1; n <= 9; ++n)
            expected.insert(QStringLiteral("Ctrl+F%1").arg(n), QStringLiteral("page%1").arg(n));
        QMap<QString, QString> shortcuts;
        for (QMenu* menu : w.findChildren<QMenu*>()) {
            QStringList keys;
            for (QAction* a : menu->actions()) {
                const qsizetype amp = a->text().indexOf(u'&');
                if (amp >= 0)
                    keys << a->text().mid(amp + 1, 1).toUpper();
                for (const QKeySequence& key : a->shortcuts()) {
                    const QString shortcut = key.toString();
                    QVERIFY2(!shortcuts.contains(shortcut), qPrintable(shortcut));
                    shortcuts.insert(shortcut, a->objectName());
                }
            }
            QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), keys.size());
        }
        QCOMPARE(shortcuts, expected);

        QStringList view;
        for (QAction* a : w.findChild<QMenu*>(QStringLiteral("viewMenu"))->actions())
            view << a->text();
        QCOMPARE(view.mid(0, 3),
                 QStringList({QStringLiteral("右端で折り返す"),
                              QStringLiteral("ステータスバー(&S)"), QStringLiteral("ズーム(&Z)")}));
        QVERIFY(actionOf(&w, QStringLiteral("statusBar"))->isCheckable());
        QStringList zoom;
        for (QAction* a : w.findChild<QMenu*>(QStringLiteral("zoomMenu"))->actions())
            zoom << a->text();
        QCOMPARE(zoom, QStringList({QStringLiteral("拡大(&I)"), QStringLiteral("縮小(&O)"),
                                    QStringLiteral("既定に戻す(&R)")}));
    }

    // A notice that tells the user to use a menu item quotes it as the menu
    // spells it, so that it can be found there.
    void noticesQuoteMenuItemsAsSpelled_data() {
        QTest::addColumn<QString>("notice");
        TestEnv env;
        const QString file = QStringLiteral("/tmp/x");
        QTest::newRow("store kept aside") << notices::keptAside(file);
        QTest::newRow("history kept aside") << notices::historyKeptAside(file);
        QTest::newRow("no store") << notices::noStore(*env.store);
        QTest::newRow("switch refused") << notices::switchRefused(*env.store, 1);
        QTest::newRow("end refused") << notices::endRefused(*env.store, file);
    }
    void noticesQuoteMenuItemsAsSpelled() {
        QFETCH(QString, notice);
        TestEnv env;
        MainWindow& w = env.start();
        QStringList items;
        for (QAction* a : w.findChildren<QAction*>()) {
            QString caption = a->text();
            caption.remove(QRegularExpression(QStringLiteral("\\(&.\\)$"))).remove(u'&');
            items << caption;
        }
        const QRegularExpression quoted(QStringLiteral("「([^」]*)」"));
        int found = 0;
        for (const QRegularExpressionMatch& m : quoted.globalMatch(notice)) {
            QVERIFY2(items.contains(m.captured(1)), qPrintable(m.captured(1)));
            ++found;
        }
        QVERIFY(found > 0);
    }

    void exitNoteRunsTheShutDown() {
        TestEnv env;
        MainWindow& w = env.start();
        w.views().wrappedView.replaceSelection(QStringLiteral("kept"));
        triggerAction(&w, QStringLiteral("quit"));
        QCOMPARE(env.page(1), QStringLiteral("kept"));
        QCOMPARE(env.store->ReadSetting(QStringLiteral("Page")), QStringLiteral("1"));
    }
};

QTEST_MAIN(TestPages)
#include "tst_pages.moc"
