#include "cut_checkpoint.h"
#include "store/page_history.h"
#include "support/file_size_limit.h"
#include "support/store_checks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <future>
#include <new>
#include <sqlite3.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 Hour = 60 * 60 * 1000;
constexpr qint64 Now = 1750000000000; // some moment in June 2025

// The texts of a page's snapshots, newest first.
QStringList textsOf(PageHistory& h, int page) {
    QStringList texts;
    for (const PageHistory::Entry& e : h.entries(page))
        texts << h.text(e.id).value_or(QStringLiteral("<unreadable>"));
    return texts;
}

// How many bytes the texts kept in the file take (two a unit), read from it
// apart from the history.
qint64 bytesIn(const QString& path) {
    sqlite3* db = nullptr;
    qint64 bytes = -1;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
            SQLITE_OK &&
        sqlite3_prepare_v2(db, "SELECT coalesce(sum(units), 0) * 2 FROM texts", -1, &st, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        bytes = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return bytes;
}

// How many snapshots the file holds, read from it apart from the history;
// -1 when there is no file to read.
qint64 snapshotsIn(const QString& path) {
    sqlite3* db = nullptr;
    qint64 count = -1;
    sqlite3_stmt* st = nullptr;
    // Read-write: a file in WAL mode that no one has open needs its index
    // made; and the history may be closing it, its log copied in meanwhile.
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) ==
            SQLITE_OK &&
        sqlite3_busy_timeout(db, 10000) == SQLITE_OK &&
        sqlite3_prepare_v2(db, "SELECT count(*) FROM snapshots", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        count = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return count;
}

// "t3" made `units` long.
QString numbered(int i, int units) {
    QString t = QStringLiteral("t%1").arg(i);
    return t + QString(std::max<qsizetype>(0, units - t.size()), u'.');
}

} // namespace

class TestPageHistory : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("history.sqlite")); }

private slots:
    void init() {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
    }

    // Each row: snapshots handed over one after another as "page:text".
    void textsAreKeptOnce_data() {
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("page1"); // its texts, newest first
        QTest::addColumn<qint64>("bytes");
        QTest::newRow("the same text twice")
            << QStringList{"1:aa", "1:aa"} << QStringList{"aa"} << qint64(4);
        QTest::newRow("back to an earlier text")
            << QStringList{"1:aa", "1:b", "1:aa"} << QStringList{"aa", "b", "aa"} << qint64(6);
        QTest::newRow("the same text on two pages")
            << QStringList{"1:aa", "2:aa"} << QStringList{"aa"} << qint64(4);
        QTest::newRow("an empty page is no snapshot")
            << QStringList{"1:", "1:x", "1:"} << QStringList{"x"} << qint64(2);
        QTest::newRow("line ends, NUL and surrogate pairs exactly")
            << QStringList{QString(QStringLiteral("1:a\r\nb\nc\rd") + QChar(0) +
                                   QString::fromUtf8("😀"))}
            << QStringList{QString(QStringLiteral("a\r\nb\nc\rd") + QChar(0) +
                                   QString::fromUtf8("😀"))}
            << qint64(22);
    }
    void textsAreKeptOnce() {
        QFETCH(QStringList, added);
        QFETCH(QStringList, page1);
        QFETCH(qint64, bytes);
        {
            PageHistory h(path());
            qint64 t = Now;
            for (const QString& a : added)
                h.add(a.section(u':', 0, 0).toInt(), t += 1000, a.section(u':', 1));
        }
        // What was handed over is written before the history closes, and
        // the next run finds it.
        PageHistory h(path());
        QCOMPARE(textsOf(h, 1), page1);
        h.waitForBackground();
        QCOMPARE(bytesIn(path()), bytes);
        QVERIFY(h.lastTaken(1) > Now);
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(path()).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);
    }

    // Snapshots of page 1, `count` of them `stepHours` apart, the newest now,
    // each text `units` long; then what the thinning leaves.
    void thinning_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("stepHours");
        QTest::addColumn<int>("units");
        QTest::addColumn<qint64>("maxBytes");
        QTest::addColumn<int>("aheadDays"); // then one with the clock ahead, and one put right
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("oldestLeft");
        QTest::newRow("thirty within a fortnight all stay")
            << 30 << 10 << 10 << qint64(1 << 20) << 0 << 30 << 0;
        QTest::newRow("older than 14 days beyond the latest 20 go")
            << 30 << 24 << 10 << qint64(1 << 20) << 0 << 20 << 10;
        QTest::newRow("the latest 20 stay however old")
            << 25 << 24 * 30 << 10 << qint64(1 << 20) << 0 << 20 << 5;
        QTest::newRow("past the size limit the oldest go first")
            << 10 << 1 << 100 << qint64(1010) << 0 << 5 << 5;
        QTest::newRow("past the size limit a page's latest stays")
            << 3 << 1 << 1000 << qint64(1000) << 0 << 1 << 2;
        QTest::newRow("a date a month ahead makes none of the last hours old")
            << 40 << 0 << 10 << qint64(1 << 20) << 30 << 42 << 0;
        QTest::newRow("a date a month ahead, then older ones age as before")
            << 30 << 24 << 10 << qint64(1 << 20) << 30 << 20 << 12;
    }
    void thinning() {
        QFETCH(int, count);
        QFETCH(int, stepHours);
        QFETCH(int, units);
        QFETCH(qint64, maxBytes);
        QFETCH(int, aheadDays);
        QFETCH(int, left);
        QFETCH(int, oldestLeft);
        HistoryLimits limits;
        limits.maxBytes = maxBytes;
        PageHistory h(path(), limits);
        qint64 calendar = Now, steady = 0;
        h.setClock([&] { return calendar; }, [&] { return steady; });
        // Another page's only snapshot, old and small: it is that page's latest.
        h.add(2, Now - 1000 * Hour, QStringLiteral("p2"));
        for (int i = 0; i < count; ++i)
            h.add(1, Now - qint64(count - 1 - i) * stepHours * Hour, numbered(i, units));
        QStringList newest = {numbered(count - 1, units)};
        if (aheadDays) {
            h.waitForBackground();
            steady += 60000;
            calendar = Now + aheadDays * 24 * Hour;
            h.add(1, calendar, QStringLiteral("ahead"));
            h.waitForBackground();
            steady += 60000;
            calendar = Now + 120000; // put right
            h.add(1, calendar, QStringLiteral("after"));
            // Listed in the order taken, whatever their dates.
            newest = QStringList{QStringLiteral("after"), QStringLiteral("ahead")} + newest;
        }
        const QStringList texts = textsOf(h, 1);
        QCOMPARE(texts.size(), left);
        QCOMPARE(texts.mid(0, newest.size()), newest);
        QCOMPARE(texts.last(), numbered(oldestLeft, units));
        QCOMPARE(textsOf(h, 2), QStringList{"p2"});
    }

    // Idle saves every ten seconds for ten minutes, taking a snapshot when
    // five minutes have passed since the page's last one; the calendar clock
    // is `offset` off for the first half minute, then put right.
    void snapshotsFollowRealTime_data() {
        QTest::addColumn<qint64>("offset");
        QTest::newRow("the clock right") << qint64(0);
        QTest::newRow("a day ahead, then put right") << 24 * Hour;
        QTest::newRow("an hour behind, then put right") << -Hour;
    }
    void snapshotsFollowRealTime() {
        QFETCH(qint64, offset);
        PageHistory h(path());
        qint64 calendar = Now + offset, steady = 5000;
        h.setClock([&] { return calendar; }, [&] { return steady; });
        QStringList taken;
        for (int second = 0; second < 600; second += 10) {
            const std::optional<qint64> since = h.sinceLastTaken(1);
            if (!since || *since >= 5 * 60 * 1000) {
                taken.prepend(QStringLiteral("at %1 s").arg(second));
                h.add(1, h.now(), taken.first());
                h.waitForBackground();
            }
            steady += 10000;
            calendar = Now + (second >= 30 ? 0 : offset) + (second + 10) * 1000;
        }
        QCOMPARE(taken, (QStringList{"at 300 s", "at 0 s"}));
        QCOMPARE(textsOf(h, 1), taken);
        // The next run knows the page's last snapshot only by its date: one
        // in the future is taken as long ago.
        PageHistory again(path());
        again.setClock([&] { return calendar; }, [&] { return steady; });
        QVERIFY(again.sinceLastTaken(1).has_value());
        QCOMPARE(again.sinceLastTaken(1).value(), calendar - (Now + 300000));
    }

    // A write the file refuses is told once for its cause, stays queued and
    // goes in, before anything newer, once the file takes writes again (a
    // page keeps its oldest and newest waiting); until then the page's last
    // snapshot is the one written before.
    void refusedWriteIsToldAndRetried_data() {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<PageHistory::Failure>("failure");
        QTest::addColumn<bool>("periodic");     // taken every few minutes, not before a change
        QTest::addColumn<QStringList>("after"); // the texts once the cause is gone
        QTest::newRow("disk full, every few minutes")
            << "disk full" << PageHistory::Failure::DiskFull << true
            << QStringList{"last", "third refused", "first refused", "before"};
        QTest::newRow("disk full, before changes")
            << "disk full" << PageHistory::Failure::DiskFull << false
            << QStringList{"last", "third refused", "second refused", "first refused", "before"};
        QTest::newRow("a text that cannot be made")
            << "no memory" << PageHistory::Failure::OutOfMemory << false
            << QStringList{"last", "before"};
        QTest::newRow("a read-only file")
            << "read-only" << PageHistory::Failure::ReadOnly << false << QStringList{"before"};
    }
    void refusedWriteIsToldAndRetried() {
        QFETCH(QString, cause);
        QFETCH(PageHistory::Failure, failure);
        QFETCH(bool, periodic);
        QFETCH(QStringList, after);
        using Failure = PageHistory::Failure;
        {
            PageHistory make(path());
            make.add(1, Now, QStringLiteral("before"));
        }
        std::optional<PageHistory> h;
        if (cause == u"read-only") {
            // Root writes anything: the history is opened as an ordinary user.
            ::chmod(QFile::encodeName(m_dir.path()).constData(), 0777);
            ::chmod(QFile::encodeName(path()).constData(), 0444);
            AsOrdinaryUser user;
            h.emplace(path());
        } else {
            h.emplace(path());
        }
        QVERIFY(h->isOpen());
        QObject context;
        QList<Failure> told;
        h->setFailureHandler(&context, [&](Failure f) { told << f; });
        const qint64 before = h->lastTaken(1);
        {
            std::optional<FileSizeLimit> limit;
            if (cause == u"disk full")
                limit.emplace(256 * 1024);
            for (const char* text : {"first refused", "second refused", "third refused"}) {
                if (cause == u"no memory")
                    h->add(1, Now + 1000, []() -> QString { throw std::bad_alloc(); });
                else
                    h->add(1, Now + 1000, QString::fromUtf8(text) + QString(200000, u'.'),
                           periodic);
                h->waitForBackground();
                QCOMPARE(h->failure(), failure);
                QCOMPARE(h->lastTaken(1), before);
                QVERIFY(!h->sinceLastTaken(1).has_value() || *h->sinceLastTaken(1) > 1000);
            }
        }
        QTest::qWait(10);
        QCOMPARE(told, QList<Failure>{failure}); // once for the cause
        h->retryRefused();
        QVERIFY(h->waitForBackground(std::chrono::milliseconds(2000)));
        h->add(1, Now + 2000, QStringLiteral("last"));
        QStringList texts;
        for (const QString& t : textsOf(*h, 1))
            texts << t.section(u'.', 0, 0);
        QCOMPARE(texts, after);
        if (failure != Failure::ReadOnly)
            QCOMPARE(h->failure(), Failure::None);
    }

    // A page that replaced a text is written once the snapshot of that text
    // is on the disk: another thread (the store's) waits for the moment,
    // which comes once the text is written, even when the history closes
    // meanwhile, and at once when there is no history to write to.
    void handedOverIsReadyOnceWritten_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<qint64>("snapshots"); // in the file at that moment
        QTest::newRow("written") << "written" << qint64(1);
        QTest::newRow("the history closed meanwhile") << "closed" << qint64(1);
        QTest::newRow("no history to write to") << "none" << qint64(-1);
    }
    void handedOverIsReadyOnceWritten() {
        QFETCH(QString, how);
        QFETCH(qint64, snapshots);
        auto h = std::make_unique<PageHistory>(
            how == u"none" ? QStringLiteral("/proc/none/history.sqlite") : path());
        // A text slow to make: the moment never comes before it is written.
        h->add(1, Now, [] {
            QThread::msleep(300);
            return QStringLiteral("the page as it was");
        });
        const std::shared_future<void> moment = h->handedOver();
        std::future<qint64> seen = std::async(std::launch::async, [&] {
            moment.wait();
            return snapshotsIn(path());
        });
        if (how == u"closed")
            h.reset();
        QCOMPARE(seen.wait_for(std::chrono::seconds(10)), std::future_status::ready);
        QCOMPARE(seen.get(), snapshots);
    }

    // The history's file left by a checkpoint cut short opens with every
    // snapshot, and nothing is set aside.
    void checkpointCutShortIsNoDamage() {
        const QString big(400000, u'x');
        {
            PageHistory before(path());
            before.add(1, Now, QStringLiteral("short"));
        }
        PageHistory live(path());
        live.add(1, Now + 1000, big);
        live.waitForBackground(); // in the log only
        const QString cut = m_dir.filePath(QStringLiteral("cut/history.sqlite"));
        QVERIFY(QDir().mkpath(QFileInfo(cut).absolutePath()));
        QVERIFY(cutcheckpoint::make(path(), cut));
        QVERIFY(cutcheckpoint::headerPromisesMore(cut));

        PageHistory h(cut);
        QVERIFY(h.isOpen());
        QCOMPARE(h.keptAsidePath(), QString());
        QCOMPARE(PageHistory::keptAsideCopies(cut), QStringList());
        QCOMPARE(textsOf(h, 1), (QStringList{big, QStringLiteral("short")}));
    }

    void damagedFileIsSetAside_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("random bytes") << "random bytes";
        QTest::newRow("a folder in its place") << "folder";
        QTest::newRow("another program's database") << "foreign";
        QTest::newRow("a history cut short") << "truncated";
    }
    void damagedFileIsSetAside() {
        QFETCH(QString, kind);
        if (kind == u"folder") {
            QVERIFY(QDir().mkpath(path()));
        } else if (kind == u"random bytes") {
            QFile f(path());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(5000, '\x5a'));
        } else if (kind == u"foreign") {
            QProcess p;
            p.start(QStringLiteral("sqlite3"), {path(), QStringLiteral("CREATE TABLE t(x);")});
            QVERIFY(p.waitForFinished());
        } else {
            {
                PageHistory make(path());
                make.add(1, Now, QString(300000, u'x'));
            }
            QFile f(path());
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.resize(65536 + 100));
        }
        QByteArray before;
        if (QFile f(path()); f.open(QIODevice::ReadOnly))
            before = f.readAll();

        PageHistory h(path());
        QVERIFY(h.isOpen());
        QVERIFY(!h.keptAsidePath().isEmpty());
        QCOMPARE(PageHistory::keptAsideCopies(path()), QStringList{h.keptAsidePath()});
        if (kind == u"folder") {
            QVERIFY(QFileInfo(h.keptAsidePath()).isDir());
        } else {
            QFile kept(h.keptAsidePath());
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), before);
        }
        // A new history in its place works.
        QVERIFY(h.entries(1).empty());
        h.add(1, Now, QStringLiteral("new"));
        QCOMPARE(textsOf(h, 1), QStringList{"new"});

        // Erasing it takes everything but a folder, which is nobody's history.
        const QStringList staying = h.erase();
        QCOMPARE(staying, kind == u"folder" ? QStringList{h.keptAsidePath()} : QStringList());
        QVERIFY(!QFileInfo::exists(path()));
        QVERIFY(!QFileInfo::exists(path() + QStringLiteral("-wal")));
        QVERIFY(!h.isOpen());
        h.add(1, Now, QStringLiteral("after"));
        QVERIFY(!QFileInfo::exists(path()));
    }
};

QTEST_GUILESS_MAIN(TestPageHistory)
#include "tst_page_history.moc"
