#pragma once

#include "editor/document_text.h"
#include "editor/line_ends.h"
#include "editor/line_parts.h"
#include "editor/long_lines.h"
#include "editor/pending_text.h"
#include "editor/position_map.h"

#include <QAbstractTextDocumentLayout>
#include <QPlainTextEdit>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

// A plain-text view that speaks in whole texts with CR LF line ends and in
// positions counted in UTF-16 units, a CR LF counting 2. Every text comes back
// exactly as it went in (see document_text.h).
//
// A hidden view keeps its text as a string and builds its document only when
// it is shown: the document is the dominant cost in time and memory, and the
// hidden view's copy is seldom looked at.
class TextView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextView(QWidget* parent = nullptr);
    ~TextView() override;

    // The whole text, CR LF line ends, exactly as it came in.
    QString text() const;
    // Replaces the whole text: caret at 0, nothing selected, scrolled to the
    // top, the widget's own undo cleared.
    void setText(const QString& text);
    qsizetype textLength() const;

    // Appends the units of the blocks from `block` on to raw, until at least
    // `units` were added or the document ends; returns the first block not
    // taken (invalid at the end). A hidden view hands over its text at once.
    QTextBlock appendRaw(doctext::Raw& raw, QTextBlock block, qsizetype units) const;
    // The units of the whole text at once, to be turned into the text on any
    // thread (doctext::textOf).
    doctext::Raw rawText() const;

    qsizetype selStart() const;
    qsizetype selLength() const;
    QString selText() const;
    // Whether the selection holds more than half of the text: replacing it
    // replaces most of the page.
    bool selectionHoldsMost() const;
    // Moves the caret to p (limited to the text) and empties the selection.
    void setSelStart(qsizetype p);
    // Selects n units from the caret, limited to the text.
    void setSelLength(qsizetype n);
    // Inserts t in place of the selection; the caret ends after it, nothing
    // selected. One undo step of the view.
    void replaceSelection(const QString& t);
    // Replaces the whole text as one edit of the view (undoable), caret at
    // `caret` afterwards with nothing selected. Used by replace-all.
    void replaceAllText(const QString& t, qsizetype caret);

    // Display colour as a 32-bit colour value: 0x00BBGGRR for an RGB colour,
    // 0x80000000 + n (negative) for system colour n.
    std::int32_t colourValue() const { return m_colourValue; }
    void setColourValue(std::int32_t value);

    // What the document's block breaks stand for: the line end Enter types.
    LineEnd lineEnd() const { return m_lineEnd; }

    void setVisible(bool visible) override;

signals:
    // A key press or input-method commit that produced a character: printable
    // characters, Enter, Backspace and Ctrl+letter control characters; not
    // Delete, arrows or function keys.
    void charTyped(QChar c);
    // The local paths of a drop, in order. Drops without files are ignored.
    void filesDropped(const QStringList& paths);
    // Sent before typing, pasting or deleting replaces a selection that holds
    // more than half of the text: the text is still as it was.
    void replacingMost();
    // setText or replaceAllText put `text` in whole, into the document of a
    // view on show (the status bar counts it rather than read the document).
    void textSet(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    QMimeData* createMimeDataFromSelection() const override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    friend class Views;
    // The hidden view: its document made from the pending text, and back.
    void build();
    void release();
    void releaseAs(const QString& text);
    // Hides the view, keeping `text`, which the caller has just taken from it,
    // so the text is not made a second time.
    void hideAs(const QString& text);
    // Input reaching a view whose window was never shown finds its document.
    void buildIfShown();
    bool isExplicitlyHidden() const;

    // Replaces c's selection with t in one edit; t's lines are measured first,
    // so the blocks they make need no walk unless one of them is long.
    void insertAsOneEdit(QTextCursor& c, const QString& t, bool inSteps = false);
    // Replaces the document without an undo step and puts the caret at 0.
    void loadDocument(const QString& text);
    PositionMap positions() const { return PositionMap(*document(), m_lineEnd); }
    // Keeps typed text from taking over the tag of a stand-in before the caret.
    void untagInsertionFormat();
    // Sends replacingMost when the selection holds more than half the text.
    void announceIfReplacingMost();

    // Without wrapping, the rows of the view that long lines take are painted
    // here, from the part of the line in view; the toolkit paints the rest.
    struct Band {
        QTextBlock block;
        QRectF rect;  // the block's, in viewport coordinates
        QRect rows;   // the viewport rows it takes within the paint
        int rowAfter; // 1 when the row below it is painted with it
    };
    std::vector<Band> longLineBands(const QRect& area) const;
    void paintBand(const Band& band);
    void paintBlock(QPainter& painter, const QTextBlock& block, const QPointF& at,
                    const QRect& clip,
                    const QAbstractTextDocumentLayout::PaintContext& context) const;
    void paintByToolkit(const QRect& area);

    std::optional<PendingText> m_pending; // while hidden
    LineEnd m_lineEnd = LineEnd::CrLf;    // what a block break of the document stands for
    LongLines m_longLines;
    LinePartPainter m_parts;
    bool m_inShowEvent = false;
    std::int32_t m_colourValue = static_cast<std::int32_t>(0x80000008u);
};
