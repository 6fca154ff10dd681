#include "files/drop_handler.h"
#include "files/open_dialog.h"
#include "intake/distribution_dialog.h"
#include "platform/long_work.h"
#include "session/store_notices.h"
#include "store/page_history.h"
#include "support/modal_driver.h"
#include "support/test_env.h"

#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>

using Answer = Prompts::Answer;
using Buttons = Prompts::Buttons;

namespace {

QString readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The recovery files written so far under the data folder.
QStringList recoveryFiles(const QString& dataHome) {
    QStringList files;
    QDir root(dataHome + QStringLiteral("/sorabun/recovery"));
    for (const QString& folder : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QString& f : QDir(root.filePath(folder)).entryList(QDir::Files))
            files << root.filePath(folder + u'/' + f);
    return files;
}

// Runs the idle save now and waits until its write has ended.
void saveNow(MainWindow& w) {
    QSignalSpy ended(&w.idleSave(), &IdleSave::writeEnded);
    if (w.idleSave().save())
        QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), 10000);
}

// A page built in several steps: this many lines of 100 units, LF-ended, so
// that the document's blocks count its lines.
constexpr int PageLines = 30000;
QString longPage(char mark) {
    QString text;
    text.reserve(PageLines * 100);
    for (int i = 0; i < PageLines; ++i)
        text += QStringLiteral("%1 %2\n").arg(i, 6, 10, QChar(u'0')).arg(QString(92, QChar(mark)));
    return text;
}

// Work lets events through at every step, as it does past half a second.
struct EventsAtEveryStep {
    const LongWork::Pace before = LongWork::pace();
    EventsAtEveryStep() { LongWork::setPace({.busyAfterMs = 0, .refreshMs = 0}); }
    ~EventsAtEveryStep() { LongWork::setPace(before); }
};

// A drop of this file on the view, as the desktop delivers one.
void dropFile(TextView& view, const QString& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    const QPoint at(5, 5);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &drop);
}

} // namespace

class TestSafekeeping : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_data = std::make_unique<QTemporaryDir>();
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_data->path()));
        m_runtime = std::make_unique<QTemporaryDir>();
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime->path()));
    }

    // The idle save writes what changed since this program last read or
    // wrote it, and nothing else.
    void idleSaveWritesWhatChanged_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("page1");    // what the store then holds
        QTest::addColumn<QString>("selStart"); // "" = never written
        QTest::addColumn<QString>("page");
        QTest::newRow("typing") << "typing"
                                << "xelsewhere"
                                << "1"
                                << "";
        QTest::newRow("the caret moved") << "caret"
                                         << "written by another"
                                         << "3"
                                         << "";
        QTest::newRow("another page shown") << "page"
                                            << "written by another"
                                            << "0"
                                            << "4";
        QTest::newRow("nothing") << "nothing"
                                 << "written by another"
                                 << ""
                                 << "";
    }
    void idleSaveWritesWhatChanged() {
        QFETCH(QString, change);
        QFETCH(QString, page1);
        QFETCH(QString, selStart);
        QFETCH(QString, page);
        TestEnv env;
        env.setPage(1, QStringLiteral("elsewhere"));
        MainWindow& w = env.start();
        // Another instance writes page 1 meanwhile.
        env.setPage(1, QStringLiteral("written by another"));
        TextView& v = w.views().visible();
        if (change == u"typing")
            QTest::keyClick(&v, Qt::Key_X);
        else if (change == u"caret")
            v.setSelStart(3);
        else if (change == u"page")
            w.pages.switchToPage(4);
        saveNow(w);
        QCOMPARE(env.page(1), page1);
        QCOMPARE(env.store->ReadSetting(QStringLiteral("SelStart")), selStart);
        QCOMPARE(env.store->ReadSetting(QStringLiteral("Page")), page);
        QVERIFY(env.prompts.calls.isEmpty());
    }

    // A write the store refuses is said, and the page stays on show with
    // its text; nothing typed is lost.
    void refusedWriteKeepsThePage_data() {
        QTest::addColumn<QString>("when");
        QTest::newRow("page switch") << "switch";
        QTest::newRow("dropped file into the page on show") << "drop here";
        QTest::newRow("dropped file into another page") << "drop there";
        QTest::newRow("idle save") << "idle";
        QTest::newRow("closing, the user stays") << "close, stay";
        QTest::newRow("closing, the user ends anyway") << "close, end";
        QTest::newRow("closing, the user ends anyway, the data folder full") << "close, end, full";
        QTest::newRow("a signal or the session's end") << "signal";
        QTest::newRow("a signal, the data folder full") << "signal, full";
    }
    void refusedWriteKeepsThePage() {
        QFETCH(QString, when);
        // The data folder cannot take a file (as on a full disk): the page
        // goes to the second place, in the runtime folder.
        const bool full = when.endsWith(u", full");
        if (full) {
            QVERIFY(QDir().mkpath(m_data->filePath(QStringLiteral("sorabun"))));
            QFile blocker(m_data->filePath(QStringLiteral("sorabun/recovery")));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            when.chop(6);
        }
        const QString kept = full ? m_runtime->path() : m_data->path();
        TestEnv env;
        env.setPage(5, QStringLiteral("page five"));
        MainWindow& w = env.start();
        TextView& v = w.views().visible();
        QTest::keyClicks(&v, QStringLiteral("typed text"));
        const QString file = env.writeFile(QStringLiteral("drop.txt"), "dropped");
        QVERIFY(refuseWrites(env.storePath(), true));
        QString expected = QStringLiteral("typed text");

        if (when == u"switch") {
            env.prompts.answer(Answer::Ok);
            w.pages.switchToPage(5);
            QCOMPARE(env.prompts.calls.last().text, notices::switchRefused(*env.store, 1));
        } else if (when.startsWith(u"drop")) {
            const bool here = when == u"drop here";
            w.drop.answerDialog = [here](OpenDialog& d) {
                d.controls().intoPageOption->setChecked(!here);
                d.controls().targetPage->setCurrentIndex(4);
                d.putFileIn();
            };
            env.prompts.answer(Answer::Ok);
            w.drop.filesDropped({file});
            if (here)
                expected = QStringLiteral("typed textdropped");
            QCOMPARE(env.prompts.calls.last().text, notices::pageNotStored(*env.store, 1));
            QCOMPARE(env.page(5), QStringLiteral("page five"));
        } else if (when == u"idle") {
            env.prompts.answer(Answer::Ok);
            saveNow(w);
            QVERIFY(env.prompts.calls.last().text.startsWith(
                QStringLiteral("入力した内容を自動で保存できませんでした。")));
            // Said once: the next refusal is not said again.
            QTest::keyClick(&v, Qt::Key_Y);
            saveNow(w);
            QCOMPARE(env.prompts.calls.size(), 1);
            expected += u'y';
        } else if (when.startsWith(u"close")) {
            const bool stay = when == u"close, stay";
            env.prompts.answer(stay ? Answer::Yes : Answer::No);
            w.close();
            const PromptCall& question = env.prompts.calls.last();
            QVERIFY(question.text.startsWith(
                QStringLiteral("メモを保存できなかったため、終了していません。")));
            QCOMPARE(question.buttons, Buttons::YesNo);
            QCOMPARE(w.isVisible(), stay);
            QCOMPARE(w.hasEnded(), !stay);
            if (!stay) {
                const QStringList saved = recoveryFiles(kept);
                QCOMPARE(saved.size(), 1);
                QVERIFY(question.text.contains(QDir::toNativeSeparators(saved[0])));
                QCOMPARE(question.text.contains(QStringLiteral("ログアウトすると消えます")), full);
                QCOMPARE(readFile(saved[0]), expected);
                return;
            }
        } else if (when == u"signal") {
            QVERIFY(!w.endUnattended());
            QVERIFY(env.prompts.calls.isEmpty()); // nobody is there to answer
            const QStringList saved = recoveryFiles(kept);
            QCOMPARE(saved.size(), 1);
            QCOMPARE(readFile(saved[0]), expected);
            return;
        }

        QCOMPARE(env.prompts.calls.last().title, QStringLiteral("Sorabun"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Sorabun - 1"));
        QCOMPARE(w.views().visible().text(), expected);
        QVERIFY(recoveryFiles(m_data->path()).isEmpty());
        QVERIFY(recoveryFiles(m_runtime->path()).isEmpty());

        // Once the store takes writes again, a normal exit keeps everything.
        QVERIFY(refuseWrites(env.storePath(), false));
        env.stop();
        env.reopenStore();
        QCOMPARE(env.page(1), expected);
    }

    // No store can be made at all: the user is told once at start-up, can
    // still work, and no page is given up for lost.
    void noStoreIsSaidOnce() {
        TestEnv env;
        const QString blocker = env.writeFile(QStringLiteral("a file"), "not a folder");
        env.store = std::make_unique<SettingsStore>(blocker + QStringLiteral("/store.sqlite"));
        QVERIFY(!env.store->isOpen());
        env.prompts.answer(Answer::Ok);
        MainWindow& w = env.start();
        QCOMPARE(env.prompts.calls.size(), 1);
        QCOMPARE(env.prompts.calls[0].text, notices::noStore(*env.store));
        QTest::keyClicks(&w.views().visible(), QStringLiteral("kept in view"));
        saveNow(w);
        QCOMPARE(env.prompts.calls.size(), 1);
        env.prompts.answer(Answer::Ok);
        w.pages.switchToPage(2);
        QCOMPARE(w.workspace().state.currentPage, 1);
        QCOMPARE(w.views().visible().text(), QStringLiteral("kept in view"));
        env.prompts.answer(Answer::Yes); // closing: stay
        w.close();
        QVERIFY(!w.hasEnded());
    }

    // Two instances on one store: each writes only the pages it changed, so
    // neither overwrites edits it never saw; on one page the last writer wins.
    void secondInstance_data() {
        QTest::addColumn<int>("aPage"); // the page A types on (0: none)
        QTest::addColumn<int>("bPage");
        QTest::addColumn<bool>("aEndsFirst");
        QTest::addColumn<bool>("bIdleSave"); // B moves its caret and saves while idle
        QTest::addColumn<QString>("page1");
        QTest::addColumn<QString>("page2");
        QTest::newRow("A edits page 1, B idle ends later") << 1 << 0 << true << false << "A1"
                                                           << "";
        QTest::newRow("the same, B's caret saved meanwhile") << 1 << 0 << true << true << "A1"
                                                             << "";
        QTest::newRow("A on page 1, B on page 2, A ends first") << 1 << 2 << true << false << "A1"
                                                                << "B2";
        QTest::newRow("A on page 1, B on page 2, B ends first") << 1 << 2 << false << false << "A1"
                                                                << "B2";
        QTest::newRow("both on page 1: the last writer wins") << 1 << 1 << true << false << "B1"
                                                              << "";
    }
    void secondInstance() {
        QFETCH(int, aPage);
        QFETCH(int, bPage);
        QFETCH(bool, aEndsFirst);
        QFETCH(bool, bIdleSave);
        QFETCH(QString, page1);
        QFETCH(QString, page2);
        TestEnv env;
        MainWindow& a = env.start();
        SettingsStore storeB(env.storePath());
        MainWindow b(storeB, env.platform);
        b.start();
        auto type = [](MainWindow& w, int page, const QString& who) {
            if (page == 0)
                return;
            if (w.workspace().state.currentPage != page)
                w.pages.switchToPage(page);
            QTest::keyClicks(&w.views().visible(), who + QString::number(page));
        };
        type(a, aPage, QStringLiteral("A"));
        type(b, bPage, QStringLiteral("B"));
        if (aEndsFirst)
            env.stop();
        else
            b.close();
        if (bIdleSave) {
            b.views().visible().setSelStart(0);
            saveNow(b);
        }
        if (aEndsFirst)
            b.close();
        else
            env.stop();
        env.reopenStore();
        QCOMPARE(env.page(1), page1);
        QCOMPARE(env.page(2), page2);
        QVERIFY(env.prompts.calls.isEmpty());
    }

    // Whatever comes in the middle of long work (a large page shown, a file
    // read into the page) waits for it or leaves the page out: every page in
    // the store keeps its text or takes its whole new one, never a part.
    // The process ends through exit() (the display or the compositor gone)
    // right after a snapshot was taken: before it ends, the page history
    // holds it, as the store holds the page, whether it was handed to the
    // history's thread or held back during long work.
    void exitWritesWhatIsQueued_data() {
        QTest::addColumn<bool>("duringWork");
        QTest::newRow("a snapshot handed over") << false;
        QTest::newRow("a snapshot held during long work") << true;
    }
    void exitWritesWhatIsQueued() {
        QFETCH(bool, duringWork);
        TestEnv env;
        MainWindow& w = env.start();
        const QString page = QStringLiteral("a line of the memo\r\n").repeated(200000);
        w.views().visible().replaceAllText(page, 0);
        QVERIFY(w.pages.storeCurrentPage()); // the last write has little left to do
        std::optional<LongWork> work;
        if (duringWork)
            work.emplace(QStringLiteral("work"));
        w.workspace().snapshots.keepShown();
        QVERIFY(w.endOnExit());
        PageHistory seen(w.history().path()); // as the next run finds it
        const std::vector<PageHistory::Entry> kept = seen.entries(1);
        QCOMPARE(kept.size(), std::size_t(1));
        QCOMPARE(seen.text(kept.front().id), page);
        QCOMPARE(env.page(1), page);
    }

    void longWorkKeepsPagesWhole_data() {
        QTest::addColumn<QString>("work");
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("page1"); // what the store then holds
        QTest::addColumn<bool>("ends");
        auto row = [](const char* name, const char* work, const char* event, const char* page1,
                      bool ends) {
            QTest::newRow(name) << QString::fromUtf8(work) << QString::fromUtf8(event)
                                << QString::fromUtf8(page1) << ends;
        };
        row("signal during a page switch", "switch", "signal", "old", true);
        row("session end during a page switch", "switch", "session", "old", false);
        row("display gone during a page switch", "switch", "display", "old", true);
        row("idle save during a page switch", "switch", "idle", "old", false);
        row("window closed during a page switch", "switch", "close", "old", true);
        row("file dropped during a page switch", "switch", "drop", "old", false);
        row("signal during a page switch without wrap", "switch, no wrap", "signal", "old", true);
        row("display gone during a switch without wrap", "switch, no wrap", "display", "old", true);
        row("signal during a file read", "open", "signal", "file", true);
        row("session end during a file read", "open", "session", "file", false);
        row("display gone during a file read", "open", "display", "old", true);
        row("idle save during a file read", "open", "idle", "file", false);
        row("window closed during a file read", "open", "close", "file", true);
        row("signal in the distribution dialog", "distribution", "signal", "file", true);
    }
    void longWorkKeepsPagesWhole() {
        QFETCH(QString, work);
        QFETCH(QString, event);
        QFETCH(QString, page1);
        QFETCH(bool, ends);
        const EventsAtEveryStep quick;
        const QMap<QString, QString> texts{
            {QStringLiteral("old"), QStringLiteral("small page one")},
            {QStringLiteral("big"), longPage('b')},
            {QStringLiteral("file"), longPage('f')}};
        TestEnv env;
        env.setPage(1, texts[QStringLiteral("old")]);
        env.setPage(2, texts[QStringLiteral("big")]);
        const QString file =
            env.writeFile(QStringLiteral("file.txt"), texts[QStringLiteral("file")].toLatin1());
        // What a stored page holds, by name.
        auto holding = [&](int page) {
            return texts.key(env.page(page), QStringLiteral("a part"));
        };
        if (work == u"distribution") {
            endInDistributionDialog(env, file);
            QCOMPARE(holding(1), page1);
            return;
        }
        env.settings.idleSave.pauseMs = 10;
        MainWindow& w = env.start();
        if (work == u"switch, no wrap")
            w.toggleWordWrap();
        int dropsOffered = 0;
        w.drop.answerDialog = [&dropsOffered](OpenDialog& d) {
            ++dropsOffered;
            d.putFileIn();
        };
        // The event comes while the page on show holds part of its new text.
        bool during = false;
        QTimer watch;
        watch.setInterval(0);
        connect(&watch, &QTimer::timeout, &w, [&] {
            const int lines = w.views().visible().document()->blockCount();
            if (!LongWork::running() || lines < 2 || lines > PageLines)
                return;
            watch.stop();
            during = true;
            if (event == u"signal")
                w.requestEnd();
            else if (event == u"session")
                w.sessionSave();
            else if (event == u"display")
                w.endUnattended(false); // what the program does on its way out
            else if (event == u"idle")
                w.idleSave().save();
            else if (event == u"close")
                w.close();
            else if (event == u"drop")
                dropFile(w.views().visible(), file);
        });
        QSignalSpy saved(&w.idleSave(), &IdleSave::writeEnded);
        watch.start();
        if (work == u"open") {
            env.com.chooseFile(file);
            w.files.openIntoPage();
        } else {
            w.pages.switchToPage(2);
        }
        QVERIFY(during);
        QVERIFY(holding(1) != u"a part" && holding(2) != u"a part");
        QTRY_COMPARE(w.hasEnded(), ends);
        QTRY_COMPARE(holding(1), page1);
        QCOMPARE(holding(2), QStringLiteral("big"));
        if (event == u"idle")
            QTRY_VERIFY_WITH_TIMEOUT(!saved.isEmpty(), 10000);
        QCOMPARE(holding(1), page1);
        QCOMPARE(dropsOffered, 0);
        QVERIFY(recoveryFiles(m_data->path()).isEmpty());
        if (ends && event != u"display")
            QCOMPARE(env.store->ReadSetting(QStringLiteral("Page")), work == u"open" ? "1" : "2");
        QVERIFY(env.prompts.calls.isEmpty());
    }

private:
    // The first file is placed in page 1, then a signal comes: the program
    // ends at once, and the window never shows.
    void endInDistributionDialog(TestEnv& env, const QString& file) {
        const QString second = env.writeFile(QStringLiteral("second.txt"), "second file");
        env.setPage(1, QString());
        env.setPage(3, QStringLiteral("three"));
        ModalDriver driver(QStringLiteral("DistributionDialog"), [&env](QDialog& d) {
            static_cast<DistributionDialog&>(d).transfer();
            env.window->requestEnd();
        });
        MainWindow& w = env.start({file, second});
        QCOMPARE(driver.seen, 1);
        QCOMPARE(w.endStatus(), std::optional<int>(0));
        QVERIFY(!w.isVisible());
        clearQuitRequest();
        env.window.reset(); // the program ends here; the store is read afresh
        env.reopenStore();
        QCOMPARE(env.page(3), QStringLiteral("three"));
        QCOMPARE(env.store->ReadSetting(QStringLiteral("Page")), QString());
    }

    std::unique_ptr<QTemporaryDir> m_data;
    std::unique_ptr<QTemporaryDir> m_runtime;
};

QTEST_MAIN(TestSafekeeping)
#include "tst_safekeeping.moc"
