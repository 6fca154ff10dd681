#include "editor/snapshots.h"

#include "editor/textview.h"
#include "editor/views.h"
#include "state/app_state.h"
#include "store/keys.h"
#include "store/page_history.h"
#include "store/settings_store.h"

Snapshots::Snapshots(Views& views, AppState& state, SettingsStore& store, PageHistory& history)
    : m_views(views), m_state(state), m_store(store), m_history(history) {
    // The views' own edits: typing, pasting or deleting over most of the page.
    for (TextView* view : {&views.Text1, &views.Text2})
        connect(view, &TextView::replacingMost, this, [this] { keepShown(); });
}

// The document's units are taken now, before the change; turning them into
// the text is left to the history's thread.
void Snapshots::keepShown() {
    if (!m_history.isOpen() || m_views.visible().textLength() == 0)
        return;
    auto raw = std::make_shared<doctext::Raw>(m_views.visible().rawText());
    m_history.add(m_state.CurrentPage, m_history.now(),
                  [raw] { return doctext::textOf(std::move(*raw)); });
}

void Snapshots::keepShown(const QString& text) {
    m_history.add(m_state.CurrentPage, m_history.now(), text);
}

void Snapshots::beforeSelectionReplaced() {
    const TextView& shown = m_views.visible();
    if (shown.selLength() > 0 && shown.selLength() * 2 > shown.textLength())
        keepShown();
}

void Snapshots::keepStored(int page) {
    if (m_history.isOpen())
        m_history.add(page, m_history.now(), m_store.ReadSetting(keys::page(page), QString()));
}

Snapshots::Keeper Snapshots::dueFor(int page) {
    const qint64 now = m_history.now();
    if (!m_history.isOpen() || now - m_history.lastTaken(page) < IntervalMs)
        return {};
    PageHistory* history = &m_history;
    return [history, page, now](const QString& text) { history->add(page, now, text); };
}
