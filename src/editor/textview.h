#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QStringList>
#include <QTextLayout>
#include <cstdint>
#include <utility>
#include <vector>

// A plain-text view that speaks in whole texts with CR LF line ends and in
// positions counted in UTF-16 units, a CR LF counting 2.
//
// The document holds one block per CR LF line. Characters the document cannot
// hold as themselves (a lone LF, a lone CR, U+2029 and the two frame marks)
// are kept as visible stand-ins tagged with the original character, so every
// text comes back exactly as it went in.
//
// A hidden view keeps its text as a string and builds its document only when
// it is shown: the document is the dominant cost in time and memory, and the
// hidden view's copy is seldom looked at.
class QTextBlock;
class QPainter;

class TextView : public QPlainTextEdit {
    Q_OBJECT
public:
    // What the document's block breaks stand for: CR LF, or, in a text whose
    // lines all end in a lone LF (or all in a lone CR), that line end. Chosen
    // each time the whole text is set; Enter then adds a line end of that kind.
    enum class LineEnd { CrLf, Lf, Cr };
    static LineEnd lineEndOf(QStringView text);
    LineEnd lineEnd() const { return m_lineEnd; }

    explicit TextView(QWidget* parent = nullptr);
    ~TextView() override;

    // The whole text, CR LF line ends, exactly as it came in.
    QString text() const;

    // The document's own units and what it takes to turn them into the text:
    // taken on the user-interface thread (a slice at a time, see
    // TextCapture), turned into the text on any thread with textOf().
    // A unit of the document's raw text tagged as the stand-in of `original`.
    struct StandIn {
        qsizetype pos; // from the start of the raw text taken
        char16_t original;
    };
    struct Raw {
        QString units; // block breaks as U+2029; or the text itself when `isText`
        LineEnd lineEnd = LineEnd::CrLf;
        QList<StandIn> standIns; // in increasing position
        bool isText = false;
    };
    static QString textOf(const Raw& raw);
    // Appends the units of the blocks from `block` on to raw, until at least
    // `units` were added or the document ends; returns the first block not
    // taken (invalid at the end). A hidden view hands over its text at once.
    QTextBlock appendRaw(Raw& raw, QTextBlock block, qsizetype units) const;
    // Replaces the whole text: caret at 0, nothing selected, scrolled to the
    // top, the widget's own undo cleared.
    void setText(const QString& text);
    qsizetype textLength() const;

    qsizetype selStart() const;
    qsizetype selLength() const;
    QString selText() const;
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

    // True while the view keeps its text only as a string (hidden, not built).
    bool isDeferred() const { return m_deferred; }

    void setVisible(bool visible) override;

signals:
    // A key press or input-method commit that produced a character: printable
    // characters, Enter, Backspace and Ctrl+letter control characters; not
    // Delete, arrows or function keys.
    void charTyped(QChar c);
    // The local paths of a drop, in order. Drops without files are ignored.
    void filesDropped(const QStringList& paths);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    friend class Views;
    void build();   // deferred string -> document
    void release(); // document -> deferred string
    void releaseAs(const QString& text);
    // Input reaching a view whose window was never shown finds its document.
    void buildIfShown();
    // Lines longer than this (in units) keep their shaping between layouts.
    static constexpr int LongLine = 4096;
    // Looks at the blocks from `from` to `to`; `longestInside`, when known
    // (not -1), is the length of the longest line between the two ends.
    void keepLongLinesShaped(int from, int to, qsizetype longestInside);
    void keepShaped(const QTextBlock& b);
    bool m_hasLongLine = false;
    // Replaces c's selection with t in one edit. t's lines are measured first,
    // so the blocks they make need no walk unless one of them is long.
    void insertAsOneEdit(QTextCursor& c, const QString& t, bool inSteps = false);
    qsizetype m_insertedLongest = -1; // while inserting; -1: not known
    bool m_inShowEvent = false;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    // Without wrapping, a long line is painted from the part of it in view.
    void paintEvent(QPaintEvent* e) override;
    bool mayPaintInPart(const QTextBlock& block) const;
    bool drawInPart(QPainter& painter, const QTextBlock& block, const QPointF& offset,
                    const QList<QTextLayout::FormatRange>& selections, const QRectF& clip) const;
    // Whether the long block last looked at holds right-to-left text.
    struct Seen {
        int position = -1, length = -1, revision = -1;
        bool operator==(const Seen&) const = default;
    };
    mutable Seen m_rtlSeen;
    mutable bool m_rtlSeenHas = false;
    // Hides the view, keeping `text`, which the caller has just taken from it,
    // so the text is not made a second time.
    void hideAs(const QString& text);
    qsizetype toTextPos(int docPos) const;
    int toDocPosExact(qsizetype textPos) const;
    char16_t originalAt(int pos) const;
    bool isCrLfMiddle(int docPos) const;
    int toDocPos(qsizetype textPos) const;
    // Replaces the document without an undo step and puts the caret at 0.
    void loadDocument(const QString& text);
    // The text of the document units `raw`, which start at document position
    // docFrom: block breaks become CR LF, tagged stand-ins their originals.
    QString fromDocument(QString raw, int docFrom) const;
    // The tagged units of `raw`, taken from document position docFrom on.
    QList<StandIn> standInsOf(QStringView raw, int docFrom) const;
    // The text of raw document units, made in one pass from them, the kind of
    // line end a block break stands for and the tagged stand-ins among them;
    // it depends on nothing else, so it can run anywhere.
    static QString textOf(QStringView raw, LineEnd lineEnd, const QList<StandIn>& standIns);
    bool isExplicitlyHidden() const;
    // Keeps typed text from taking over the tag of a stand-in before the caret.
    void untagInsertionFormat();
    void showEvent(QShowEvent* e) override;
    QMimeData* createMimeDataFromSelection() const override;

    bool m_deferred = false;
    QString m_pending;
    qsizetype m_pendingStart = 0;
    qsizetype m_pendingLength = 0;
    bool m_pendingModified = false;
    LineEnd m_lineEnd = LineEnd::CrLf; // what a block break of the document stands for
    qsizetype crLfBreaks(qsizetype breaks) const { return m_lineEnd == LineEnd::CrLf ? breaks : 0; }
    std::int32_t m_colourValue = static_cast<std::int32_t>(0x80000008u);
};
