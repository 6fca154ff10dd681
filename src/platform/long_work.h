#pragma once

#include <QElapsedTimer>
#include <QString>

class QProgressDialog;

// Long work on the user-interface thread shows that it is working: past half
// a second the mouse pointer turns busy, past two seconds a progress dialog
// without a cancel button appears (the work cannot stop half-way: a page is
// never left half-filled). Scopes nest: the outermost one times the whole work
// and shows its label; inner ones only pass their progress on.
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
    // Whether some long work is running: the page may be half built.
    static bool running();

private:
    void report(qint64 done, qint64 total);

    QString m_label;
    bool m_outermost;
    QElapsedTimer m_clock;
    qint64 m_lastShown = 0;
    bool m_busyCursor = false;
    QProgressDialog* m_dialog = nullptr;
};
