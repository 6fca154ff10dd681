#pragma once

#include <QScopedValueRollback>
#include <QtGlobal>

#include <optional>

class QTextBlock;
class QTextDocument;

// The toolkit lays a line out in one piece and, once laid out, forgets how its
// characters were shaped: every later question about it (where the caret
// stands, each blink of the caret, painting) shapes the whole line again,
// which for a line of some million characters takes longer than a blink. A
// long line keeps its shaping instead; a short one is reshaped in no time.
class LongLines {
public:
    // Lines longer than this (in units, with the block break) are long.
    static constexpr int Length = 4096;

    static bool isLong(const QTextBlock& block);

    // Whether the document holds a long line (since it was last emptied).
    bool any() const { return m_any; }
    void forget() { m_any = false; }

    // While the returned scope lasts, text going in is known to hold no line
    // longer than `longest`: only the blocks where it joins the text around
    // it can be long.
    [[nodiscard]] QScopedValueRollback<qsizetype> inserting(qsizetype longest) {
        return QScopedValueRollback<qsizetype>(m_insertedLongest, longest);
    }
    // After the document changed from `from` to `to`.
    void changed(const QTextDocument& doc, int from, int to);

    // Without wrapping, each repaint of a long line, however small, first
    // finds where the part in view starts: a blinking caret would keep the
    // program busy for good. The caret of such a page stands still while the
    // view has the focus; the blink comes back when it loses it.
    void freezeCaret(bool frozen);

private:
    void keepShaped(const QTextBlock& block);

    // The process-wide blink, stopped for as long as this lives.
    class CaretFreeze {
    public:
        CaretFreeze();
        ~CaretFreeze();
        CaretFreeze(const CaretFreeze&) = delete;
        CaretFreeze& operator=(const CaretFreeze&) = delete;

    private:
        int m_flashTime;
    };

    bool m_any = false;
    qsizetype m_insertedLongest = -1; // -1: not known
    std::optional<CaretFreeze> m_frozen;
};
