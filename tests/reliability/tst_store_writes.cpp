// The store under abuse: a writer killed at any moment of a page switch or a
// shut-down, and two instances writing at once. Whatever happens, the store
// opens, no value is torn, and the keys of one shut-down are all old or all new.

#include "store/settings_store.h"
#include "store_model.h"
#include "support/store_checks.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <random>
#include <sqlite3.h>
#include <thread>

namespace {

const QString Writer = QStringLiteral(STORE_WRITER_PATH);

// `make soak` runs everything SORABUN_SOAK times over.
int soak() {
    return std::max(1, qEnvironmentVariableIntValue("SORABUN_SOAK"));
}

// Every key a writer touches: the nine pages and the short shut-down keys.
QStringList allKeys() {
    QStringList keys;
    for (int p = 1; p <= 9; ++p)
        keys << QString::number(p);
    for (const QString& k : storemodel::shutdownKeys(1))
        if (!storemodel::isPageKey(k))
            keys << k;
    return keys;
}

// The tag of every key as a fresh process finds it; -1 for a torn or foreign
// value, -2 for an absent key.
QHash<QString, int> observe(const QString& path, qsizetype units) {
    SettingsStore store(path);
    [&] {
        QVERIFY2(store.isOpen(), "the store opens");
        QVERIFY2(store.keptAsidePath().isEmpty(), "the store is not taken for damaged");
    }();
    QHash<QString, int> tags;
    for (const QString& key : allKeys()) {
        const QString v = store.ReadSetting(key);
        tags[key] = v.isNull() ? -2 : storemodel::tagOf(key, v, units);
    }
    return tags;
}

void seed(const QString& path, qsizetype units, bool pages) {
    SettingsStore store(path);
    SettingsStore::Batch batch(store);
    for (const QString& key : allKeys()) {
        if (pages || !storemodel::isPageKey(key))
            store.WriteSetting(key, storemodel::valueFor(key, 0, units));
    }
}

struct Run {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    bool waitLine(QByteArray& line, int ms = 30000) {
        QElapsedTimer t;
        t.start();
        while (!process->canReadLine()) {
            if (t.elapsed() > ms ||
                (!process->waitForReadyRead(200) && process->state() == QProcess::NotRunning &&
                 !process->canReadLine()))
                return false;
        }
        line = process->readLine().trimmed();
        return true;
    }
    void start(const QString& store, int tag, qsizetype units, const QList<int>& pages,
               const QStringList& extra = {}) {
        QStringList args = {store, QString::number(tag), QString::number(units)};
        for (int p : pages)
            args << QString::number(p);
        process->start(Writer, args + extra);
    }
    QByteArray valueAfter(const QByteArray& word) {
        QByteArray line;
        while (waitLine(line))
            if (line.startsWith(word + ' '))
                return line.mid(word.size() + 1);
        return {};
    }
};

} // namespace

class TestStoreWrites : public QObject {
    Q_OBJECT

private slots:
    void writerKilledAtAnyMoment() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("store.sqlite"));
        const qsizetype units = 200000;
        seed(path, units, true);
        QHash<QString, int> model = observe(path, units);

        // One whole run tells how long the writes take.
        Run first;
        first.start(path, 1, units, {1, 5});
        const double writeMs = first.valueAfter("done").toDouble();
        QVERIFY(first.process->waitForFinished(30000));
        QCOMPARE(first.process->exitCode(), 0);
        QVERIFY(writeMs > 0);
        model = observe(path, units);

        std::mt19937 rng(20240611);
        std::uniform_int_distribution<int> delayUs(0, int(writeMs * 1250));
        int before = 0, between = 0, after = 0;
        const int kills = 200 * soak();
        for (int tag = 2; tag < 2 + kills; ++tag) {
            const int from = tag % 9 + 1;
            const int to = (tag + 3) % 9 + 1;
            Run run;
            run.start(path, tag, units, {from, to});
            QByteArray line;
            QVERIFY2(run.waitLine(line) && line == "ready", "the writer starts");
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs(rng)));
            run.process->kill();
            QVERIFY(run.process->waitForFinished(30000));

            QCOMPARE(integrity(path), QStringLiteral("ok"));
            const QHash<QString, int> seen = observe(path, units);
            if (QTest::currentTestFailed())
                return;
            const QString fromKey = QString::number(from);
            const QStringList batch = storemodel::shutdownKeys(to);
            int fresh = 0;
            for (const QString& key : batch)
                fresh += seen[key] == tag;
            QVERIFY2(fresh == 0 || fresh == batch.size(),
                     qPrintable(QStringLiteral("kill %1: %2 of the %3 shut-down keys are new")
                                    .arg(tag)
                                    .arg(fresh)
                                    .arg(batch.size())));
            for (const QString& key : allKeys()) {
                const bool written = key == fromKey || batch.contains(key);
                const int tagSeen = seen[key];
                QVERIFY2(tagSeen == model[key] || (written && tagSeen == tag),
                         qPrintable(QStringLiteral("kill %1: key %2 holds a value of run %3, "
                                                   "expected %4 or %5")
                                        .arg(tag)
                                        .arg(key)
                                        .arg(tagSeen)
                                        .arg(model[key])
                                        .arg(tag)));
            }
            // The page left is stored before the shut-down batch.
            if (fresh)
                QCOMPARE(seen[fromKey], tag);
            if (fresh)
                ++after;
            else if (seen[fromKey] == tag)
                ++between;
            else
                ++before;
            model = seen;
        }
        qInfo("%d kills: %d before any write landed, %d after the page switch only, %d after "
              "the shut-down",
              kills, before, between, after);
        // The kills must land on both sides of the writes, or they tested nothing.
        QVERIFY(before > 0);
        QVERIFY(after > 0);
    }

    void twoInstancesAtOnce_data() {
        QTest::addColumn<int>("rounds");
        QTest::addColumn<bool>("fresh");
        QTest::newRow("existing store") << 50 * soak() << false;
        QTest::newRow("first start of both") << 30 * soak() << true;
    }

    void twoInstancesAtOnce() {
        QFETCH(int, rounds);
        QFETCH(bool, fresh);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sorabun/store.sqlite"));
        const qsizetype units = 100000;
        for (int r = 0; r < rounds; ++r) {
            if (fresh) {
                QDir(dir.filePath(QStringLiteral("sorabun"))).removeRecursively();
            } else if (r == 0) {
                seed(path, units, true);
            }
            const int tagA = 1000 + 2 * r;
            const int tagB = tagA + 1;
            const QList<int> pagesA = r % 2 ? QList<int>{1, 2, 3} : QList<int>{5, 6, 7};
            const QList<int> pagesB = r % 2 ? QList<int>{5, 6, 7} : QList<int>{1, 2, 3};
            Run a, b;
            a.start(path, tagA, units, pagesA, {QStringLiteral("--gate"), QStringLiteral("--seq")});
            b.start(path, tagB, units, pagesB, {QStringLiteral("--gate"), QStringLiteral("--seq")});
            QByteArray line;
            QVERIFY2(a.waitLine(line) && line == "ready",
                     a.process->readAllStandardError().constData());
            QVERIFY2(b.waitLine(line) && line == "ready",
                     b.process->readAllStandardError().constData());
            a.process->write("\n");
            b.process->write("\n");
            a.process->closeWriteChannel();
            b.process->closeWriteChannel();
            const int seqA = a.valueAfter("seq").toInt();
            const int seqB = b.valueAfter("seq").toInt();
            QVERIFY(a.process->waitForFinished(60000));
            QVERIFY(b.process->waitForFinished(60000));
            QVERIFY2(a.process->exitCode() == 0, a.process->readAllStandardError().constData());
            QVERIFY2(b.process->exitCode() == 0, b.process->readAllStandardError().constData());
            // Each shut-down ran on its own: the second counted after the first.
            const int base = fresh ? 0 : 2 * r;
            QCOMPARE(std::min(seqA, seqB), base + 1);
            QCOMPARE(std::max(seqA, seqB), base + 2);

            QCOMPARE(integrity(path), QStringLiteral("ok"));
            const QHash<QString, int> seen = observe(path, units);
            if (QTest::currentTestFailed())
                return;
            const int winner = seqA > seqB ? tagA : tagB;
            // Every page a writer stored survives: the two never stored the same page.
            for (int i = 0; i < 3; ++i) {
                QCOMPARE(seen[QString::number(pagesA[i])], tagA);
                QCOMPARE(seen[QString::number(pagesB[i])], tagB);
            }
            for (int p : {4, 8, 9})
                QCOMPARE(seen[QString::number(p)], fresh ? -2 : 0);
            // The last one out wins every shut-down key.
            for (const QString& key : storemodel::shutdownKeys(1)) {
                if (!storemodel::isPageKey(key))
                    QVERIFY2(seen[key] == winner,
                             qPrintable(QStringLiteral("round %1: %2 holds run %3, not %4")
                                            .arg(r)
                                            .arg(key)
                                            .arg(seen[key])
                                            .arg(winner)));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestStoreWrites)
#include "tst_store_writes.moc"
