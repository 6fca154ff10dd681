#include "editor/text_capture.h"

#include "platform/long_work.h"

#include <QTextDocument>
#include <QTimer>

void TextCapture::start(TextView& view, std::function<void(doctext::Raw)> done) {
    cancel();
    m_view = &view;
    m_done = std::move(done);
    m_raw = doctext::Raw();
    QTextDocument* doc = view.document();
    // Room for the whole text and some typing: the buffer is never moved.
    m_raw.units.reserve(doc->characterCount() + doc->characterCount() / 16 + 4096);
    m_next = doc->begin();
    m_watch = connect(doc, &QTextDocument::contentsChange, this,
                      [this](int position, int, int) { changed(position); });
    QTimer::singleShot(0, this, [this] { step(); });
}

void TextCapture::cancel() {
    disconnect(m_watch);
    m_done = nullptr;
    m_raw = doctext::Raw();
    m_next = QTextBlock();
    m_view = nullptr;
}

// The units before the block of the change stay as taken; from that block on
// they are taken again. A block handle after the change may be stale, so the
// next block is always looked up anew from its position.
void TextCapture::changed(int position) {
    if (!running() || !m_view)
        return;
    QTextDocument* doc = m_view->document();
    const qsizetype taken = m_raw.units.size();
    if (position >= taken) {
        m_next = doc->findBlock(int(taken));
        return;
    }
    QTextBlock block = doc->findBlock(position);
    if (!block.isValid())
        block = doc->lastBlock();
    const qsizetype keep = block.position();
    m_raw.units.truncate(keep);
    while (!m_raw.standIns.isEmpty() && m_raw.standIns.constLast().pos >= keep)
        m_raw.standIns.removeLast();
    m_next = block;
}

void TextCapture::step() {
    if (!running())
        return;
    if (!m_view) {
        cancel();
        return;
    }
    // A page being read or built is no page to take yet.
    if (LongWork::running()) {
        QTimer::singleShot(50, this, [this] { step(); });
        return;
    }
    m_next = m_view->appendRaw(m_raw, m_next, SliceUnits);
    if (m_next.isValid()) {
        QTimer::singleShot(0, this, [this] { step(); });
        return;
    }
    const QTextDocument* doc = m_view->document();
    if (!m_raw.isText && m_raw.units.size() != doc->characterCount() - 1) {
        // Never expected: out of step with the document. The text is taken
        // whole instead, slow but right.
        m_raw = doctext::Raw();
        m_raw.units = m_view->text();
        m_raw.isText = true;
    }
    auto done = std::move(m_done);
    doctext::Raw raw = std::move(m_raw);
    cancel();
    done(std::move(raw));
}
