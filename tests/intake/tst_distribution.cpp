#include "editor/textview.h"
#include "files/text_file.h"
#include "intake/argument_split.h"
#include "intake/distribution_dialog.h"
#include "intake/preview_window.h"
#include "platform/twips.h"
#include "session/store_notices.h"
#include "support/modal_driver.h"
#include "support/test_env.h"

#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

// The distribution dialog and its preview window, built directly on a real
// store with real files; no main window is needed.

namespace {

QStringList shownOf(const QList<ListedFile>& entries) {
    QStringList out;
    for (const ListedFile& e : entries)
        out << e.shown;
    return out;
}
QStringList namesOf(const QList<ListedFile>& entries) {
    QStringList out;
    for (const ListedFile& e : entries)
        out << e.name;
    return out;
}
QStringList listed(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

struct Env : TestEnv {
    Env() : dialog(*store, prompts) {}
    // Fills the dialog with these names as the system hands them over.
    void offer(const QStringList& names) { dialog.setFileNames(names); }
    QString file(const char* name, const QByteArray& bytes) {
        return writeFile(QString::fromUtf8(name), bytes);
    }
    DistributionDialog dialog;
};

// The same rectangle as the design gives in twips, except that a label may
// have grown about its middle line to hold its font.
bool placedAt(const QWidget* w, double l, double t, double wd, double h) {
    const QRect design = twips::toPx(l, t, wd, h, w);
    const QRect r = w->geometry();
    if (r.x() != design.x() || r.width() != design.width() || r.height() < design.height())
        return false;
    if (r.height() == design.height())
        return r.y() == design.y();
    return std::abs((r.y() + r.height() / 2) - (design.y() + design.height() / 2)) <= 1;
}

} // namespace

class TestDistribution : public QObject {
    Q_OBJECT

private slots:
    // Names already split by the system: one entry each, spaces and all.
    void namesAsHandedOver() {
        const QList<ListedFile> entries =
            listArguments({QStringLiteral("/tmp/My Memo.TXT"), QString(), QStringLiteral("b")});
        QCOMPARE(shownOf(entries), (QStringList{"/tmp/my memo.txt", "", "b"}));
        QCOMPARE(namesOf(entries), (QStringList{"/tmp/My Memo.TXT", "", "b"}));
    }

    void layout() {
        Env env;
        DistributionDialog& d = env.dialog;
        QCOMPARE(d.objectName(), QStringLiteral("DistributionDialog"));
        QCOMPARE(d.windowTitle(), QStringLiteral("展開先選択"));
        QCOMPARE(d.size(), QSize(twips::toPx(6585, &d), twips::toPx(2355, &d)));
        QCOMPARE(d.minimumSize(), d.maximumSize()); // not resizable
        QVERIFY(!(d.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(d.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(d.windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(d.controls().argumentCarrier->isHidden());
        QCOMPARE(d.controls().targetCaption->text(), QStringLiteral("転送先"));
        QCOMPARE(d.controls().transferButton->text(), QStringLiteral("転送"));
        QCOMPARE(d.controls().closeButton->text(), QStringLiteral("閉じる"));
        QCOMPARE(d.controls().previewButton->text(), QStringLiteral("表示"));
        QVERIFY(placedAt(d.controls().fileList, 60, 270, 6465, 960));
        QVERIFY(placedAt(d.controls().fileLine, 90, 1290, 6465, 285));
        QVERIFY(placedAt(d.controls().targetCaption, 90, 1710, 615, 195));
        QVERIFY(placedAt(d.controls().targetPage, 780, 1680, 705, 300));
        QVERIFY(placedAt(d.controls().pageLine, 90, 2010, 1575, 165));
        QVERIFY(placedAt(d.controls().transferButton, 5340, 1710, 1155, 255));
        QVERIFY(placedAt(d.controls().closeButton, 5340, 2010, 1155, 285));
        QVERIFY(placedAt(d.controls().previewButton, 1530, 1710, 1035, 285));
        // Every label holds a whole line of its font.
        for (QLabel* l : {d.controls().fileLine, d.controls().targetCaption, d.controls().pageLine})
            QVERIFY(l->height() >= l->fontMetrics().height());

        // Tab order: the list, the page choice, then the three buttons.
        QList<QWidget*> order;
        QWidget* w = d.controls().fileList;
        do {
            if (w->focusPolicy() & Qt::TabFocus)
                order << w;
            w = w->nextInFocusChain();
        } while (w != d.controls().fileList);
        QCOMPARE(order, (QList<QWidget*>{d.controls().fileList, d.controls().targetPage,
                                         d.controls().transferButton, d.controls().closeButton,
                                         d.controls().previewButton}));

        QStringList pages;
        for (int i = 0; i < d.controls().targetPage->count(); ++i)
            pages << d.controls().targetPage->itemText(i);
        QCOMPARE(pages, (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    }

    // A file name is never read as markup in the file line.
    void fileLineIsPlainText() {
        Env env;
        env.offer({QStringLiteral("<b>x</b>.txt")});
        QCOMPARE(env.dialog.controls().fileLine->text(), QStringLiteral("<b>x</b>.txt"));
        QCOMPARE(env.dialog.controls().fileLine->textFormat(), Qt::PlainText);
    }

    // The page line tells what the target page holds, and follows the choice.
    void pageLine_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("line");
        QTest::newRow("page 1, blank at opening") << 0 << ""
                                                  << " 1 [空]";
        QTest::newRow("page 4 with text") << 3 << "abc\r\nd"
                                          << " 4 [6文字]";
        QTest::newRow("page 9 blank") << 8 << ""
                                      << " 9 [空]";
        QTest::newRow("page 2 of one surrogate pair") << 1 << "😀"
                                                      << " 2 [2文字]";
    }
    void pageLine() {
        QFETCH(int, index);
        QFETCH(QString, stored);
        QFETCH(QString, line);
        Env env;
        env.setPage(index + 1, stored);
        env.dialog.showTargetLabel(); // the store changed after the dialog opened
        env.dialog.controls().targetPage->setCurrentIndex(index);
        QCOMPARE(env.dialog.chosenPage(), index + 1);
        QCOMPARE(env.dialog.controls().pageLine->text(), line);
    }

    void openingWithThreeNames() {
        Env env;
        env.setPage(1, QStringLiteral("xyz"));
        DistributionDialog dialog(*env.store, env.prompts);
        dialog.setFileNames({"/A", "/B", "/C"});
        QCOMPARE(listed(dialog.controls().fileList), (QStringList{"/a", "/b", "/c"}));
        QCOMPARE(dialog.controls().fileList->selectedItems().size(), 1);
        QCOMPARE(dialog.controls().fileList->currentRow(), 0);
        QCOMPARE(dialog.controls().fileLine->text(), QStringLiteral("/a"));
        QCOMPARE(dialog.controls().targetPage->currentIndex(), 0);
        QCOMPARE(dialog.controls().pageLine->text(), QStringLiteral(" 1 [3文字]"));
        // Choosing another entry shows it in the file line.
        dialog.controls().fileList->setCurrentRow(2);
        QCOMPARE(dialog.controls().fileLine->text(), QStringLiteral("/c"));
    }

    // Transfers: a page is replaced without a question; the entry goes away
    // and nothing stays selected; pressing again does nothing.
    void transfer() {
        Env env;
        const QString a = env.file("a.txt", "first\r\nfile");
        const QString b = env.file("B.TXT", "\x83\x81\x83\x82"); // メモ
        env.setPage(3, QStringLiteral("old three"));
        env.offer({a, b});
        DistributionDialog& d = env.dialog;
        d.controls().targetPage->setCurrentIndex(2);
        QCOMPARE(d.controls().pageLine->text(), QStringLiteral(" 3 [9文字]"));

        d.transfer();
        QCOMPARE(env.page(3), QStringLiteral("first\r\nfile"));
        QCOMPARE(d.controls().pageLine->text(), QStringLiteral(" 3 [11文字]"));
        QCOMPARE(listed(d.controls().fileList), QStringList{b.toLower()});
        QVERIFY(d.controls().fileList->selectedItems().isEmpty());
        QCOMPARE(d.controls().fileLine->text(), QString());

        // Again, with nothing selected: nothing happens.
        d.controls().targetPage->setCurrentIndex(5);
        d.transfer();
        QCOMPARE(env.page(6), QString());
        QCOMPARE(d.controls().fileList->count(), 1);

        // The second file into the same page wins.
        d.controls().targetPage->setCurrentIndex(2);
        d.controls().fileList->setCurrentRow(0);
        QCOMPARE(d.controls().fileLine->text(), b.toLower());
        d.transfer();
        QCOMPARE(env.page(3), QStringLiteral("メモ"));
        QCOMPARE(d.controls().pageLine->text(), QStringLiteral(" 3 [2文字]"));

        // All transferred: the list is empty and "転送" does nothing.
        QCOMPARE(d.controls().fileList->count(), 0);
        d.transfer();
        QCOMPARE(env.page(3), QStringLiteral("メモ"));
        for (int n : {1, 2, 4, 5, 6, 7, 8, 9})
            QCOMPARE(env.page(n), QString());
        QVERIFY(env.prompts.calls.isEmpty());
    }

    // An empty entry shows an empty file line, and "転送" then does nothing.
    void emptyEntry() {
        Env env;
        const QString a = env.file("a.txt", "A");
        env.dialog.setFileNames({a, QString(), a});
        DistributionDialog& d = env.dialog;
        QCOMPARE(d.controls().fileList->count(), 3);
        d.controls().fileList->setCurrentRow(1);
        QCOMPARE(d.controls().fileLine->text(), QString());
        d.transfer();
        QCOMPARE(env.page(1), QString());
        QCOMPARE(d.controls().fileList->count(), 3);
        QVERIFY(env.prompts.calls.isEmpty());
    }

    // A file that cannot be read: the read failure is shown, the entry stays
    // for another try and the page keeps what it held.
    void unreadableFile_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("failure");
        QTest::newRow("missing") << "missing" << int(textfile::FileNotFound);
        QTest::newRow("a folder") << "folder" << int(textfile::PathFileAccess);
        QTest::newRow("too large") << "big" << int(textfile::TooLarge);
        QTest::newRow("no permission") << "locked" << int(textfile::PermissionDenied);
        QTest::newRow("the store refuses the page") << "refused" << int(textfile::None);
    }
    void unreadableFile() {
        QFETCH(QString, kind);
        QFETCH(int, failure);
        Env env;
        QString path;
        if (kind == u"missing") {
            path = env.dir.filePath(QStringLiteral("missing.txt"));
        } else if (kind == u"folder") {
            QDir(env.dir.path()).mkdir(QStringLiteral("Folder"));
            path = env.dir.filePath(QStringLiteral("Folder"));
        } else if (kind == u"big") {
            path = env.file("big.txt", QByteArray());
            QFile big(path);
            QVERIFY(big.open(QIODevice::ReadWrite));
            QVERIFY(big.resize(textfile::MaxFileBytes + 1));
        } else if (kind == u"locked") {
            path = env.file("locked.txt", "secret");
            QFile::setPermissions(path, QFileDevice::Permissions());
            if (QFile(path).open(QIODevice::ReadOnly))
                QSKIP("this user may read any file");
        } else {
            path = env.file("fine.txt", "readable");
        }
        env.setPage(1, QStringLiteral("keep me"));
        if (kind == u"refused")
            QVERIFY(refuseWrites(env.storePath()));
        env.dialog.showTargetLabel();
        env.offer({path});
        // A file too large for the views goes to whoever offers it to the
        // text editor (the intake), instead of a failure message.
        QString offered;
        if (failure == textfile::TooLarge)
            env.dialog.tooLarge = [&](const QString& name) { offered = name; };
        else
            env.prompts.answer(Prompts::Answer::Ok);
        env.dialog.transfer();

        if (failure == textfile::TooLarge) {
            QCOMPARE(offered, path);
            QVERIFY(env.prompts.calls.isEmpty());
        } else {
            QCOMPARE(env.prompts.calls.size(), 1);
            const PromptCall& call = env.prompts.calls.constFirst();
            QCOMPARE(call.text, kind == u"refused" ? notices::fileNotStored(*env.store, 1)
                                                   : textfile::failureMessage(failure));
            QCOMPARE(call.title, QStringLiteral("Sorabun"));
            QCOMPARE(call.buttons, Prompts::Buttons::Ok);
        }
        QCOMPARE(env.page(1), QStringLiteral("keep me"));
        QCOMPARE(env.dialog.controls().pageLine->text(), QStringLiteral(" 1 [7文字]"));
        QCOMPARE(listed(env.dialog.controls().fileList), QStringList{path.toLower()});
        QCOMPARE(env.dialog.controls().fileLine->text(), path.toLower());
    }

    // The dialog as start-up opens it: modal, the list focused, closed by
    // "閉じる", the close button or Esc; Enter presses only a focused button.
    void runsModally_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("閉じる") << "closeButton";
        QTest::newRow("close button") << "close";
        QTest::newRow("Esc") << "Esc";
        QTest::newRow("Enter on 閉じる") << "Enter";
    }
    void runsModally() {
        QFETCH(QString, how);
        Env env;
        const QString a = env.file("a.txt", "A");
        env.offer({a});
        bool stillOpen = false;
        bool focused = false;
        bool modal = false;
        ModalDriver driver(QStringLiteral("DistributionDialog"), [&](QDialog& d) {
            auto& f = static_cast<DistributionDialog&>(d);
            modal = QApplication::activeModalWidget() == &d;
            focused = f.focusWidget() == f.controls().fileList;
            // Enter in the list transfers nothing.
            QTest::keyClick(f.controls().fileList, Qt::Key_Return);
            if (how == u"closeButton")
                QTest::mouseClick(f.controls().closeButton, Qt::LeftButton);
            else if (how == u"close")
                f.close();
            else if (how == u"Esc")
                QTest::keyClick(f.controls().fileList, Qt::Key_Escape);
            else {
                f.controls().closeButton->setFocus();
                QTest::keyClick(f.controls().closeButton, Qt::Key_Return);
            }
            stillOpen = f.isVisible();
        });
        env.dialog.exec();
        QCOMPARE(driver.seen, 1);
        QVERIFY(modal);
        QVERIFY(focused);
        QVERIFY(!stillOpen);
        QCOMPARE(env.page(1), QString());
    }

    // After everything is transferred the dialog stays open until closed.
    void staysOpenWhenEmpty() {
        Env env;
        env.offer({env.file("a.txt", "A")});
        bool openAfter = false;
        ModalDriver driver(QStringLiteral("DistributionDialog"), [&](QDialog& d) {
            auto& f = static_cast<DistributionDialog&>(d);
            f.controls().transferButton->setFocus();
            QTest::keyClick(f.controls().transferButton, Qt::Key_Space);
            openAfter = f.isVisible() && f.controls().fileList->count() == 0;
        });
        env.dialog.exec();
        QVERIFY(openAfter);
        QCOMPARE(env.page(1), QStringLiteral("A"));
    }

    // The preview shows what the store holds for the target page, a transfer
    // made just before included; it cannot be edited.
    void preview_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("transferFirst");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("shown");
        const QByteArray file("from file\r\n");
        QTest::newRow("blank page: empty window") << "" << false << file << "";
        QTest::newRow("page with text") << "one\r\ntwo" << false << file << "one\r\ntwo";
        QTest::newRow("right after a transfer") << "old" << true << file << "from file\r\n";
        QTest::newRow("right after a transfer of a UTF-8 file")
            << "old" << true << QByteArray("\xEF\xBB\xBF") + QStringLiteral("今日\nメモ").toUtf8()
            << QStringLiteral("今日\nメモ");
        QTest::newRow("right after a transfer of a UTF-16 file")
            << "old" << true << QByteArray("\xFE\xFF\x30\xE1\x30\xE2", 6) << QStringLiteral("メモ");
    }
    void preview() {
        QFETCH(QString, stored);
        QFETCH(bool, transferFirst);
        QFETCH(QByteArray, file);
        QFETCH(QString, shown);
        Env env;
        env.setPage(6, stored);
        env.offer({env.file("f.txt", file)});
        env.dialog.controls().targetPage->setCurrentIndex(5);
        if (transferFirst)
            env.dialog.transfer();
        QString seen;
        QString title;
        QString spokenName;
        bool readOnly = false;
        bool overDistribution = false;
        ModalDriver driver(QStringLiteral("PreviewWindow"), [&](QDialog& d) {
            auto& f = static_cast<PreviewWindow&>(d);
            seen = f.view().text();
            title = f.windowTitle();
            spokenName = QAccessible::queryAccessibleInterface(&f.view())->text(QAccessible::Name);
            readOnly = f.view().isReadOnly();
            overDistribution =
                f.parentWidget() == &env.dialog && QApplication::activeModalWidget() == &d;
            QTest::keyClicks(&f.view(), QStringLiteral("typed"));
        });
        env.dialog.previewTarget();
        QCOMPARE(driver.seen, 1);
        QCOMPARE(seen, shown);
        QCOMPARE(title, QStringLiteral("表示"));
        QCOMPARE(spokenName, QStringLiteral("ページ 6"));
        QVERIFY(readOnly);
        QVERIFY(overDistribution);
        QCOMPARE(env.page(6), shown);
    }

    // The preview's view follows the window: 100 twips less across and 500
    // less down, never outside the window, never negative.
    void previewResize_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::newRow("design size") << 0 << 0;
        QTest::newRow("larger") << 600 << 500;
        QTest::newRow("smaller than the margins") << 3 << 10;
    }
    void previewResize() {
        QFETCH(int, width);
        QFETCH(int, height);
        PreviewWindow f;
        QCOMPARE(f.objectName(), QStringLiteral("PreviewWindow"));
        QVERIFY(f.view().lineWrapMode() == QPlainTextEdit::WidgetWidth);
        QCOMPARE(f.view().horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(!(f.windowFlags() & Qt::WindowMinimizeButtonHint));
        if (width == 0)
            QCOMPARE(f.size(), QSize(twips::toPx(3675, &f), twips::toPx(4650, &f)));
        else
            f.resize(width, height);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        const QRect outer = f.frameGeometry();
        const int across = outer.width() - twips::toPx(100, &f);
        const int down = outer.height() - twips::toPx(500, &f);
        QCOMPARE(f.view().geometry(),
                 QRect(0, 0, std::clamp(across, 0, f.width()), std::clamp(down, 0, f.height())));
    }
};

QTEST_MAIN(TestDistribution)
#include "tst_distribution.moc"
