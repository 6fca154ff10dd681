#include "editor/text_measure.h"

#include "editor/textview.h"
#include "platform/long_work.h"

#include <QLocale>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace {

LineEndKind kindOf(const PageTally::LineEnds& ends, LineEnd typed) {
    const int kinds = (ends.crLf > 0) + (ends.lf > 0) + (ends.cr > 0);
    if (kinds > 1)
        return LineEndKind::Mixed;
    if (ends.lf > 0)
        return LineEndKind::Lf;
    if (ends.cr > 0)
        return LineEndKind::Cr;
    if (ends.crLf > 0)
        return LineEndKind::CrLf;
    // No line end yet: the kind Enter types.
    switch (typed) {
    case LineEnd::Lf:
        return LineEndKind::Lf;
    case LineEnd::Cr:
        return LineEndKind::Cr;
    default:
        return LineEndKind::CrLf;
    }
}

// "1,234", as the history dialog writes its counts.
QString grouped(qsizetype n) {
    return QLocale(QLocale::Japanese, QLocale::Japan).toString(qlonglong(n));
}

} // namespace

TextMeasure::TextMeasure(QObject* parent, int sliceUnits)
    : QObject(parent), m_sliceUnits(sliceUnits) {
    m_turn.setSingleShot(true);
    m_turn.setInterval(0);
    connect(&m_turn, &QTimer::timeout, this, &TextMeasure::refresh);
}

void TextMeasure::follow(TextView* view) {
    for (const QMetaObject::Connection& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_view = view;
    m_tally.follow(view ? view->document() : nullptr);
    m_told.line = 0; // whatever it tells now is news
    countSmallPage();
    if (view) {
        m_connections << connect(view->document(), &QTextDocument::contentsChange, this,
                                 &TextMeasure::documentChanged)
                      << connect(view, &QPlainTextEdit::cursorPositionChanged, this,
                                 &TextMeasure::schedule)
                      << connect(view, &QPlainTextEdit::selectionChanged, this,
                                 &TextMeasure::schedule)
                      << connect(view, &TextView::textSet, this,
                                 [this](const QString& text) {
                                     m_tally.takeText(text, m_view->lineEnd());
                                     schedule();
                                 })
                      << connect(view, &QObject::destroyed, this, [this] { follow(nullptr); });
    }
    schedule();
}

TextStatus TextMeasure::status() const {
    TextStatus s;
    if (!m_view || (m_view->document()->isEmpty() && m_view->textLength() > 0)) {
        s.counted = false; // its document is not built: nothing to count yet
        return s;
    }
    const QTextCursor c = m_view->textCursor();
    const int p = c.position();
    s.line = c.blockNumber() + 1 + m_tally.separatorsBefore(p);
    s.column = 1 + m_tally.charsIn(m_tally.rowStart(p), p);
    s.chars = m_tally.totals().chars;
    if (c.hasSelection())
        s.selected =
            m_tally.charsIn(c.selectionStart(), std::min(c.selectionEnd(), m_tally.counted()));
    s.lineEnds = kindOf(m_tally.lineEnds(m_view->lineEnd()), m_view->lineEnd());
    s.counted = m_tally.complete();
    return s;
}

QString TextMeasure::positionText(const TextStatus& s) {
    return QStringLiteral("行 %1、列 %2").arg(grouped(s.line), grouped(s.column));
}

QString TextMeasure::countText(const TextStatus& s) {
    if (!s.counted)
        return QStringLiteral("数えています…");
    if (s.selected)
        return grouped(*s.selected) + QStringLiteral(" / ") + grouped(s.chars) +
               QStringLiteral(" 文字");
    return grouped(s.chars) + QStringLiteral(" 文字");
}

QString TextMeasure::lineEndText(LineEndKind kind) {
    switch (kind) {
    case LineEndKind::Lf:
        return QStringLiteral("LF");
    case LineEndKind::Cr:
        return QStringLiteral("CR");
    case LineEndKind::Mixed:
        return QStringLiteral("混在");
    default:
        return QStringLiteral("CRLF");
    }
}

void TextMeasure::documentChanged(int from, int removed, int added) {
    m_tally.changed(from, removed, added, atOnce());
    countSmallPage();
    schedule();
}

// A page of common length is counted at once; a longer one a slice an
// event-loop turn, once it is whole.
void TextMeasure::countSmallPage() {
    if (m_view && m_view->document()->characterCount() <= atOnce())
        m_tally.countOn(m_sliceUnits);
}

int TextMeasure::atOnce() const {
    return std::min(m_sliceUnits, PageTally::EditUnits);
}

void TextMeasure::schedule() {
    if (!m_turn.isActive())
        m_turn.start();
}

void TextMeasure::refresh() {
    if (LongWork::running()) {
        // A page half read or built: counted once it is whole.
        if (!m_awaitingWork)
            LongWork::afterWork(this, [this] {
                m_awaitingWork = false;
                schedule();
            });
        m_awaitingWork = true;
        return;
    }
    if (m_view && !m_tally.countOn(m_sliceUnits))
        m_turn.start(); // the next slice, after what else waits
    const TextStatus now = status();
    if (now != m_told) {
        m_told = now;
        emit changed();
    }
}
