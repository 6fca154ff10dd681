#include "editor/textview.h"

#include <QAbstractTextDocumentLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <memory>
#include <vector>

// Without wrapping, the toolkit paints a line whole, however little of it is
// in view: a line of some million characters takes a few hundred milliseconds
// at every repaint (showing the window, the caret appearing, each keystroke).
// The painting below is the toolkit's own, step for step, except that a long
// line is drawn from a layout of only the part in view, placed where the whole
// line's layout has it. Where that part could look different on its own
// (right-to-left text, whose order depends on the whole line; a composition in
// progress; characters of other heights elsewhere in the line) the line is
// painted whole as before.

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
        const QChar* s = t.constData();
        const qsizetype n = t.size();
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = s[i].unicode();
            if (c < 0x0590)
                continue;
            char32_t cp = c;
            if (QChar::isHighSurrogate(c) && i + 1 < n && s[i + 1].isLowSurrogate())
                cp = QChar::surrogateToUcs4(c, s[++i].unicode());
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

bool TextView::mayPaintInPart(const QTextBlock& block) const {
    if (block.length() <= LongLine || !block.layout()->preeditAreaText().isEmpty())
        return false;
    const Seen seen{block.position(), block.length(), block.revision()};
    if (seen != m_rtlSeen) {
        m_rtlSeen = seen;
        m_rtlSeenHas = hasRightToLeft(block);
    }
    return !m_rtlSeenHas;
}

// Draws the lines of the block's layout within `clip` as QTextLayout::draw
// would, each from a layout of its part in view; false, having drawn nothing,
// when a part would not look as it does in the whole line.
bool TextView::drawInPart(QPainter& painter, const QTextBlock& block, const QPointF& offset,
                          const QList<QTextLayout::FormatRange>& selections,
                          const QRectF& clip) const {
    const QTextLayout* whole = block.layout();
    const QPointF origin = offset + whole->position();
    struct Part {
        std::unique_ptr<QTextLayout> layout;
        int from = 0;
        int to = 0;
        bool endsBlock = false;
    };
    std::vector<Part> parts;
    for (int i = 0; i < whole->lineCount(); ++i) {
        const QTextLine line = whole->lineAt(i);
        const QRectF rect = line.rect().translated(origin);
        if (rect.bottom() < clip.top() || rect.top() > clip.bottom())
            continue;
        const int lineStart = line.textStart();
        int lineEnd = lineStart + line.textLength();
        const bool lastLine = i == whole->lineCount() - 1;
        // A line ended by a line separator holds it; the part leaves it out.
        if (!lastLine && lineEnd > lineStart &&
            block.document()->characterAt(block.position() + lineEnd - 1) == QChar::LineSeparator)
            --lineEnd;
        const int a = positionAt(line, clip.left() - origin.x());
        const int b = positionAt(line, clip.right() - origin.x());
        int from = std::max(lineStart, std::min(a, b) - EdgeUnits);
        int to = std::min(lineEnd, std::max(a, b) + EdgeUnits);
        while (from > lineStart && !whole->isValidCursorPosition(from))
            --from;
        while (to < lineEnd && !whole->isValidCursorPosition(to))
            ++to;
        if (from >= to)
            continue;

        Part part;
        part.from = from;
        part.to = to;
        part.endsBlock = lastLine && to == lineEnd;
        part.layout =
            std::make_unique<QTextLayout>(unitsOf(block, from, to), document()->defaultFont(),
                                          document()->documentLayout()->paintDevice());
        QTextLayout& l = *part.layout;
        l.setTextOption(whole->textOption());
        l.setFormats(formatsOf(block, from, to));
        l.beginLayout();
        QTextLine pl = l.createLine();
        pl.setLeadingIncluded(true);
        pl.setLineWidth(line.width());
        // Where the part starts in the whole line; tab stops are measured from
        // the layout's left edge as the part is drawn, so they fall alike.
        pl.setPosition(QPointF(line.cursorToX(from), line.y()));
        const bool oneLine = !l.createLine().isValid();
        l.endLayout();
        if (!oneLine || pl.textLength() != to - from || pl.ascent() != line.ascent() ||
            pl.descent() != line.descent() || pl.height() != line.height())
            return false;
        parts.push_back(std::move(part));
    }
    for (const Part& part : parts) {
        QList<QTextLayout::FormatRange> inPart;
        for (QTextLayout::FormatRange r : selections) {
            const int start = std::max(r.start, part.from);
            // A selection that goes on past the part ends with it, unless the
            // part ends the block: there the selected block break shows.
            const int end =
                part.endsBlock ? r.start + r.length : std::min(r.start + r.length, part.to);
            if (end <= start)
                continue;
            r.start = start - part.from;
            r.length = end - start;
            inPart.append(r);
        }
        part.layout->draw(&painter, origin, inPart, clip);
    }
    return true;
}

void TextView::paintEvent(QPaintEvent* e) {
    if (lineWrapMode() != NoWrap || !m_hasLongLine || !placeholderText().isEmpty()) {
        QPlainTextEdit::paintEvent(e);
        return;
    }
    QPainter painter(viewport());
    QPointF offset(contentOffset());
    QRect er = e->rect();
    const QRect viewportRect = viewport()->rect();
    const bool editable = !isReadOnly();
    QTextBlock block = firstVisibleBlock();
    const qreal maximumWidth = document()->documentLayout()->documentSize().width();

    painter.setBrushOrigin(offset);
    const int maxX = int(offset.x() + std::max(qreal(viewportRect.width()), maximumWidth) -
                         document()->documentMargin() + cursorWidth());
    er.setRight(std::min(er.right(), maxX));
    painter.setClipRect(er);

    const QAbstractTextDocumentLayout::PaintContext context = getPaintContext();
    painter.setPen(context.palette.text().color());

    while (block.isValid()) {
        const QRectF r = blockBoundingRect(block).translated(offset);
        QTextLayout* layout = block.layout();
        if (!block.isVisible()) {
            offset.ry() += r.height();
            block = block.next();
            continue;
        }
        if (r.bottom() >= er.top() && r.top() <= er.bottom()) {
            const QBrush bg = block.blockFormat().background();
            if (bg != Qt::NoBrush) {
                QRectF contentsRect = r;
                contentsRect.setWidth(std::max(r.width(), maximumWidth));
                painter.fillRect(contentsRect, bg);
            }
            QList<QTextLayout::FormatRange> selections;
            const int blpos = block.position();
            const int bllen = block.length();
            for (const QAbstractTextDocumentLayout::Selection& range : context.selections) {
                const int selStart = range.cursor.selectionStart() - blpos;
                const int selEnd = range.cursor.selectionEnd() - blpos;
                if (selStart < bllen && selEnd > 0 && selEnd > selStart) {
                    selections.append({selStart, selEnd - selStart, range.format});
                } else if (!range.cursor.hasSelection() &&
                           range.format.hasProperty(QTextFormat::FullWidthSelection) &&
                           block.contains(range.cursor.position())) {
                    const QTextLine l =
                        layout->lineForTextPosition(range.cursor.position() - blpos);
                    QTextLayout::FormatRange o{l.textStart(), l.textLength(), range.format};
                    if (o.start + o.length == bllen - 1)
                        ++o.length;
                    selections.append(o);
                }
            }
            const bool drawCursor =
                (editable || (textInteractionFlags() & Qt::TextSelectableByKeyboard)) &&
                context.cursorPosition >= blpos && context.cursorPosition < blpos + bllen;
            bool drawCursorAsBlock = drawCursor && overwriteMode();
            if (drawCursorAsBlock) {
                if (context.cursorPosition == blpos + bllen - 1) {
                    drawCursorAsBlock = false;
                } else {
                    QTextLayout::FormatRange o{context.cursorPosition - blpos, 1, {}};
                    o.format.setForeground(palette().base());
                    o.format.setBackground(palette().text());
                    selections.append(o);
                }
            }
            if (!mayPaintInPart(block) || !drawInPart(painter, block, offset, selections, er))
                layout->draw(&painter, offset, selections, er);
            if ((drawCursor && !drawCursorAsBlock) ||
                (editable && context.cursorPosition < -1 && !layout->preeditAreaText().isEmpty())) {
                int cpos = context.cursorPosition;
                if (cpos < -1)
                    cpos = layout->preeditAreaPosition() - (cpos + 2);
                else
                    cpos -= blpos;
                layout->drawCursor(&painter, offset, cpos, cursorWidth());
            }
        }
        offset.ry() += r.height();
        if (offset.y() > viewportRect.height())
            break;
        block = block.next();
    }

    if (backgroundVisible() && !block.isValid() && offset.y() <= er.bottom() &&
        (centerOnScroll() || verticalScrollBar()->maximum() == verticalScrollBar()->minimum()))
        painter.fillRect(QRect(QPoint(er.left(), int(offset.y())), er.bottomRight()),
                         palette().window());
}
