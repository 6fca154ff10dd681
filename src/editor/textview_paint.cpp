// Painting of a view without wrapping that holds long lines: the toolkit
// paints every row of the view but those a long line takes, which are drawn
// from the part of the line in view (see line_parts.h).

#include "editor/textview.h"

#include <QAbstractTextDocumentLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

namespace {

// Whether the toolkit would draw something for these selections that a part
// of a line cannot show: a selection of whole lines without selected text
// (a highlighted current line).
bool hasFullWidthSelection(const QAbstractTextDocumentLayout::PaintContext& context) {
    return std::any_of(context.selections.cbegin(), context.selections.cend(), [](const auto& s) {
        return s.format.hasProperty(QTextFormat::FullWidthSelection);
    });
}

} // namespace

void TextView::paintEvent(QPaintEvent* e) {
    if (lineWrapMode() != NoWrap || !m_longLines.any() || overwriteMode() ||
        !placeholderText().isEmpty() || hasFullWidthSelection(getPaintContext())) {
        QPlainTextEdit::paintEvent(e);
        return;
    }
    QRect rest = e->rect();
    for (const Band& band : longLineBands(e->rect())) {
        paintByToolkit(QRect(rest.left(), rest.top(), rest.width(), band.rows.top() - rest.top()));
        paintBand(band);
        rest.setTop(band.rows.bottom() + 1);
    }
    paintByToolkit(rest);
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
        const QRect rows =
            QRect(area.left(), int(rect.top()), area.width(), int(rect.height())).intersected(area);
        if (!rows.isEmpty())
            bands.push_back({block, rect, rows});
    }
    return bands;
}

// The selections of the paint that meet the block, counted from its start.
static QList<QTextLayout::FormatRange>
selectionsOf(const QTextBlock& block, const QAbstractTextDocumentLayout::PaintContext& context) {
    QList<QTextLayout::FormatRange> ranges;
    for (const QAbstractTextDocumentLayout::Selection& s : context.selections) {
        const int start = s.cursor.selectionStart() - block.position();
        const int end = s.cursor.selectionEnd() - block.position();
        if (end > start && start < block.length() && end > 0)
            ranges.append({start, end - start, s.format});
    }
    return ranges;
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
    painter.setClipRect(clip);
    const QAbstractTextDocumentLayout::PaintContext context = getPaintContext();
    painter.setPen(context.palette.text().color());
    const QTextBlock& block = band.block;
    QTextLayout* layout = block.layout();
    const QPointF at = band.rect.topLeft();
    const QList<QTextLayout::FormatRange> selections = selectionsOf(block, context);
    if (!m_parts.draw(painter, block, at, selections, clip))
        layout->draw(&painter, at, selections, clip);
    // A caret hidden by its blink is at -1.
    const int caret = context.cursorPosition - block.position();
    const bool editable = !isReadOnly() || (textInteractionFlags() & Qt::TextSelectableByKeyboard);
    if (editable && context.cursorPosition >= 0 && caret >= 0 && caret < block.length())
        layout->drawCursor(&painter, at, caret, cursorWidth());
}
