#pragma once

#include "editor/text_capture.h"
#include "store/settings_store.h"

#include <QObject>
#include <QTimer>

#include <optional>

struct Workspace;

// When the idle save writes: after a pause in the typing, and at the latest
// this long after the first change not yet written.
struct IdleSaveTiming {
    int pauseMs = 1000;
    int longestWaitMs = 5000;
};

// Keeps what is typed safe while the program runs. About a second after the
// typing pauses, and at least every few seconds of continuous typing, the
// page on show, its caret and selection and the page number go to the store,
// each only when it changed since this program last read or wrote it. The
// text is taken a slice at a time and turned into the stored form and
// written on the store's own thread: the user never waits for it. A text
// reaches the store only after the snapshots taken before it have reached
// the page history.
class IdleSave : public QObject {
    Q_OBJECT
public:
    using Timing = IdleSaveTiming;

    explicit IdleSave(Workspace& ws, Timing timing = {});
    ~IdleSave() override;

    // Begins (or resumes) watching; at the first start, the caret and page
    // on show are what the store holds.
    void start();
    // The store now holds the caret and page on show (written elsewhere).
    void placeWritten() { m_written = place(); }
    // Ends watching, drops what is not written yet, and waits for a write
    // under way and for the snapshots handed to the page history: the
    // caller writes the page itself next.
    void stop();
    // Writes what changed now (the timers call it). False when there is
    // nothing to write; otherwise writeEnded() tells when the write ends
    // (the write under way, or the one that follows long work).
    bool save();

signals:
    // A write of the idle save has ended: the store took it, or refused it
    // for this reason.
    void writeEnded(SettingsStore::Failure failure);

private:
    struct Place {
        int page = 0;
        qsizetype start = 0;
        qsizetype length = 0;
        bool operator==(const Place&) const = default;
    };
    Place place() const;
    void touched();
    void send(quint64 marks, std::optional<doctext::Raw> raw);
    void finished(SettingsStore::Failure failure, quint64 marks, quint64 edits, Place now,
                  bool withText);

    Workspace& m_ws;
    const Timing m_timing;
    bool m_watching = false;
    bool m_started = false;
    bool m_writing = false;
    bool m_failureShown = false;
    Place m_written;
    QTimer m_pause;
    QTimer m_longest;
    TextCapture m_capture;
};
