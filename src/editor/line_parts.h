#pragma once

#include <QList>
#include <QTextLayout>

#include <memory>
#include <optional>

class QPainter;
class QTextBlock;

// Without wrapping, the toolkit draws a line whole, however little of it is in
// view: a line of some million characters takes a few hundred milliseconds at
// every repaint. This draws such a line from a layout of only the part in
// view, placed exactly where the whole line's layout has it, with the same
// text option, character formats and line metrics.
class LinePartPainter {
public:
    // Whether the block may be drawn in part: a long line without a
    // composition in progress, and without right-to-left text, whose order
    // depends on the whole line.
    bool mayDraw(const QTextBlock& block) const;

    // Draws the lines of the block's layout, placed at `offset`, within
    // `clip` as the whole layout would with these selections; false, having
    // drawn nothing, where a part would not look as it does in the whole line
    // (characters of other heights elsewhere in the line).
    bool draw(QPainter& painter, const QTextBlock& block, const QPointF& offset,
              const QList<QTextLayout::FormatRange>& selections, const QRectF& clip) const;

private:
    struct Part {
        std::unique_ptr<QTextLayout> layout;
        int from = 0;
        int to = 0;
        bool endsBlock = false;
    };
    // The part of line `index` of the block's layout between x = left and
    // right (the layout's own coordinates): without a layout when the line has
    // no characters there; nothing when the part would not look the same.
    static std::optional<Part> partOf(const QTextBlock& block, int index, qreal left, qreal right);
    static QList<QTextLayout::FormatRange>
    selectionsIn(const Part& part, const QList<QTextLayout::FormatRange>& selections);

    // Whether the long block last looked at holds right-to-left text.
    struct Seen {
        int position = -1, length = -1, revision = -1;
        bool operator==(const Seen&) const = default;
    };
    mutable Seen m_seen;
    mutable bool m_seenRightToLeft = false;
};
