#pragma once

#include "editor/text_capture.h"
#include "store/settings_store.h"

#include <QObject>
#include <QPointer>
#include <QTextBlock>
#include <QTimer>
#include <functional>
#include <optional>

class Views;
struct Workspace;

// Keeps what is typed safe while the program runs. About a second after the
// typing pauses, and at least every few seconds of continuous typing, the
// page on show, its caret and selection and the page number go to the store,
// each only when it changed since this program last read or wrote it. The
// text is taken a slice at a time and turned into the stored form and
// written on the store's own thread: the user never waits for it.
class IdleSave : public QObject {
public:
    explicit IdleSave(Workspace& ws);
    ~IdleSave() override;

    int pauseMs = 1000;
    int longestWaitMs = 5000;

    // Begins (or resumes) watching; at the first start, the caret and page
    // on show are what the store holds.
    void start();
    // The store now holds the caret and page on show (written elsewhere).
    void placeWritten() { m_written = place(); }
    // Ends watching, drops what is not written yet, and waits for a write
    // under way.
    void stop();
    // Writes what changed now (the timers call it).
    void save();
    // True when nothing is scheduled, being taken or being written.
    bool isIdle() const;

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
    bool m_watching = false;
    bool m_started = false;
    bool m_writing = false;
    bool m_failureShown = false;
    Place m_written;
    QTimer m_pause;
    QTimer m_longest;
    TextCapture m_capture;
};

// What the program tells the user when the store refuses a write, and the
// last resort when nobody can be asked: the page written to a file.
namespace safekeeping {

// "ディスクの空き容量が足りません。" and the like, then the store's path.
QString failureDetail(const SettingsStore& store, SettingsStore::Failure failure);
// The page was not stored, so the switch to another page did not happen.
QString switchRefused(const SettingsStore& store, int page);
// The page on show was not stored (the Open dialog of dropped files).
QString pageNotStored(const SettingsStore& store, int page);
// A file was not stored into another page.
QString fileNotStored(const SettingsStore& store, int page);
// Start-up: no store could be opened, or a damaged one was kept aside.
QString noStore(const SettingsStore& store);
QString keptAside(const QString& asidePath);
// The page history's file was damaged and kept aside; the pages are intact.
QString historyKeptAside(const QString& asidePath);

// $XDG_DATA_HOME/sorabun/recovery, where pages the store refused are kept.
QString recoveryFolder();
// Shut-down refused: stay (Yes) or end without saving (No); `file` names
// where the page on show will be kept, or is empty when it holds no edits.
QString endRefused(const SettingsStore& store, const QString& file);

// A new file for page `page` in a folder of its own in recoveryFolder(); it
// does not exist yet.
QString recoveryPath(int page);
// Writes the text as UTF-8; false when it could not be written whole.
bool writeRecovery(const QString& path, const QString& text);
// The store refused the page on show: when it holds edits (and is whole, not
// half read or built), it is written to `path`, and standard error says where
// (or that it could not be).
void keepUnsaved(Views& views, const QString& path);

} // namespace safekeeping
