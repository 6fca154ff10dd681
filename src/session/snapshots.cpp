#include "session/snapshots.h"

#include "editor/textview.h"
#include "platform/long_work.h"
#include "session/app_state.h"
#include "session/views.h"
#include "store/keys.h"
#include "store/page_history.h"
#include "store/settings_store.h"

Snapshots::Snapshots(Views& views, AppState& state, SettingsStore& store, PageHistory& history)
    : m_views(views), m_state(state), m_store(store), m_history(history) {
    // The views' own edits: typing, pasting or deleting over most of the page.
    for (TextView* view : {&views.wrappedView, &views.unwrappedView})
        connect(view, &TextView::replacingMost, this, [this] { keepShown(); });
    m_release.setInterval(50);
    connect(&m_release, &QTimer::timeout, this, [this] {
        if (!LongWork::running())
            handOver();
    });
}

// What is still held goes to the history, which writes it before it closes.
Snapshots::~Snapshots() {
    handOver();
}

// The document's units are taken now, before the change; turning them into
// the text is left to the history's thread.
void Snapshots::keepShown() {
    if (!m_history.isOpen() || m_views.visible().textLength() == 0)
        return;
    auto raw = std::make_shared<doctext::Raw>(m_views.visible().rawText());
    hand(m_state.currentPage, [raw] { return doctext::textOf(std::move(*raw)); });
}

void Snapshots::keepShown(const QString& text) {
    if (!text.isEmpty())
        hand(m_state.currentPage, [text] { return text; });
}

void Snapshots::beforeSelectionReplaced() {
    if (m_views.visible().selectionHoldsMost())
        keepShown();
}

void Snapshots::keepStored(int page) {
    if (!m_history.isOpen())
        return;
    const QString text = m_store.ReadSetting(keys::page(page), QString());
    if (text.isEmpty())
        return;
    hand(page, [text] { return text; });
    settle();
}

void Snapshots::settle() {
    if (!m_history.isOpen())
        return;
    handOver();
    m_history.handedOver().wait();
}

// Taken now; written once no long work runs, so the history's thread never
// competes with a file read or a page build.
void Snapshots::hand(int page, std::function<QString()> make) {
    m_held.push_back({page, m_history.now(), std::move(make)});
    if (LongWork::running())
        m_release.start();
    else
        handOver();
}

void Snapshots::handOver() {
    m_release.stop();
    for (Held& h : m_held)
        m_history.add(h.page, h.takenMs, std::move(h.make));
    m_held.clear();
}

// Five minutes of real time, whatever the calendar clock does meanwhile: a
// clock put forward or back neither hurries the next snapshot nor puts it
// off.
Snapshots::Keeper Snapshots::dueFor(int page) {
    const std::optional<qint64> since = m_history.sinceLastTaken(page);
    if (!m_history.isOpen() || (since && *since < IntervalMs))
        return {};
    const qint64 now = m_history.now();
    PageHistory* history = &m_history;
    return [history, page, now](const QString& text) { history->add(page, now, text, true); };
}
