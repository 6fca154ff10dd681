#include "session/idle_save.h"

#include "platform/long_work.h"
#include "session/store_notices.h"
#include "session/workspace.h"
#include "store/keys.h"
#include "store/page_history.h"

IdleSave::IdleSave(Workspace& ws, Timing timing) : m_ws(ws), m_timing(timing), m_capture(this) {
    m_pause.setSingleShot(true);
    m_longest.setSingleShot(true);
    connect(&m_pause, &QTimer::timeout, this, [this] { save(); });
    connect(&m_longest, &QTimer::timeout, this, [this] { save(); });
    for (TextView* view : {&ws.views.wrappedView, &ws.views.unwrappedView}) {
        connect(view, &QPlainTextEdit::textChanged, this, [this] { touched(); });
        connect(view, &QPlainTextEdit::cursorPositionChanged, this, [this] { touched(); });
        connect(view, &QPlainTextEdit::selectionChanged, this, [this] { touched(); });
    }
}

IdleSave::~IdleSave() {
    stop();
}

IdleSave::Place IdleSave::place() const {
    TextView& shown = m_ws.views.visible();
    return {m_ws.state.currentPage, shown.selStart(), shown.selLength()};
}

void IdleSave::start() {
    if (!m_started) {
        m_started = true;
        m_written = place();
        // A store that could not be opened was reported at start-up already.
        m_failureShown = !m_ws.store.isOpen();
    }
    m_watching = true;
}

void IdleSave::stop() {
    m_watching = false;
    m_pause.stop();
    m_longest.stop();
    m_capture.cancel();
    m_ws.store.waitForBackground();
    // Whoever stops the idle save writes the page next (shut-down, the
    // session's end): the snapshots taken before reach the disk first.
    m_ws.snapshots.handOver();
    m_ws.snapshots.history().waitForBackground();
}

void IdleSave::touched() {
    if (!m_watching)
        return;
    m_pause.start(m_timing.pauseMs);
    if (!m_longest.isActive())
        m_longest.start(m_timing.longestWaitMs);
}

bool IdleSave::save() {
    m_pause.stop();
    m_longest.stop();
    if (!m_watching)
        return false;
    if (m_capture.running() || m_writing)
        return true; // what changes meanwhile is written when this ends
    if (LongWork::running()) {
        touched(); // a page half read or built is written once it is whole
        return true;
    }
    const Views& views = m_ws.views;
    const quint64 marks = views.storeMarks();
    if (!views.pageChanged()) {
        if (place() == m_written)
            return false;
        send(marks, std::nullopt);
        return true;
    }
    const int page = m_ws.state.currentPage;
    m_capture.start(m_ws.views.visible(), [this, marks, page](doctext::Raw raw) {
        // Another page on show, or the page stored or read meanwhile: the
        // text taken is no longer what needs writing.
        if (m_ws.views.storeMarks() != marks || m_ws.state.currentPage != page) {
            touched();
            return;
        }
        send(marks, std::move(raw));
    });
    return true;
}

void IdleSave::send(quint64 marks, std::optional<doctext::Raw> raw) {
    const Place now = place();
    const Place before = m_written;
    const quint64 edits = m_ws.views.edits();
    const bool withText = raw.has_value();
    // A page replaced as a whole (a file put in, the page cleared) was kept
    // in the history first: the store takes the new text once that snapshot
    // is on the disk, or a crash between the two would leave the former text
    // nowhere.
    std::shared_future<void> kept;
    if (withText) {
        // During long work, what is held is of the page the work replaces.
        if (!LongWork::running())
            m_ws.snapshots.handOver();
        kept = m_ws.snapshots.history().handedOver();
    }
    // Every few minutes the text written is kept in the page history too.
    const Snapshots::Keeper keep = withText ? m_ws.snapshots.dueFor(now.page) : nullptr;
    auto make = [raw = std::move(raw), now, before, keep, kept] {
        SettingsStore::Values values;
        if (raw) {
            QString text = doctext::textOf(*raw);
            if (keep)
                keep(text);
            values.emplace_back(keys::page(now.page), std::move(text));
        }
        // The caret belongs to the page on show: with another page it is written anew.
        if (now.page != before.page || now.start != before.start || now.length != before.length) {
            values.emplace_back(keys::SelectionStart, QString::number(now.start));
            values.emplace_back(keys::SelectionLength, QString::number(now.length));
        }
        if (now.page != before.page)
            values.emplace_back(keys::Page, QString::number(now.page));
        if (kept.valid())
            kept.wait();
        return values;
    };
    m_writing = true;
    m_ws.store.writeInBackground(std::move(make), this,
                                 [this, marks, edits, now, withText](SettingsStore::Failure f) {
                                     finished(f, marks, edits, now, withText);
                                 });
}

void IdleSave::finished(SettingsStore::Failure failure, quint64 marks, quint64 edits, Place now,
                        bool withText) {
    m_writing = false;
    emit writeEnded(failure);
    Views& views = m_ws.views;
    if (views.storeMarks() != marks) {
        // The page was stored or replaced meanwhile: that write stands.
        touched();
        return;
    }
    if (failure != SettingsStore::Failure::None) {
        // Said once; the next edit tries again, the next success clears it.
        if (!m_failureShown) {
            m_failureShown = true;
            m_ws.platform.prompts.notice(
                QStringLiteral("入力した内容を自動で保存できませんでした。\r\n") +
                notices::failureDetail(m_ws.store, failure) +
                QStringLiteral("\r\nこのままでは、異常終了したときに入力した内容が失われる"
                               "おそれがあります。空き容量を確保するなど原因を取り除くか、"
                               "「ファイルに出力」でファイルに書き出してください。"));
        }
        return;
    }
    m_failureShown = false;
    if (withText)
        views.markStored(edits);
    m_written = now;
    if (views.pageChanged() || !(place() == m_written))
        touched();
}
