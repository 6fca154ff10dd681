#include "dialogs/history_dialog.h"
#include "files/open_dialog.h"
#include "search/replace_dialog.h"
#include "session/store_notices.h"
#include "support/file_size_limit.h"
#include "support/modal_driver.h"
#include "support/test_env.h"

#include <QAccessible>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

using Answer = Prompts::Answer;

namespace {

constexpr qint64 Minute = 60 * 1000;
// Lone LF and CR among CR LF, NUL, a surrogate pair and a paragraph separator:
// a page the view holds partly as stand-ins.
const QString Mixed = QStringLiteral("a\r\nb\nc\rd") + QChar(0) + QString::fromUtf8("😀") +
                      QChar(0x2029) + QStringLiteral("e\r\n");

// The texts of a page's snapshots, newest first.
QStringList snapshotsOf(MainWindow& w, int page) {
    PageHistory& h = w.history();
    QStringList texts;
    for (const PageHistory::Entry& e : h.entries(page))
        texts << h.text(e.id).value_or(QStringLiteral("<unreadable>"));
    return texts;
}

// A window whose history runs on clocks the test moves: the calendar, which
// a user or the network may put forward or back, and real time passing.
struct Clocked {
    explicit Clocked(MainWindow& w) {
        w.history().setClock([this] { return now; }, [this] { return steady; });
    }
    // Both clocks move on.
    void pass(qint64 ms) {
        now += ms;
        steady += ms;
    }
    qint64 now = QDateTime(QDate(2025, 6, 10), QTime(15, 0)).toMSecsSinceEpoch();
    qint64 steady = 1000 * Minute;
};

void selectAll(TextView& v) {
    v.setSelStart(0);
    v.setSelLength(v.textLength());
}

} // namespace

class TestHistory : public QObject {
    Q_OBJECT
private slots:
    void whenText_data() {
        QTest::addColumn<QDateTime>("taken");
        QTest::addColumn<QString>("shown");
        QTest::newRow("seconds ago")
            << QDateTime(QDate(2025, 6, 10), QTime(14, 59, 30)) << QStringLiteral("たった今");
        QTest::newRow("minutes ago")
            << QDateTime(QDate(2025, 6, 10), QTime(14, 57)) << QStringLiteral("3 分前");
        QTest::newRow("earlier today")
            << QDateTime(QDate(2025, 6, 10), QTime(9, 30)) << QStringLiteral("今日 9:30");
        QTest::newRow("yesterday")
            << QDateTime(QDate(2025, 6, 9), QTime(14, 5)) << QStringLiteral("昨日 14:05");
        QTest::newRow("this year")
            << QDateTime(QDate(2025, 5, 3), QTime(14, 5)) << QStringLiteral("5月3日 14:05");
        QTest::newRow("an earlier year") << QDateTime(QDate(2024, 12, 31), QTime(23, 59))
                                         << QStringLiteral("2024年12月31日 23:59");
    }
    void whenText() {
        QFETCH(QDateTime, taken);
        QFETCH(QString, shown);
        const QDateTime now(QDate(2025, 6, 10), QTime(15, 0));
        QCOMPARE(HistoryDialog::whenText(taken.toMSecsSinceEpoch(), now.toMSecsSinceEpoch()),
                 shown);
    }

    // A snapshot of a changed page at most every five minutes of real time:
    // the idle save hands its text over when that much time has passed since
    // the last, whatever the calendar clock says meanwhile.
    void interval_data() {
        QTest::addColumn<int>("minutes");    // real time between the two edits
        QTest::addColumn<int>("clockMoved"); // the calendar put forward (or back) meanwhile
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("one minute later") << 1 << 0 << QStringList{"a"};
        QTest::newRow("four minutes later") << 4 << 0 << QStringList{"a"};
        QTest::newRow("five minutes later") << 5 << 0 << QStringList{"ab", "a"};
        QTest::newRow("an hour later") << 60 << 0 << QStringList{"ab", "a"};
        QTest::newRow("the clock put back a day") << 1 << -24 * 60 << QStringList{"a"};
        QTest::newRow("the clock put back a day, five minutes later")
            << 5 << -24 * 60 << QStringList{"ab", "a"};
        QTest::newRow("the clock put forward a day") << 1 << 24 * 60 << QStringList{"a"};
        // The first taken with the clock a day ahead, the clock then put right.
        QTest::newRow("a day ahead, then put right") << 1 << -24 * 60 << QStringList{"a"};
        QTest::newRow("a day ahead, then put right, five minutes later")
            << 5 << -24 * 60 << QStringList{"ab", "a"};
    }
    void interval() {
        QFETCH(int, minutes);
        QFETCH(int, clockMoved);
        QFETCH(QStringList, kept);
        TestEnv env;
        MainWindow& w = env.start();
        Clocked clock(w);
        const bool aheadFirst = QByteArray(QTest::currentDataTag()).startsWith("a day ahead");
        if (aheadFirst)
            clock.now += 24 * 60 * Minute;
        TextView& v = w.views().visible();
        for (const char* key : {"a", "b"}) {
            QTest::keyClicks(&v, QString::fromLatin1(key));
            w.idleSave().save();
            QTRY_VERIFY(!w.views().pageChanged());
            clock.pass(minutes * Minute);
            clock.now += clockMoved * Minute;
        }
        QCOMPARE(snapshotsOf(w, 1), kept);
        QCOMPARE(env.page(1), QStringLiteral("ab"));
    }

    // Ten minutes of editing, an idle save every five seconds, after a
    // snapshot taken with the clock a day ahead: the snapshots come every
    // five minutes, not at every save, and the newest is listed first.
    void clockPutRightOverTenMinutes() {
        TestEnv env;
        MainWindow& w = env.start();
        Clocked clock(w);
        clock.now += 24 * 60 * Minute;
        TextView& v = w.views().visible();
        QSignalSpy saved(&w.idleSave(), &IdleSave::writeEnded);
        QTest::keyClicks(&v, QStringLiteral("a"));
        QVERIFY(w.idleSave().save() && saved.wait());
        clock.now -= 24 * 60 * Minute; // put right
        for (int save = 1; save <= 120; ++save) {
            clock.pass(5000);
            QTest::keyClicks(&v, QStringLiteral("b"));
            QVERIFY(w.idleSave().save() && saved.wait());
        }
        const QStringList kept = snapshotsOf(w, 1);
        QCOMPARE(kept.size(), 3); // at the start, after five minutes, after ten
        QCOMPARE(kept.first(), v.text());
        QCOMPARE(kept.last(), QStringLiteral("a"));
    }

    // Before a change that replaces much of a page at once, the page is kept
    // as it was. Page 1 is on show; page 3 holds "page three".
    void bigChangesKeepThePageFirst_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("kept");
        const QStringList original{QStringLiteral("original memo")};
        QTest::newRow("select all and type over") << "type over all" << 1 << original;
        QTest::newRow("type over mixed line ends, NUL and the like")
            << "type over all" << 1 << QStringList{Mixed};
        QTest::newRow("paste over most of it") << "paste over most" << 1 << original;
        QTest::newRow("cut most of it") << "cut most" << 1 << original;
        QTest::newRow("delete most of it") << "delete most" << 1 << original;
        QTest::newRow("type over a few characters") << "type over few" << 1 << QStringList();
        QTest::newRow("open a file into the page") << "open" << 1 << original;
        QTest::newRow("a dropped file into another page")
            << "drop into 3" << 3 << QStringList{"page three"};
        QTest::newRow("replace all") << "replace all" << 1 << original;
        QTest::newRow("clear the page") << "clear" << 1 << original;
    }
    void bigChangesKeepThePageFirst() {
        QFETCH(QString, change);
        QFETCH(int, page);
        QFETCH(QStringList, kept);
        TestEnv env;
        env.setPage(1, kept == QStringList{Mixed} ? Mixed : QStringLiteral("original memo"));
        env.setPage(3, QStringLiteral("page three"));
        MainWindow& w = env.start();
        TextView& v = w.views().visible();
        QVERIFY(!v.document()->isEmpty()); // the page is taken from its document
        const QString file = env.writeFile(QStringLiteral("f.txt"), "from a file");
        if (change == u"type over all") {
            selectAll(v);
            QTest::keyClick(&v, Qt::Key_X);
        } else if (change == u"paste over most") {
            QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
            v.setSelLength(9);
            QTest::keyClick(&v, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(v.text(), QStringLiteral("pastedmemo"));
        } else if (change == u"cut most" || change == u"delete most") {
            v.setSelStart(2);
            v.setSelLength(11);
            QTest::keyClick(&v, change == u"cut most" ? Qt::Key_X : Qt::Key_Delete,
                            change == u"cut most" ? Qt::ControlModifier : Qt::NoModifier);
            QCOMPARE(v.text(), QStringLiteral("or"));
        } else if (change == u"type over few") {
            v.setSelLength(3);
            QTest::keyClick(&v, Qt::Key_X);
        } else if (change == u"open") {
            env.com.chooseFile(file);
            w.files.openIntoPage();
        } else if (change == u"drop into 3") {
            w.drop.answerDialog = [](OpenDialog& d) {
                d.controls().intoPageOption->setChecked(true);
                d.controls().targetPage->setCurrentIndex(2);
                d.controls().okButton->click();
            };
            w.drop.filesDropped({file});
            QCOMPARE(env.page(3), QStringLiteral("from a file"));
        } else if (change == u"replace all") {
            ReplaceDialog dialog(w.workspace());
            dialog.controls().targetEdit->setText(QStringLiteral("m"));
            dialog.controls().replacementEdit->setText(QStringLiteral("M"));
            env.prompts.answer(Answer::Ok); // 完了
            dialog.replaceAll();
            QCOMPARE(v.text(), QStringLiteral("original MeMo"));
        } else if (change == u"clear") {
            env.prompts.answer(Answer::Yes);
            w.edit.clearPage();
        }
        // What was taken while a file was read is written once the work ends.
        QTRY_COMPARE(snapshotsOf(w, page), kept);
    }

    // A snapshot the history's file refuses (the disk full) is told once,
    // and kept: it goes in with the next snapshot once the disk has room.
    void refusedSnapshotIsToldOnceAndKept() {
        TestEnv env;
        MainWindow& w = env.start();
        TextView& v = w.views().visible();
        const QString first = QStringLiteral("first\r\n").repeated(80000);
        const QString second = QStringLiteral("second\r\n").repeated(70000);
        auto clearPage = [&](const QString& text, bool told = false) {
            v.replaceAllText(text, 0);
            env.prompts.answer(Answer::Yes); // the page is cleared
            if (told)
                env.prompts.answer(Answer::Ok);
            w.edit.clearPage();
            w.history().waitForBackground();
        };
        {
            FileSizeLimit full(1024 * 1024); // each text takes more
            clearPage(first, true);
            QTRY_COMPARE(env.prompts.calls.size(), 2);
            QCOMPARE(env.prompts.calls[1].text,
                     notices::historyRefused(w.history().path(), PageHistory::Failure::DiskFull));
            clearPage(second);
            QTest::qWait(20);
            QCOMPARE(env.prompts.calls.size(), 3); // not told again
        }
        clearPage(QStringLiteral("third"));
        QCOMPARE(snapshotsOf(w, 1), (QStringList{"third", second, first}));
        env.prompts.verifyDone();
    }

    // The intake placing a file named on the command line into the page last
    // shown keeps what the page held.
    void intakeKeepsThePageItReplaces() {
        TestEnv env;
        env.setPage(2, QStringLiteral("memo of two"));
        env.store->WriteSetting(QStringLiteral("Page"), QStringLiteral("2"));
        env.store->WriteSetting(QStringLiteral("NoeNumOP"), QStringLiteral("1"));
        MainWindow& w = env.start({env.writeFile(QStringLiteral("f.txt"), "named")});
        QCOMPARE(w.views().visible().text(), QStringLiteral("named"));
        QCOMPARE(snapshotsOf(w, 2), QStringList{"memo of two"});
    }

    // The dialog lists the page's snapshots newest first; restoring one
    // keeps the page as it is, puts the chosen text in as one edit, and
    // Ctrl+Z takes it back, whatever the lines of either end in.
    void restoreIsOneUndoableEdit_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("older");
        QTest::newRow("one line each") << QStringLiteral("now") << QStringLiteral("older");
        QTest::newRow("typed CR LF page, LF file kept")
            << QStringLiteral("now\rtyped") << QStringLiteral("older\nfrom a file\n");
        QTest::newRow("typed CR LF page, CR file kept")
            << QStringLiteral("now\rtyped") << QStringLiteral("older\rfrom a file");
    }
    void restoreIsOneUndoableEdit() {
        QFETCH(QString, typed);
        QFETCH(QString, older);
        TestEnv env;
        MainWindow& w = env.start();
        Clocked clock(w);
        PageHistory& h = w.history();
        h.add(1, clock.now - 26 * 60 * Minute, older);
        h.add(1, clock.now - 3 * Minute, QStringLiteral("first\r\nversion"));
        h.add(2, clock.now, QStringLiteral("another page"));
        TextView& v = w.views().visible();
        QTest::keyClicks(&v, typed); // "\r" is Enter
        const QString now = v.text();

        HistoryDialog d(w.workspace());
        d.listSnapshots();
        const auto& c = d.controls();
        QCOMPARE(d.windowTitle(), QStringLiteral("ページの履歴"));
        QCOMPARE(c.snapshotList->topLevelItemCount(), 2);
        QCOMPARE(c.snapshotList->topLevelItem(0)->text(0), QStringLiteral("3 分前"));
        QCOMPARE(c.snapshotList->topLevelItem(0)->text(1), QStringLiteral("14 文字"));
        QCOMPARE(c.snapshotList->topLevelItem(1)->text(0), QStringLiteral("昨日 13:00"));
        QCOMPARE(c.preview->text(), QStringLiteral("first\r\nversion"));
        QVERIFY(c.preview->isReadOnly());
        QCOMPARE(c.snapshotList->accessibleName(), QStringLiteral("ページ 1 の履歴"));

        c.snapshotList->setCurrentItem(c.snapshotList->topLevelItem(1));
        QCOMPARE(c.preview->text(), older);
        c.restoreButton->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(v.text(), older);
        QVERIFY(w.workspace().state.undoAvailable);
        QCOMPARE(snapshotsOf(w, 1), (QStringList{now, "first\r\nversion", older}));
        QTest::keyClick(&v, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(v.text(), now);
    }

    // From the menu, by keyboard alone: Enter restores the newest, Esc and
    // キャンセル leave the page as it is.
    void keyboard_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("page");
        QTest::newRow("Enter") << "enter"
                               << "kept";
        QTest::newRow("Esc") << "esc"
                             << "typed";
        QTest::newRow("キャンセル") << "cancel"
                                    << "typed";
        QTest::newRow("no history yet: Enter cancels") << "empty"
                                                       << "typed";
    }
    void keyboard() {
        QFETCH(QString, how);
        QFETCH(QString, page);
        TestEnv env;
        MainWindow& w = env.start();
        if (how != u"empty")
            w.history().add(1, w.history().now() - Minute, QStringLiteral("kept"));
        QTest::keyClicks(&w.views().visible(), QStringLiteral("typed"));
        QStringList tabOrder;
        QString note;
        ModalDriver driver(QStringLiteral("HistoryDialog"), [&](QDialog& d) {
            auto& h = static_cast<HistoryDialog&>(d);
            note = h.controls().noteLine->text();
            QList<QWidget*> seen;
            for (QWidget* f = h.focusWidget(); f && !seen.contains(f); f = f->nextInFocusChain())
                if (f->isVisible() && (f->focusPolicy() & Qt::TabFocus)) {
                    seen << f;
                    tabOrder << f->objectName();
                }
            if (how == u"cancel")
                h.controls().cancelButton->click();
            else
                QTest::keyClick(h.focusWidget(), how == u"esc" ? Qt::Key_Escape : Qt::Key_Return);
        });
        QVERIFY(triggerAction(&w, QStringLiteral("pageHistory")));
        QCOMPARE(driver.seen, 1);
        QCOMPARE(w.views().visible().text(), page);
        if (how == u"empty") {
            QCOMPARE(note, QStringLiteral("このページの履歴はまだありません。"));
            return;
        }
        QCOMPARE(tabOrder,
                 (QStringList{"snapshotList", "preview", "restoreButton", "cancelButton"}));
    }

    // A damaged history file is set aside and said once at start-up; the
    // pages are as they were, and a new history works.
    void damagedHistoryAtStartUp_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("random bytes") << QByteArray(5000, '\x5a');
        QTest::newRow("a text file") << QByteArray("not a database\n");
    }
    void damagedHistoryAtStartUp() {
        QFETCH(QByteArray, content);
        TestEnv env;
        env.setPage(1, QStringLiteral("safe page"));
        const QString path = env.writeFile(QStringLiteral("history.sqlite"), content);
        env.prompts.answer(Answer::Ok);
        MainWindow& w = env.start();
        QCOMPARE(env.prompts.calls.size(), 1);
        const QString aside = w.history().keptAsidePath();
        QVERIFY(aside.startsWith(path + QStringLiteral(".damaged-")));
        QCOMPARE(env.prompts.calls[0].text, notices::historyKeptAside(aside));
        QCOMPARE(w.views().visible().text(), QStringLiteral("safe page"));
        selectAll(w.views().visible());
        QTest::keyClick(&w.views().visible(), Qt::Key_X);
        QCOMPARE(snapshotsOf(w, 1), QStringList{"safe page"});
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
