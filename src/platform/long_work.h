#pragma once

#include <QElapsedTimer>
#include <QString>

#include <functional>

class QObject;
class QProgressDialog;

// Long work on the user-interface thread shows that it is working: past half
// a second the mouse pointer turns busy, past two seconds a progress dialog
// without a cancel button appears (the work cannot stop half-way: a page is
// never left half-filled). Scopes nest: the outermost one times the whole work
// and shows its label; inner ones only pass their progress on.
//
// While it shows its progress, the program handles events other than input:
// whatever would write the page on show or end the program then (a signal,
// the session's end, the window closed) waits for the work with afterWork(),
// and the idle save looks at running(), so that a page half read or built is
// never stored.
class LongWork {
public:
    explicit LongWork(const QString& label);
    ~LongWork();
    LongWork(const LongWork&) = delete;
    LongWork& operator=(const LongWork&) = delete;

    // How far the current step of the work has come; does nothing (and costs
    // next to nothing) when no scope is open.
    static void progress(qint64 done, qint64 total);
    // The work proper starts now: time spent before, waiting for the user in
    // a dialog, does not count.
    static void startsNow();
    // Whether some long work is running: the page may be half built. A dialog
    // that waits for the user inside the work (the Open dialog, a question
    // about the file) pauses it, with the page whole.
    static bool running();
    // Runs `action` now when no long work is running, else from the event
    // loop once it has ended and its caller has finished with the page; it
    // is dropped when `context` goes first.
    static void afterWork(QObject* context, std::function<void()> action);

    // How soon work shows that it is busy, and how often it then lets events
    // through: past half a second, every tenth of a second; the progress
    // dialog past two seconds.
    struct Pace {
        qint64 busyAfterMs = 500;
        qint64 refreshMs = 100;
        qint64 dialogAfterMs = 2000;
    };
    // Sets the pace of all work from now on (a test that needs events inside
    // short work lets them through at every step).
    static void setPace(const Pace& pace);
    static Pace pace();

private:
    void report(qint64 done, qint64 total);

    QString m_label;
    bool m_outermost;
    LongWork* m_enclosing; // the scope this one is nested in
    int m_loopLevel;       // the event loops running when the work began
    QElapsedTimer m_clock;
    qint64 m_lastShown = 0;
    bool m_busyCursor = false;
    QProgressDialog* m_dialog = nullptr;
};
