#include "cut_checkpoint.h"
#include "store/settings_store.h"
#include "support/file_size_limit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <new>
#include <sys/stat.h>

namespace {
const QString App = QStringLiteral("Orvanti");
const QString Note = QStringLiteral("Note");

QStringList asideFiles(const QString& dir) {
    return QDir(dir).entryList({QStringLiteral("store.sqlite.damaged-*")}, QDir::AllEntries);
}
} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString& name = QStringLiteral("store.sqlite")) const {
        return m_dir.filePath(name);
    }

private slots:
    void init() {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
    }

    void absentKeysReadAsDefaults() {
        SettingsStore s(path());
        QVERIFY(s.isOpen());
        QCOMPARE(s.ReadSetting(QStringLiteral("Page"), QStringLiteral("1")), QStringLiteral("1"));
        QCOMPARE(s.ReadSetting(QStringLiteral("Ret"), QStringLiteral("-1")), QStringLiteral("-1"));
        QCOMPARE(s.ReadSetting(QStringLiteral("ComLine")), QString());
        s.WriteSetting(QStringLiteral("Page"), QStringLiteral("2"));
        QCOMPARE(SettingsStore(path(), QStringLiteral("Other"))
                     .ReadSetting(QStringLiteral("Page"), QStringLiteral("x")),
                 QStringLiteral("x"));
    }

    void writeReplacesAndEmptyIsNotAbsent() {
        SettingsStore s(path());
        s.WriteSetting(QStringLiteral("3"), QStringLiteral("abc"));
        s.WriteSetting(QStringLiteral("3"), QStringLiteral("xyz"));
        QCOMPARE(s.ReadSetting(QStringLiteral("3")), QStringLiteral("xyz"));
        s.WriteSetting(QStringLiteral("4"), QString());
        // A page stored as "" reads as "" even with another default.
        QCOMPARE(s.ReadSetting(QStringLiteral("4"), QStringLiteral("default")), QString(""));
    }

    void valuesSurviveReopening_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("japanese with CR LF") << QStringLiteral("メモ\r\n二行目\r\n");
        QTest::newRow("lone LF and CR") << QStringLiteral("a\nb\rc");
        QTest::newRow("NUL inside") << QString(QStringLiteral("a") + QChar(0) + u'b');
        QTest::newRow("surrogate pair") << QString::fromUtf8("😀 text");
        QTest::newRow("no-break space") << QString(QChar(0xA0));
    }
    void valuesSurviveReopening() {
        QFETCH(QString, value);
        {
            SettingsStore s(path());
            s.WriteSetting(QStringLiteral("1"), value);
        }
        SettingsStore s(path());
        QCOMPARE(s.ReadSetting(QStringLiteral("1")), value);
    }

    void tenMegabytePageIsExact() {
        QString big;
        big.reserve(10 * 1024 * 1024 / 2);
        for (int i = 0; big.size() < 5 * 1024 * 1024; ++i)
            big += QStringLiteral("行%1 あいうえお漢字ABC\r\n").arg(i);
        {
            SettingsStore s(path());
            s.WriteSetting(QStringLiteral("9"), big);
        }
        SettingsStore s(path());
        const QString back = s.ReadSetting(QStringLiteral("9"));
        QCOMPARE(back.size(), big.size());
        QVERIFY(back == big);
    }

    void deleteAllSettingsRemovesOnlyThatApplication() {
        SettingsStore s(path());
        s.WriteSetting(QStringLiteral("1"), QStringLiteral("page"));
        SettingsStore otherSection(path(), App, QStringLiteral("Other"));
        SettingsStore otherApp(path(), QStringLiteral("Else"), Note);
        otherSection.WriteSetting(QStringLiteral("k"), QStringLiteral("v"));
        otherApp.WriteSetting(QStringLiteral("k"), QStringLiteral("v"));
        s.DeleteAllSettings();
        QCOMPARE(s.ReadSetting(QStringLiteral("1"), QStringLiteral("gone")),
                 QStringLiteral("gone"));
        QCOMPARE(otherSection.ReadSetting(QStringLiteral("k")), QString());
        QCOMPARE(otherApp.ReadSetting(QStringLiteral("k")), QStringLiteral("v"));
        QVERIFY(!s.removeIfEmpty()); // another application still has a value
        otherApp.DeleteAllSettings();
        QVERIFY(s.removeIfEmpty());
        QVERIFY(!QFileInfo::exists(path()));
    }

    void batchIsAllOrNothingForOthers() {
        SettingsStore a(path());
        SettingsStore b(path());
        {
            SettingsStore::Batch batch(a);
            a.WriteSetting(QStringLiteral("Page"), QStringLiteral("5"));
            a.WriteSetting(QStringLiteral("5"), QStringLiteral("text"));
            // Not visible to the other instance until the batch ends.
            QCOMPARE(b.ReadSetting(QStringLiteral("Page")), QString());
        }
        QCOMPARE(b.ReadSetting(QStringLiteral("Page")), QStringLiteral("5"));
        QCOMPARE(b.ReadSetting(QStringLiteral("5")), QStringLiteral("text"));
    }

    // A write the disk cannot take is refused and says why, in the store's
    // own thread too; a batch with one refused write stores nothing of it.
    void refusedWriteSaysWhy() {
        using Failure = SettingsStore::Failure;
        SettingsStore s(path());
        QVERIFY(s.WriteSetting(QStringLiteral("1"), QStringLiteral("before")));
        const QString big(300000, u'x');
        {
            FileSizeLimit limit(256 * 1024); // the disk is full past this size
            QVERIFY(!s.WriteSetting(QStringLiteral("1"), big));
            QCOMPARE(s.failure(), Failure::DiskFull);
            {
                SettingsStore::Batch batch(s);
                s.WriteSetting(QStringLiteral("Page"), QStringLiteral("3"));
                s.WriteSetting(QStringLiteral("2"), big);
                QVERIFY(!batch.commit());
            }
            QObject context;
            std::optional<Failure> background;
            s.writeInBackground(
                [&] {
                    return SettingsStore::Values{{QStringLiteral("3"), big}};
                },
                &context, [&](Failure f) { background = f; });
            QTRY_VERIFY(background.has_value());
            QCOMPARE(*background, Failure::DiskFull);
        }
        QCOMPARE(s.ReadSetting(QStringLiteral("1")), QStringLiteral("before"));
        QCOMPARE(s.ReadSetting(QStringLiteral("Page")), QString());
        QCOMPARE(s.ReadSetting(QStringLiteral("3")), QString());
        // With room again, the same writes go through.
        QVERIFY(s.WriteSetting(QStringLiteral("1"), big));
        QCOMPARE(s.ReadSetting(QStringLiteral("1")), big);

        // Memory run out while the store's thread makes the values: refused
        // and told, and the thread goes on with the next write.
        QObject context;
        std::optional<Failure> thrown, next;
        s.writeInBackground([]() -> SettingsStore::Values { throw std::bad_alloc(); }, &context,
                            [&](Failure f) { thrown = f; });
        s.writeInBackground(
            [] {
                return SettingsStore::Values{{QStringLiteral("2"), QStringLiteral("next")}};
            },
            &context, [&](Failure f) { next = f; });
        QTRY_VERIFY(next.has_value());
        QCOMPARE(thrown, std::optional(Failure::Io));
        QCOMPARE(*next, Failure::None);
        QCOMPARE(s.ReadSetting(QStringLiteral("2")), QStringLiteral("next"));
        QVERIFY(s.waitForBackground(std::chrono::milliseconds(2000)));
    }

    void twoInstancesInterleaveWrites() {
        SettingsStore a(path());
        SettingsStore b(path());
        for (int i = 0; i < 50; ++i) {
            a.WriteSetting(QStringLiteral("1"), QStringLiteral("a%1").arg(i));
            b.WriteSetting(QStringLiteral("2"), QStringLiteral("b%1").arg(i));
            SettingsStore::Batch batch(i % 2 ? a : b);
            (i % 2 ? a : b).WriteSetting(QStringLiteral("Page"), QString::number(i % 9 + 1));
        }
        QCOMPARE(b.ReadSetting(QStringLiteral("1")), QStringLiteral("a49"));
        QCOMPARE(a.ReadSetting(QStringLiteral("2")), QStringLiteral("b49"));
        QCOMPARE(a.ReadSetting(QStringLiteral("Page")), QStringLiteral("5"));

        // A long value kept for reading back never hides a newer one.
        a.setKeepLatest(true);
        const QString mine(100000, u'a'), theirs(100000, u'b'), later(100000, u'c');
        QVERIFY(a.WriteSetting(QStringLiteral("1"), mine));
        QVERIFY(b.WriteSetting(QStringLiteral("1"), theirs));
        QCOMPARE(a.ReadSetting(QStringLiteral("1")), theirs);
        QVERIFY(a.WriteSetting(QStringLiteral("1"), mine));
        QCOMPARE(a.ReadSetting(QStringLiteral("1")), mine);
        QVERIFY(a.WriteSetting(QStringLiteral("1"), mine));
        a.writeInBackground(
            [&] {
                return SettingsStore::Values{{QStringLiteral("1"), later}};
            },
            nullptr, nullptr);
        QCOMPARE(a.ReadSetting(QStringLiteral("1")), later);
    }

    void fileIsPrivate() {
        const QString nested = m_dir.filePath(QStringLiteral("cfg/sorabun/store.sqlite"));
        SettingsStore s(nested);
        s.WriteSetting(QStringLiteral("1"), QStringLiteral("x"));
        struct stat st = {};
        QCOMPARE(::stat(QFile::encodeName(nested).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);
        QCOMPARE(::stat(QFile::encodeName(QFileInfo(nested).absolutePath()).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0700u);
    }

    // A process ended while SQLite copied the log into the file (power cut,
    // kill -9, the display gone): SQLite recovers it, every row is there and
    // nothing is set aside.
    void checkpointCutShortIsNoDamage() {
        QString big;
        for (int i = 0; big.size() < 1500000; ++i)
            big += QStringLiteral("行%1 取り込んだファイル\r\n").arg(i);
        {
            SettingsStore before(path());
            QVERIFY(before.WriteSetting(QStringLiteral("1"), QStringLiteral("短いメモ")));
            QVERIFY(before.WriteSetting(QStringLiteral("2"), QStringLiteral("二ページ目")));
        }
        SettingsStore live(path());
        QVERIFY(live.WriteSetting(QStringLiteral("1"), big)); // in the log only
        const QString cut = path(QStringLiteral("cut/store.sqlite"));
        QVERIFY(QDir().mkpath(QFileInfo(cut).absolutePath()));
        QVERIFY(cutcheckpoint::make(path(), cut));
        QVERIFY(cutcheckpoint::headerPromisesMore(cut));

        SettingsStore s(cut);
        QVERIFY(s.isOpen());
        QCOMPARE(s.keptAsidePath(), QString());
        QCOMPARE(SettingsStore::keptAsideCopies(cut), QStringList());
        QVERIFY(s.ReadSetting(QStringLiteral("1")) == big);
        QCOMPARE(s.ReadSetting(QStringLiteral("2")), QStringLiteral("二ページ目"));
    }

    void damagedFileIsKeptAside_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("directory");
        QTest::addColumn<bool>("heldOpen"); // by another instance
        QTest::newRow("garbage") << QByteArray(4096, 'x') << false << false;
        QTest::newRow("directory in its place") << QByteArray() << true << false;
        QTest::newRow("foreign database") << QByteArray("foreign") << false << false;
        QTest::newRow("truncated") << QByteArray("truncated") << false << false;
        QTest::newRow("damaged under another instance") << QByteArray("damaged") << false << true;
    }
    void damagedFileIsKeptAside() {
        QFETCH(QByteArray, content);
        QFETCH(bool, directory);
        QFETCH(bool, heldOpen);
        QByteArray original;
        std::optional<SettingsStore> other;
        if (heldOpen) {
            {
                SettingsStore make(path());
                make.WriteSetting(QStringLiteral("1"), QStringLiteral("theirs"));
            }
            other.emplace(path());
            QFile f(path());
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.write(QByteArray(16, 'x')); // no database header any more
            f.close();
            QVERIFY(f.open(QIODevice::ReadOnly));
            original = f.readAll();
        } else if (directory) {
            QVERIFY(QDir().mkpath(path()));
        } else if (content == "foreign" || content == "truncated") {
            {
                SettingsStore make(path());
                make.WriteSetting(QStringLiteral("1"), QString(200000, u'x'));
            }
            QFile f(path());
            QVERIFY(f.open(QIODevice::ReadWrite));
            if (content == "truncated") {
                QVERIFY(f.resize(65536 + 100));
            } else {
                f.close();
                QFile::remove(path());
                // Someone else's database: a valid file without our table.
                QProcess p;
                p.start(QStringLiteral("sqlite3"),
                        {path(), QStringLiteral("CREATE TABLE t(x); INSERT INTO t VALUES(1);")});
                QVERIFY(p.waitForFinished());
            }
            f.close();
            QFile r(path());
            QVERIFY(r.open(QIODevice::ReadOnly));
            original = r.readAll();
        } else {
            QFile f(path());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
            original = content;
        }
        SettingsStore s(path());
        if (heldOpen) {
            // The other instance's file stays where it is, untouched; this
            // one runs without a store.
            QVERIFY(!s.isOpen());
            QCOMPARE(s.keptAsidePath(), QString());
            QCOMPARE(asideFiles(m_dir.path()), QStringList());
            QFile f(path());
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), original);
            return;
        }
        QVERIFY(s.isOpen());
        QVERIFY(!s.keptAsidePath().isEmpty());
        QCOMPARE(asideFiles(m_dir.path()).size(), 1);
        // The store starts empty and works.
        QCOMPARE(s.ReadSetting(QStringLiteral("1"), QStringLiteral("blank")),
                 QStringLiteral("blank"));
        s.WriteSetting(QStringLiteral("1"), QStringLiteral("fresh"));
        QCOMPARE(s.ReadSetting(QStringLiteral("1")), QStringLiteral("fresh"));
        // What was there is untouched beside it.
        if (!directory) {
            QFile kept(s.keptAsidePath());
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), original);
        } else {
            QVERIFY(QFileInfo(s.keptAsidePath()).isDir());
        }
    }

    void zeroLengthFileIsAFreshStore() {
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        SettingsStore s(path());
        s.WriteSetting(QStringLiteral("1"), QStringLiteral("x"));
        QCOMPARE(s.ReadSetting(QStringLiteral("1")), QStringLiteral("x"));
        QVERIFY(asideFiles(m_dir.path()).isEmpty());
    }

    void unusableFolderReadsDefaults() {
        // A plain file where the folder should be: nothing can be stored, nothing crashes.
        QFile blocker(m_dir.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        SettingsStore s(m_dir.filePath(QStringLiteral("blocker/store.sqlite")));
        s.WriteSetting(QStringLiteral("1"), QStringLiteral("x"));
        QCOMPARE(s.ReadSetting(QStringLiteral("1"), QStringLiteral("d")), QStringLiteral("d"));
        SettingsStore::Batch batch(s);
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settings_store.moc"
