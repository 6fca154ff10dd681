#include "x11_figures.h"
#include "stats.h"

#include "files/text_file.h"
#include "store/keys.h"
#include "store/settings_store.h"
#include "store/values.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <optional>

namespace x11figures {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double msBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

void detail(const QString& text) {
    std::fprintf(stderr, "  %s\n", qPrintable(text));
}

// Runs a helper tool to its end; its standard output, or nothing on failure.
std::optional<QByteArray> tool(const QString& program, const QStringList& args,
                               const QProcessEnvironment& env) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    return p.readAllStandardOutput();
}

// An X server of our own with openbox managing its windows.
class Display {
public:
    Display() {
        for (int n = 99; n < 200; ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) ||
                QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                continue;
            m_name = QStringLiteral(":%1").arg(n);
            m_xvfb.start(QStringLiteral("Xvfb"),
                         {m_name, QStringLiteral("-screen"), QStringLiteral("0"),
                          QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                          QStringLiteral("tcp")});
            for (int i = 0; i < 100 && !QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n));
                 ++i)
                QThread::msleep(50);
            break;
        }
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("DISPLAY"), m_name);
        m_env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        m_openbox.setProcessEnvironment(m_env);
        m_openbox.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        for (int i = 0; i < 100; ++i) {
            const auto out =
                tool(QStringLiteral("xprop"),
                     {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")}, m_env);
            if (out && out->contains("window id")) {
                m_ready = true;
                break;
            }
            QThread::msleep(100);
        }
    }
    ~Display() {
        for (QProcess* p : {&m_openbox, &m_xvfb}) {
            p->terminate();
            if (!p->waitForFinished(5000))
                p->kill();
            p->waitForFinished();
        }
    }
    bool ready() const { return m_ready; }
    const QProcessEnvironment& env() const { return m_env; }

private:
    QString m_name;
    QProcess m_xvfb, m_openbox;
    QProcessEnvironment m_env;
    bool m_ready = false;
};

qint64 cpuTicks(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray s = f.readAll();
    // Fields after the command name, which may hold spaces: utime and stime
    // are the 14th and 15th fields of the line.
    const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields[11].toLongLong() + fields[12].toLongLong() : -1;
}

double peakMiB(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

// The id of the visible window whose title matches, waiting up to `limit`.
QString waitWindow(const Display& x, const QString& titleRegex, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        const auto out = tool(QStringLiteral("xdotool"),
                              {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                               QStringLiteral("--name"), titleRegex},
                              x.env());
        if (out && !out->trimmed().isEmpty())
            return QString::fromLatin1(out->trimmed().split('\n').constFirst());
        QThread::msleep(40);
    }
    return QString();
}

// When the process last used the processor before a second without use;
// nothing when it ended or kept busy past `limit`. The scheduler charges a
// process by sampling, a clock tick (10 ms) at a time: a blinking caret is
// charged a lone tick now and then, so a second with one lone tick still
// counts as without use.
std::optional<Clock::time_point> waitIdle(qint64 pid, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    qint64 last = cpuTicks(pid);
    auto busyUntil = Clock::now();
    bool loneTickSeen = false;
    while (Clock::now() < end) {
        QThread::msleep(20);
        const qint64 now = cpuTicks(pid);
        if (now < 0)
            return std::nullopt;
        if (now != last) {
            const bool lone = now - last == 1 && !loneTickSeen && Clock::now() - busyUntil >= 200ms;
            if (lone) {
                loneTickSeen = true;
            } else {
                busyUntil = Clock::now();
                loneTickSeen = false;
            }
            last = now;
        } else if (Clock::now() - busyUntil >= 1000ms) {
            return busyUntil;
        }
    }
    return std::nullopt;
}

void stop(QProcess& p) {
    ::kill(pid_t(p.processId()), SIGTERM);
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
    }
}

// Starts a program on the display, quiet, with configuration and runtime
// folders of its own in `tmp`; returns when it started, or nothing.
std::optional<Clock::time_point> launch(QProcess& p, const Display& x, const QTemporaryDir& tmp,
                                        const QString& program, const QStringList& args) {
    QProcessEnvironment env = x.env();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), tmp.filePath(QStringLiteral("config")));
    const QString runtime = tmp.filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    p.setProcessEnvironment(env);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    const auto t0 = Clock::now();
    p.start(program, args);
    if (!p.waitForStarted())
        return std::nullopt;
    return t0;
}

struct SorabunRun {
    double openMs = 0;
    double typingMs = 0; // per character, until idle
    double peakMiB = 0;
};

// Sorabun started with `file` on its command line (AutoOP on, an empty store,
// word wrap and the status bar as given); then `typed` typed at the end of the
// page. Counts only when the page stored at exit is the file's text followed by
// what was typed, and the status bar was on as asked.
std::optional<SorabunRun> sorabun(const Display& x, const QString& program, const QString& file,
                                  bool wrap, const QString& typed, std::chrono::milliseconds limit,
                                  bool statusBar = false) {
    QTemporaryDir tmp;
    const QString config = tmp.filePath(QStringLiteral("config"));
    QDir().mkpath(config + QStringLiteral("/sorabun"));
    const QString storePath = config + QStringLiteral("/sorabun/store.sqlite");
    {
        SettingsStore store(storePath);
        store.WriteSetting(keys::FillBlankPages, QStringLiteral("1"));
        store.WriteSetting(keys::WordWrap, values::flagText(wrap));
        if (statusBar)
            store.WriteSetting(keys::StatusBar, values::flagText(true));
    }
    QProcess p;
    const std::optional<Clock::time_point> started = launch(p, x, tmp, program, {file});
    if (!started)
        return std::nullopt;
    const auto t0 = *started;
    const qint64 pid = p.processId();
    SorabunRun run;
    const QString window = waitWindow(x, QStringLiteral("^Sorabun - 1$"), limit);
    const auto shown = window.isEmpty() ? std::nullopt : waitIdle(pid, limit);
    if (!shown) {
        detail(QStringLiteral("%1: %2").arg(QFileInfo(file).fileName(),
                                            window.isEmpty() ? QStringLiteral("no window")
                                                             : QStringLiteral("never idle")));
        p.kill();
        p.waitForFinished();
        return std::nullopt;
    }
    run.openMs = msBetween(t0, *shown);
    if (!typed.isEmpty()) {
        const auto xdotool = [&](const QStringList& args) {
            return tool(QStringLiteral("xdotool"), args, x.env()).has_value();
        };
        bool ok = xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window}) &&
                  xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"),
                           QStringLiteral("ctrl+End")}) &&
                  waitIdle(pid, limit).has_value();
        const auto t1 = Clock::now();
        ok = ok && xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("0"),
                            typed});
        const auto typedIdle = ok ? waitIdle(pid, limit) : std::nullopt;
        if (!typedIdle) {
            detail(QStringLiteral("%1: typing did not finish").arg(QFileInfo(file).fileName()));
            p.kill();
            p.waitForFinished();
            return std::nullopt;
        }
        run.typingMs = msBetween(t1, *typedIdle) / double(typed.size());
    }
    run.peakMiB = peakMiB(pid);
    stop(p);
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return std::nullopt;
    const textfile::ReadResult expected = textfile::ReadTextFile(file);
    const SettingsStore stored(storePath);
    if (stored.ReadSetting(keys::page(1)) != expected.text + typed) {
        detail(QStringLiteral("%1: the page is not the file's text").arg(file));
        return std::nullopt;
    }
    if (statusBar && !values::flag(stored.ReadSetting(keys::StatusBar))) {
        detail(QStringLiteral("%1: no status bar").arg(QFileInfo(program).fileName()));
        return std::nullopt;
    }
    return run;
}

// FeatherPad opening `file` (UTF-8): until its window, named after the file,
// is shown and the process idle.
std::optional<double> featherpad(const Display& x, const QString& file) {
    QTemporaryDir tmp;
    QProcess p;
    const std::optional<Clock::time_point> started =
        launch(p, x, tmp, QStringLiteral("featherpad"), {file});
    if (!started)
        return std::nullopt;
    const auto t0 = *started;
    const QString window =
        waitWindow(x, QRegularExpression::escape(QFileInfo(file).fileName()), 60s);
    const auto idle = window.isEmpty() ? std::nullopt : waitIdle(p.processId(), 60s);
    p.terminate();
    if (!p.waitForFinished(5000)) {
        p.kill();
        p.waitForFinished();
    }
    if (!idle)
        return std::nullopt;
    return msBetween(t0, *idle);
}

using bench::median;
using bench::samples;

struct Series {
    const char* name;
    const char* unit;
    double limit; // 0: no target of its own
    QList<double> values;
};

} // namespace

Outcome run(const benchdata::Files& data, const QString& program, int reps,
            const QStringList& only) {
    Outcome outcome;
    Series open20{"x11_open_20mb_ms", "ms", 0, {}};
    Series typing20{"typing_20mb_ms", "ms", 50, {}};
    // The same with the status bar on: its count follows every key.
    Series typing20Status{"typing_20mb_status_ms", "ms", 50, {}};
    Series peer{"featherpad_open_20mb_ms", "ms", 0, {}};
    Series open100{"x11_open_100mb_ms", "ms", 6000, {}};
    Series rss100{"rss_100mb_mib", "MiB", 400, {}};
    Series line{"x11_open_longline_5mb_ms", "ms", 2000, {}};
    Series typingLine{"typing_longline_ms", "ms", 100, {}};
    auto wanted = [&](std::initializer_list<const char*> names) {
        if (only.isEmpty())
            return true;
        for (const char* n : names)
            if (only.contains(QString::fromLatin1(n)))
                return true;
        return false;
    };
    const bool do20 = wanted(
        {"x11_open_20mb_ms", "typing_20mb_ms", "open_20mb_vs_featherpad", "open_scaling_100_20"});
    const bool do20Status = wanted({"typing_20mb_status_ms"});
    const bool doPeer = wanted({"open_20mb_vs_featherpad", "featherpad_open_20mb_ms"});
    const bool do100 = wanted({"x11_open_100mb_ms", "rss_100mb_mib", "open_scaling_100_20"});
    const bool doLine = wanted({"x11_open_longline_5mb_ms", "typing_longline_ms"});
    if (!do20 && !do20Status && !doPeer && !do100 && !doLine)
        return outcome;

    const Display x;
    if (!x.ready()) {
        std::fprintf(stderr, "x11 figures: no Xvfb with openbox here\n");
        ++outcome.failed;
        return outcome;
    }
    const bool havePeer = !QStandardPaths::findExecutable(QStringLiteral("featherpad")).isEmpty();
    if (doPeer && !havePeer)
        std::fprintf(stderr, "anchor featherpad_open_20mb_ms: no featherpad here\n");
    const QString typed50 = QStringLiteral("abcdefghij").repeated(5);
    const QString typed2 = QStringLiteral("ab");

    // One loop: the peer runs between the program's runs, under the same load.
    for (int r = 0; r < reps; ++r) {
        if (do20) {
            if (const auto s = sorabun(x, program, data.text20, true, typed50, 60s)) {
                open20.values << s->openMs;
                typing20.values << s->typingMs;
            }
        }
        if (do20Status) {
            if (const auto s = sorabun(x, program, data.text20, true, typed50, 60s, true))
                typing20Status.values << s->typingMs;
        }
        if (doPeer && havePeer) {
            if (const auto v = featherpad(x, benchdata::Files::utf8(data.text20)))
                peer.values << *v;
        }
        if (do100) {
            if (const auto s = sorabun(x, program, data.text100, true, QString(), 120s)) {
                open100.values << s->openMs;
                rss100.values << s->peakMiB;
            }
        }
        if (doLine) {
            // Word wrap on and off; the slower of the two counts.
            const auto on = sorabun(x, program, data.line5, true, typed2, 60s);
            const auto off = sorabun(x, program, data.line5, false, typed2, 60s);
            if (on && off) {
                line.values << std::max(on->openMs, off->openMs);
                typingLine.values << std::max(on->typingMs, off->typingMs);
                detail(QStringLiteral("one long line: open %1 / %2 ms, typing %3 / %4 ms a "
                                      "character (wrap on / off)")
                           .arg(on->openMs, 0, 'f', 0)
                           .arg(off->openMs, 0, 'f', 0)
                           .arg(on->typingMs, 0, 'f', 0)
                           .arg(off->typingMs, 0, 'f', 0));
            }
        }
    }

    auto report = [&](const Series& s, bool wantedHere,
                      bool anchor = false) -> std::optional<double> {
        if (!wantedHere)
            return std::nullopt;
        if (s.values.size() < reps) {
            ++outcome.failed;
            std::fprintf(stderr, "%s: %lld of %d runs failed\n", s.name,
                         static_cast<long long>(reps - s.values.size()), reps);
            return std::nullopt;
        }
        const double m = median(s.values);
        std::printf("%s %s %.1f %s\n", anchor ? "anchor" : "figure", s.name, m, s.unit);
        std::fflush(stdout);
        if (s.limit > 0) {
            const bool met = m <= s.limit;
            outcome.missed += !met;
            std::fprintf(stderr, "  %s target <= %g %s: %s (samples %s)\n", s.name, s.limit, s.unit,
                         met ? "met" : "MISSED", qPrintable(samples(s.values)));
        } else {
            std::fprintf(stderr, "  samples %s\n", qPrintable(samples(s.values)));
        }
        return m;
    };
    auto ratio = [&](const char* name, std::optional<double> a, std::optional<double> b,
                     double limit) {
        if (!a || !b || *b <= 0)
            return;
        const double v = *a / *b;
        std::printf("figure %s %.2f\n", name, v);
        std::fflush(stdout);
        outcome.missed += v > limit;
        std::fprintf(stderr, "  %s target <= %g: %s\n", name, limit, v <= limit ? "met" : "MISSED");
    };
    const auto m20 = report(open20, do20);
    report(typing20, do20);
    report(typing20Status, do20Status);
    const auto mPeer = report(peer, doPeer && havePeer, true);
    ratio("open_20mb_vs_featherpad", m20, mPeer, 0.5);
    const auto m100 = report(open100, do100);
    ratio("open_scaling_100_20", m100, m20, 5.5);
    report(rss100, do100);
    report(line, doLine);
    report(typingLine, doLine);
    return outcome;
}

} // namespace x11figures
