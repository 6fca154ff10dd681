#include "editor/line_parts.h"

#include "editor/long_lines.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <vector>

namespace {

// Characters laid out beyond each edge of the view, so nothing at an edge is
// shaped without its neighbours.
constexpr int EdgeUnits = 16;

bool isRightToLeft(char32_t c) {
    switch (QChar::direction(c)) {
    case QChar::DirR:
    case QChar::DirAL:
    case QChar::DirRLE:
    case QChar::DirRLO:
    case QChar::DirRLI:
        return true;
    default:
        return false;
    }
}

bool hasRightToLeft(const QTextBlock& block) {
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QString t = it.fragment().text();
        for (qsizetype i = 0; i < t.size(); ++i) {
            if (t[i].unicode() < 0x0590)
                continue;
            const bool pair =
                t[i].isHighSurrogate() && i + 1 < t.size() && t[i + 1].isLowSurrogate();
            const char32_t cp = pair ? QChar::surrogateToUcs4(t[i], t[i + 1]) : t[i].unicode();
            i += pair;
            if (isRightToLeft(cp))
                return true;
        }
    }
    return false;
}

// The units [from, to) of the block, read from the document.
QString unitsOf(const QTextBlock& block, int from, int to) {
    const QTextDocument* doc = block.document();
    QString s(to - from, Qt::Uninitialized);
    for (int i = from; i < to; ++i)
        s[i - from] = doc->characterAt(block.position() + i);
    return s;
}

// The character formats of the units [from, to) of the block, counted from
// `from`.
QList<QTextLayout::FormatRange> formatsOf(const QTextBlock& block, int from, int to) {
    QList<QTextLayout::FormatRange> formats;
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        const int start = f.position() - block.position();
        const int end = start + f.length();
        if (end <= from)
            continue;
        if (start >= to)
            break;
        const int a = std::max(start, from);
        formats.append({a - from, std::min(end, to) - a, f.charFormat()});
    }
    return formats;
}

// The position of the character at x in the line. The toolkit's own answer is
// the line's end on a line wider than its fixed-point coordinates reach (some
// 33 million pixels, a couple of million characters); the view cannot scroll
// that far, so a search from the start of the line stays short.
int positionAt(const QTextLine& line, qreal x) {
    if (line.naturalTextWidth() >= 0)
        return line.xToCursor(x);
    const int end = line.textStart() + line.textLength();
    int lo = line.textStart();
    int hi = lo;
    for (int step = 64;; step *= 2) {
        hi = std::min(end, lo + step);
        if (hi == end || line.cursorToX(hi) > x)
            break;
        lo = hi;
    }
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        (line.cursorToX(mid) > x ? hi : lo) = mid;
    }
    return lo;
}

} // namespace

bool LinePartPainter::mayDraw(const QTextBlock& block) const {
    if (!LongLines::isLong(block) || !block.layout()->preeditAreaText().isEmpty())
        return false;
    const Seen seen{block.position(), block.length(), block.revision()};
    if (seen != m_seen) {
        m_seen = seen;
        m_seenRightToLeft = hasRightToLeft(block);
    }
    return !m_seenRightToLeft;
}

std::optional<LinePartPainter::Part> LinePartPainter::partOf(const QTextBlock& block, int index,
                                                             qreal left, qreal right) {
    const QTextLayout* whole = block.layout();
    const QTextLine line = whole->lineAt(index);
    const int lineStart = line.textStart();
    int lineEnd = lineStart + line.textLength();
    const bool lastLine = index == whole->lineCount() - 1;
    // A line ended by a line separator holds it; the part leaves it out.
    if (!lastLine && lineEnd > lineStart &&
        block.document()->characterAt(block.position() + lineEnd - 1) == QChar::LineSeparator)
        --lineEnd;
    const int a = positionAt(line, left);
    const int b = positionAt(line, right);
    Part part;
    part.from = std::max(lineStart, std::min(a, b) - EdgeUnits);
    part.to = std::min(lineEnd, std::max(a, b) + EdgeUnits);
    while (part.from > lineStart && !whole->isValidCursorPosition(part.from))
        --part.from;
    while (part.to < lineEnd && !whole->isValidCursorPosition(part.to))
        ++part.to;
    if (part.from >= part.to)
        return part;
    part.endsBlock = lastLine && part.to == lineEnd;
    const QTextDocument* doc = block.document();
    part.layout =
        std::make_unique<QTextLayout>(unitsOf(block, part.from, part.to), doc->defaultFont(),
                                      doc->documentLayout()->paintDevice());
    QTextLayout& l = *part.layout;
    l.setTextOption(whole->textOption());
    l.setFormats(formatsOf(block, part.from, part.to));
    l.beginLayout();
    QTextLine pl = l.createLine();
    pl.setLeadingIncluded(true);
    pl.setLineWidth(line.width());
    // Where the part starts in the whole line; tab stops are measured from the
    // layout's left edge as the part is drawn, so they fall alike.
    pl.setPosition(QPointF(line.cursorToX(part.from), line.y()));
    const bool oneLine = !l.createLine().isValid();
    l.endLayout();
    if (!oneLine || pl.textLength() != part.to - part.from || pl.ascent() != line.ascent() ||
        pl.descent() != line.descent() || pl.height() != line.height())
        return std::nullopt;
    return part;
}

// The selections as the part draws them: a selection that goes on past the
// part ends with it, unless the part ends the block, where the selected block
// break shows.
QList<QTextLayout::FormatRange>
LinePartPainter::selectionsIn(const Part& part, const QList<QTextLayout::FormatRange>& selections) {
    QList<QTextLayout::FormatRange> inPart;
    for (QTextLayout::FormatRange r : selections) {
        const int start = std::max(r.start, part.from);
        const int end = part.endsBlock ? r.start + r.length : std::min(r.start + r.length, part.to);
        if (end <= start)
            continue;
        r.start = start - part.from;
        r.length = end - start;
        inPart.append(r);
    }
    return inPart;
}

bool LinePartPainter::draw(QPainter& painter, const QTextBlock& block, const QPointF& offset,
                           const QList<QTextLayout::FormatRange>& selections,
                           const QRectF& clip) const {
    const QTextLayout* whole = block.layout();
    const QPointF origin = offset + whole->position();
    std::vector<Part> parts;
    for (int i = 0; i < whole->lineCount(); ++i) {
        const QRectF rect = whole->lineAt(i).rect().translated(origin);
        if (rect.bottom() < clip.top() || rect.top() > clip.bottom())
            continue;
        std::optional<Part> part =
            partOf(block, i, clip.left() - origin.x(), clip.right() - origin.x());
        if (!part)
            return false;
        if (part->layout)
            parts.push_back(std::move(*part));
    }
    for (const Part& part : parts)
        part.layout->draw(&painter, origin, selectionsIn(part, selections), clip);
    return true;
}
