#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <vector>

class PageHistory;
class SettingsStore;
class Views;
struct AppState;

// When a page's past is kept in the page history. A snapshot of the page on
// show is taken when it has changed and at least five minutes have passed
// since its last one (the idle save hands its text over), and always before
// a change that replaces much of a page at once: a file opened or dropped
// into it or placed there by the intake, replace all, clearing it, typing,
// pasting or deleting over a selection of more than half of it, a restore.
// The text goes to the history's own thread: taking it never makes the user
// wait for the disk; what is taken during long work (a file read, a page
// build) is handed over when the work has ended.
class Snapshots : public QObject {
public:
    Snapshots(Views& views, AppState& state, SettingsStore& store, PageHistory& history);
    ~Snapshots() override;

    static constexpr qint64 IntervalMs = 5 * 60 * 1000;

    PageHistory& history() { return m_history; }

    // Before a change that replaces much of the page on show: its text now.
    void keepShown();
    // The same, with its text already at hand.
    void keepShown(const QString& text);
    // Before the selection of the page on show is replaced: the page is kept
    // when the selection holds more than half of it.
    void beforeSelectionReplaced();
    // Before a file replaces page `page` in the store: the text stored,
    // on the disk when this returns, so the caller may write over it.
    void keepStored(int page);
    // Hands what was taken during long work to the history now.
    void handOver();
    // Before a page is written over in the store: every snapshot taken so
    // far reaches the disk first (or is refused), so that a crash between
    // the two writes never leaves the text a snapshot kept nowhere.
    void settle();

    // The idle save is about to write the text of `page`: when a snapshot is
    // due, what to hand the text to (on any thread); otherwise empty.
    using Keeper = std::function<void(const QString&)>;
    Keeper dueFor(int page);

private:
    void hand(int page, std::function<QString()> make);

    struct Held {
        int page;
        qint64 takenMs;
        std::function<QString()> make;
    };
    Views& m_views;
    AppState& m_state;
    SettingsStore& m_store;
    PageHistory& m_history;
    std::vector<Held> m_held; // taken during long work
    QTimer m_release;
};
