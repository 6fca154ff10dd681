// Painting of a view without wrapping that holds long lines: the toolkit
// paints every row of the view but those a long line takes, which are drawn
// from the part of the line in view (see line_parts.h).
//
// The toolkit draws every block that so much as touches the rows it is asked
// to paint, so the row right below a long line, where the next block starts,
// is painted here as well: asked of the toolkit, it would draw the long line
// whole.

#include "editor/textview.h"

#include <QAbstractTextDocumentLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

namespace {

using PaintContext = QAbstractTextDocumentLayout::PaintContext;

// Whether the toolkit would draw something for these selections that a part
// of a line cannot show: a selection of whole lines without selected text
// (a highlighted current line).
bool hasFullWidthSelection(const PaintContext& context) {
    return std::any_of(context.selections.cbegin(), context.selections.cend(), [](const auto& s) {
        return s.format.hasProperty(QTextFormat::FullWidthSelection);
    });
}

// The selections of the paint that meet the block, counted from its start.
QList<QTextLayout::FormatRange> selectionsOf(const QTextBlock& block, const PaintContext& context) {
    QList<QTextLayout::FormatRange> ranges;
    for (const QAbstractTextDocumentLayout::Selection& s : context.selections) {
        const int start = s.cursor.selectionStart() - block.position();
        const int end = s.cursor.selectionEnd() - block.position();
        if (end > start && start < block.length() && end > 0)
            ranges.append({start, end - start, s.format});
    }
    return ranges;
}

QRect rows(const QRect& area, int top, int bottom) {
    return QRect(area.left(), top, area.width(), bottom - top + 1);
}

} // namespace

void TextView::paintEvent(QPaintEvent* e) {
    if (lineWrapMode() != NoWrap || !m_longLines.any() || overwriteMode() ||
        !placeholderText().isEmpty() || hasFullWidthSelection(getPaintContext())) {
        QPlainTextEdit::paintEvent(e);
        return;
    }
    const QRect area = e->rect();
    int top = area.top(); // the first row not painted yet
    for (const Band& band : longLineBands(area)) {
        paintByToolkit(rows(area, top, band.rows.top() - 1));
        paintBand(band);
        top = band.rows.bottom() + 1 + band.rowAfter;
    }
    paintByToolkit(rows(area, top, area.bottom()));
}

void TextView::paintByToolkit(const QRect& area) {
    if (area.isEmpty())
        return;
    QPaintEvent part(area);
    QPlainTextEdit::paintEvent(&part);
}

// The long lines that may be drawn in part and meet `area`, top to bottom,
// each with the whole rows of the view it alone takes. A line that shares a
// row with its neighbours (a fractional height) is left to the toolkit.
std::vector<TextView::Band> TextView::longLineBands(const QRect& area) const {
    std::vector<Band> bands;
    QTextBlock block = firstVisibleBlock();
    if (!block.isValid())
        return bands;
    const qreal left = contentOffset().x();
    qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
    const qreal end = std::min(area.bottom(), viewport()->height());
    for (; block.isValid() && top <= end; block = block.next()) {
        const QRectF rect(QPointF(left, top), blockBoundingRect(block).size());
        top = rect.bottom();
        if (rect.bottom() <= area.top() || !block.isVisible() || !m_parts.mayDraw(block) ||
            block.blockFormat().background() != Qt::NoBrush)
            continue;
        if (rect.top() != std::floor(rect.top()) || rect.height() != std::floor(rect.height()))
            continue;
        const QRect taken = rows(area, int(rect.top()), int(rect.bottom()) - 1).intersected(area);
        if (taken.isEmpty())
            continue;
        if (!bands.empty() && bands.back().rows.bottom() + 1 == taken.top())
            bands.back().rowAfter = 0; // the next long line paints its own row
        bands.push_back({block, rect, taken, taken.bottom() < area.bottom() ? 1 : 0});
    }
    return bands;
}

void TextView::paintBand(const Band& band) {
    // Nothing is painted right of the content: the widest line after its left
    // margin, and room for the caret at its end. (A selection that goes on
    // past the end of a line would run on to the edge of the view.)
    const QTextDocument* doc = document();
    const qreal contentWidth =
        std::max<qreal>(viewport()->width(), doc->documentLayout()->documentSize().width());
    const int right =
        int(contentOffset().x() + contentWidth - doc->documentMargin()) + cursorWidth();
    QRect clip = band.rows;
    clip.setRight(std::min(clip.right(), right));
    QPainter painter(viewport());
    const PaintContext context = getPaintContext();
    painter.setPen(context.palette.text().color());
    paintBlock(painter, band.block, band.rect.topLeft(), clip, context);
    const QTextBlock next = band.block.next();
    if (band.rowAfter && next.isValid() && next.isVisible()) {
        clip.translate(0, clip.height());
        clip.setHeight(1);
        paintBlock(painter, next, band.rect.bottomLeft(), clip, context);
    }
}

void TextView::paintBlock(QPainter& painter, const QTextBlock& block, const QPointF& at,
                          const QRect& clip, const PaintContext& context) const {
    painter.setClipRect(clip);
    QTextLayout* layout = block.layout();
    const QList<QTextLayout::FormatRange> selections = selectionsOf(block, context);
    if (!m_parts.mayDraw(block) || !m_parts.draw(painter, block, at, selections, clip))
        layout->draw(&painter, at, selections, clip);
    // A caret hidden by its blink is at -1.
    const int caret = context.cursorPosition - block.position();
    const bool editable = !isReadOnly() || (textInteractionFlags() & Qt::TextSelectableByKeyboard);
    if (editable && context.cursorPosition >= 0 && caret >= 0 && caret < block.length())
        layout->drawCursor(&painter, at, caret, cursorWidth());
}
