// Power cut at every write: a session of the real program (crashpoints_scenario)
// is killed right after its Nth write or sync to one of the store's or the
// page history's files, for every N the session makes (or a sample of them),
// and the next start-up must find every page whole, holding a text the
// session gave it (state 0 the old one, the last the new one), nothing
// damaged or set aside, and the text a file or the clearing replaced still
// in the page history.
//
// By default a sample of the points runs: the first and last two of each
// file and some spread between. SORABUN_CRASHPOINTS=all (`make crashpoints`,
// part of `make soak`), or SORABUN_SOAK as the soak runs of the store use
// it, runs every point.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Scenario = QStringLiteral(CRASHPOINTS_SCENARIO_PATH);
const QString Killer = QStringLiteral(CRASHPOINTS_KILLER_PATH);
const QStringList Files = {QStringLiteral("store.sqlite"), QStringLiteral("store.sqlite-wal"),
                           QStringLiteral("history.sqlite"), QStringLiteral("history.sqlite-wal")};
// How the session ends after clearing page 1: the idle save writes the page
// before the user quits, or the shut-down writes it.
const QStringList Endings = {QStringLiteral("idle"), QStringLiteral("quit"),
                             QStringLiteral("switch")};

bool everyPoint() {
    return qEnvironmentVariable("SORABUN_CRASHPOINTS") == u"all" ||
           qEnvironmentVariableIntValue("SORABUN_SOAK") > 0;
}

// The points of a file with `total` of them: all, or the first and last
// two and `spread` more evenly between.
QList<int> pointsOf(int total, int spread) {
    QList<int> points;
    if (everyPoint() || total <= 4 + spread) {
        for (int n = 1; n <= total; ++n)
            points << n;
        return points;
    }
    points << 1 << 2;
    for (int i = 1; i <= spread; ++i)
        points << 2 + (total - 4) * i / (spread + 1);
    points << total - 1 << total;
    return points;
}

// Japanese lines, CR LF, about `units` of them in all, as a user's file
// might hold (UTF-8, some 3 bytes a unit).
QByteArray japaneseFile(qsizetype units) {
    static const QString words[] = {
        QStringLiteral("吾輩は猫である。"),   QStringLiteral("名前はまだ無い。"),
        QStringLiteral("どこで生れたか"),     QStringLiteral("とんと見当がつかぬ。"),
        QStringLiteral("何でも薄暗い"),       QStringLiteral("じめじめした所で"),
        QStringLiteral("ニャーニャー泣いて"), QStringLiteral("いた事だけは記憶している。")};
    QString text;
    text.reserve(units + 64);
    quint32 state = 20240611;
    while (text.size() < units) {
        state = state * 1664525u + 1013904223u;
        text += words[(state >> 16) % 8];
        if ((state >> 8) % 3 == 0)
            text += QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

// What a session that runs through writes: the calls of each file, in order.
struct Calls {
    QMap<QString, int> total;
    QMap<QString, QStringList> each;
};

struct Outcome {
    int killed = 0;
    QMap<int, QMap<int, int>> states; // page -> state -> points
    QStringList failures;
};

} // namespace

class TestCrashPoints : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_old;                // the folder as a previous session left it
    QString m_file;               // the file the session opens
    QMap<QString, Calls> m_calls; // by the session's ending

    QString work() const { return m_dir.filePath(QStringLiteral("work")); }

    std::unique_ptr<QProcess> start(const QStringList& args,
                                    const QMap<QString, QString>& env = {}) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        e.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
        e.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        for (auto it = env.begin(); it != env.end(); ++it)
            e.insert(it.key(), it.value());
        p->setProcessEnvironment(e);
        p->start(Scenario, args);
        p->waitForFinished(120000);
        return p;
    }

    // A fresh copy of the old folder to work in.
    bool freshWork() {
        QDir(work()).removeRecursively();
        if (!QDir().mkpath(work()))
            return false;
        for (const QString& name : QDir(m_old).entryList(QDir::Files | QDir::Hidden))
            if (!QFile::copy(m_old + u'/' + name, work() + u'/' + name))
                return false;
        return true;
    }

    // One session that runs through: its calls, and the next start-up finds
    // every page new.
    void runThrough(const QString& ending, Calls& calls) {
        QVERIFY(freshWork());
        const QString counts = m_dir.filePath(QStringLiteral("counts"));
        const QString trace = m_dir.filePath(QStringLiteral("trace"));
        const auto run = start({QStringLiteral("run"), work(), m_file, ending},
                               {{QStringLiteral("LD_PRELOAD"), Killer},
                                {QStringLiteral("SORABUN_COUNT_FILE"), counts},
                                {QStringLiteral("SORABUN_TRACE_FILE"), trace}});
        QVERIFY2(run->exitStatus() == QProcess::NormalExit && run->exitCode() == 0,
                 run->readAllStandardOutput() + run->readAllStandardError());
        QFile c(counts), t(trace);
        QVERIFY(c.open(QIODevice::ReadOnly) && t.open(QIODevice::ReadOnly));
        for (const QByteArray& line : c.readAll().split('\n'))
            if (const QList<QByteArray> f = line.split(' '); f.size() == 2)
                calls.total[QString::fromLatin1(f[0])] = f[1].toInt();
        for (const QByteArray& line : t.readAll().split('\n'))
            if (const QList<QByteArray> f = line.split(' '); f.size() == 5)
                calls.each[QString::fromLatin1(f[0])] << QString::fromLatin1(f[2] + ' ' + f[3]);
        const auto next = start({QStringLiteral("final"), work(), m_file});
        QVERIFY2(next->exitCode() == 0, next->readAllStandardOutput().constData());
    }

    // Kills the session at the Nth call on `file` and starts the program
    // again: what the start-up found goes to `out`.
    void killAt(const QString& ending, const QString& file, int n, Outcome& out) {
        QVERIFY(freshWork());
        const QString at = QStringLiteral("%1 #%2 (%3)")
                               .arg(file)
                               .arg(n)
                               .arg(m_calls[ending].each.value(file).value(n - 1));
        const auto run = start({QStringLiteral("run"), work(), m_file, ending},
                               {{QStringLiteral("LD_PRELOAD"), Killer},
                                {QStringLiteral("SORABUN_KILL_FILE"), file},
                                {QStringLiteral("SORABUN_KILL_AT"), QString::number(n)}});
        if (run->exitStatus() == QProcess::CrashExit)
            ++out.killed;
        else
            out.failures << at + QStringLiteral(": the session ended before it");
        const auto next = start({QStringLiteral("check"), work(), m_file});
        const QString found = QString::fromUtf8(next->readAllStandardOutput());
        for (const QString& line : found.split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList w = line.split(u' ');
            if (w.size() == 6 && w[0] == u"page" && w[2] == u"state")
                ++out.states[w[1].toInt()][w[3].toInt()];
            else if (!line.startsWith(QStringLiteral("verdict")))
                out.failures << at + QStringLiteral(": ") + line;
        }
        if (next->exitStatus() != QProcess::NormalExit ||
            !found.contains(QStringLiteral("verdict")))
            out.failures << at + QStringLiteral(": the start-up did not end: ") + found.right(400);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_old = m_dir.filePath(QStringLiteral("old"));
        m_file = m_dir.filePath(QStringLiteral("novel.txt"));
        QFile f(m_file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(japaneseFile(1'000'000));
        f.close();
        const auto seed = start({QStringLiteral("seed"), m_old});
        QVERIFY2(seed->exitCode() == 0, seed->readAllStandardError().constData());

        for (const QString& ending : Endings) {
            // Twice: the points must be the same every time, or N names no moment.
            Calls again;
            runThrough(ending, m_calls[ending]);
            runThrough(ending, again);
            for (const QString& file : Files)
                qInfo("%s: %s: %d points (then %d)", qPrintable(ending), qPrintable(file),
                      m_calls[ending].total.value(file), again.total.value(file));
            QCOMPARE(again.total, m_calls[ending].total);
            QVERIFY(m_calls[ending].total.value(QStringLiteral("store.sqlite-wal")) > 0);
            QVERIFY(m_calls[ending].total.value(QStringLiteral("history.sqlite-wal")) > 0);
        }
    }

    void killedAtEachPoint_data() {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("spread");
        for (const QString& ending : Endings) {
            // The logs take every commit; the files themselves only checkpoints.
            for (const QString& file : Files)
                QTest::addRow("%s: %s", qPrintable(ending), qPrintable(file))
                    << ending << file << (file.endsWith(QStringLiteral("-wal")) ? 2 : 1);
        }
    }

    void killedAtEachPoint() {
        QFETCH(QString, ending);
        QFETCH(QString, file);
        QFETCH(int, spread);
        const int total = m_calls[ending].total.value(file);
        if (total == 0)
            QSKIP("the session never writes this file");
        QElapsedTimer clock;
        clock.start();
        Outcome out;
        const QList<int> points = pointsOf(total, spread);
        for (const int n : points) {
            killAt(ending, file, n, out);
            if (QTest::currentTestFailed())
                return;
        }
        QStringList pages;
        for (auto page = out.states.begin(); page != out.states.end(); ++page) {
            QStringList seen;
            for (auto s = page->begin(); s != page->end(); ++s)
                seen << QStringLiteral("%1×%2").arg(s.key()).arg(s.value());
            pages << QStringLiteral("%1 [%2]").arg(page.key()).arg(seen.join(u' '));
        }
        qInfo("%lld of %d points in %.0f s, %d killed there, %lld failures; "
              "page [state×points]: %s",
              qint64(points.size()), total, clock.elapsed() / 1000.0, out.killed,
              qint64(out.failures.size()), qPrintable(pages.join(QStringLiteral(", "))));
        for (const QString& f : out.failures)
            qWarning("%s", qPrintable(f));
        QVERIFY2(out.failures.isEmpty(), qPrintable(out.failures.value(0)));
    }
};

QTEST_GUILESS_MAIN(TestCrashPoints)
#include "tst_crashpoints.moc"
