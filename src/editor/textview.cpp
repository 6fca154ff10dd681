#include "editor/textview.h"

#include "platform/long_work.h"

#include <QApplication>
#include <QPalette>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

TextView::TextView(QWidget* parent) : QPlainTextEdit(parent) {
    setAcceptDrops(true);
    setColourValue(m_colourValue);
    connect(document(), &QTextDocument::contentsChange, this, [this](int from, int, int added) {
        m_longLines.changed(*document(), from, from + added);
    });
}

TextView::~TextView() = default;

// --- text -------------------------------------------------------------------

QString TextView::text() const {
    if (m_pending)
        return m_pending->text;
    return doctext::textOf(*document(), document()->toRawText(), 0, m_lineEnd);
}

void TextView::setText(const QString& text) {
    if (isExplicitlyHidden()) {
        if (!m_pending)
            loadDocument(QString());
        m_pending = PendingText{text};
        return;
    }
    m_pending.reset();
    loadDocument(text);
    document()->setModified(false);
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    emit textSet(text);
}

qsizetype TextView::textLength() const {
    return m_pending ? m_pending->text.size() : positions().textLength();
}

QTextBlock TextView::appendRaw(doctext::Raw& raw, QTextBlock block, qsizetype units) const {
    if (m_pending) {
        raw.units = m_pending->text;
        raw.standIns.clear();
        raw.isText = true;
        return QTextBlock();
    }
    raw.lineEnd = m_lineEnd;
    return doctext::appendBlocks(*document(), raw, block, units);
}

doctext::Raw TextView::rawText() const {
    if (m_pending)
        return {m_pending->text, m_lineEnd, {}, true};
    return doctext::rawOf(*document(), m_lineEnd);
}

void TextView::insertAsOneEdit(QTextCursor& c, const QString& t, bool inSteps) {
    const auto measured = m_longLines.inserting(longestLine(t, m_lineEnd));
    c.beginEditBlock();
    c.removeSelectedText();
    doctext::insert(c, t, m_lineEnd, inSteps);
    c.endEditBlock();
}

void TextView::loadDocument(const QString& text) {
    m_lineEnd = lineEndOf(text);
    m_longLines.forget();
    QTextDocument* doc = document();
    // clear() frees the old text at once (removing it through a cursor keeps
    // its buffer) and empties the undo stacks.
    doc->clear();
    doc->setUndoRedoEnabled(false);
    // A long text in a window on screen is built in steps that show how far
    // the work has come; the view paints nothing until it is whole. (At the
    // window's first showing the window itself is not there to show it, and
    // one step is much the quicker.)
    const bool inSteps =
        text.size() >= 2 * doctext::StepUnits && window()->isVisible() && !m_inShowEvent;
    std::optional<LongWork> work;
    if (inSteps) {
        work.emplace(QStringLiteral("ページを読み込んでいます…"));
        setUpdatesEnabled(false);
    }
    QTextCursor c(doc);
    insertAsOneEdit(c, text, inSteps);
    doc->setUndoRedoEnabled(true);
    if (inSteps)
        setUpdatesEnabled(true);
    setTextCursor(QTextCursor(doc));
}

// --- selection ----------------------------------------------------------------

qsizetype TextView::selStart() const {
    return m_pending ? m_pending->start : positions().toText(textCursor().selectionStart());
}

qsizetype TextView::selLength() const {
    if (m_pending)
        return m_pending->length;
    const QTextCursor c = textCursor();
    return positions().toText(c.selectionEnd()) - positions().toText(c.selectionStart());
}

bool TextView::selectionHoldsMost() const {
    if (!m_pending && !textCursor().hasSelection())
        return false; // typing: nothing to measure
    const qsizetype selected = selLength();
    return selected > 0 && selected * 2 > textLength();
}

QString TextView::selText() const {
    if (m_pending)
        return m_pending->selText();
    const QTextCursor c = textCursor();
    if (!c.hasSelection())
        return QString();
    return doctext::textOf(*document(), c.selectedText(), c.selectionStart(), m_lineEnd);
}

void TextView::setSelStart(qsizetype p) {
    if (m_pending)
        return m_pending->setSelStart(p);
    QTextCursor c = textCursor();
    c.setPosition(positions().toDoc(p));
    setTextCursor(c);
}

// The selection grows from its start, which after setSelStart is the caret.
void TextView::setSelLength(qsizetype n) {
    if (m_pending)
        return m_pending->setSelLength(n);
    const PositionMap map = positions();
    QTextCursor c = textCursor();
    const int docStart = c.selectionStart();
    const qsizetype start = map.toText(docStart);
    c.setPosition(docStart);
    // The end never moves before the start, even where the start is the
    // middle of a CR LF typed into a page of lone line ends.
    const int docEnd = map.toDoc(start + std::clamp<qsizetype>(n, 0, map.textLength() - start));
    c.setPosition(std::max(docStart, docEnd), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

void TextView::replaceSelection(const QString& t) {
    if (m_pending)
        return m_pending->replaceSelection(t);
    QTextCursor c = textCursor();
    insertAsOneEdit(c, t);
    setTextCursor(c);
}

namespace {

// What the document's block breaks stand for, switched as a step of the
// document's own undo history: undoing the edit it is part of switches it
// back, and redoing it switches it again.
class LineEndSwitch : public QAbstractUndoItem {
public:
    LineEndSwitch(LineEnd& lineEnd, LineEnd before, LineEnd after)
        : m_lineEnd(lineEnd), m_before(before), m_after(after) {}
    void undo() override { m_lineEnd = m_before; }
    void redo() override { m_lineEnd = m_after; }

private:
    LineEnd& m_lineEnd;
    const LineEnd m_before;
    const LineEnd m_after;
};

} // namespace

// One edit, whatever the lines of the new text end in: when they end
// otherwise than the page's, the block breaks change their meaning within
// the same edit, so one undo brings back the text and its line ends alike.
void TextView::replaceAllText(const QString& t, qsizetype caret) {
    if (m_pending)
        return m_pending->replaceAll(t, caret);
    QTextCursor c(document());
    c.beginEditBlock();
    const LineEnd lineEnd = lineEndOf(t);
    if (lineEnd != m_lineEnd) {
        document()->appendUndoItem(new LineEndSwitch(m_lineEnd, m_lineEnd, lineEnd));
        m_lineEnd = lineEnd;
    }
    c.select(QTextCursor::Document);
    insertAsOneEdit(c, t);
    c.endEditBlock();
    setSelStart(caret);
    emit textSet(t);
}

// --- colour -------------------------------------------------------------------

void TextView::setColourValue(std::int32_t value) {
    m_colourValue = value;
    QPalette p = palette();
    if (value >= 0) {
        const QColor rgb(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
        p.setColor(QPalette::Text, rgb);
    } else {
        // A system colour: the text colour of the application's palette, group
        // by group so that a disabled view still looks disabled.
        const QPalette app = QApplication::palette();
        for (auto g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            p.setColor(g, QPalette::Text, app.color(g, QPalette::Text));
    }
    setPalette(p);
}

// --- focus --------------------------------------------------------------------

void TextView::focusInEvent(QFocusEvent* e) {
    m_longLines.freezeCaret(lineWrapMode() == NoWrap && m_longLines.any());
    QPlainTextEdit::focusInEvent(e);
}

void TextView::focusOutEvent(QFocusEvent* e) {
    QPlainTextEdit::focusOutEvent(e);
    m_longLines.freezeCaret(false);
}

// --- the hidden view ------------------------------------------------------------

bool TextView::isExplicitlyHidden() const {
    return isHidden() && testAttribute(Qt::WA_WState_ExplicitShowHide);
}

void TextView::setVisible(bool visible) {
    // In a window not shown yet the document waits for the window: built
    // after the view has its final size, it is laid out once, and only as far
    // as it is seen.
    if (visible && m_pending && window()->isVisible())
        build();
    else if (!visible && !m_pending)
        release();
    QPlainTextEdit::setVisible(visible);
}

void TextView::showEvent(QShowEvent* e) {
    if (m_pending) {
        const QScopedValueRollback inShowEvent(m_inShowEvent, true);
        build();
    }
    QPlainTextEdit::showEvent(e);
}

void TextView::buildIfShown() {
    if (m_pending && !isHidden())
        build();
}

// Showing or hiding the view does not change its text, so neither announces
// a change.
void TextView::build() {
    const QSignalBlocker blocker(this);
    const PendingText pending = std::move(*m_pending);
    m_pending.reset();
    loadDocument(pending.text);
    document()->setModified(pending.modified);
    // The selection comes back exactly as it was kept, wherever it stood.
    const PositionMap map = positions();
    QTextCursor c = textCursor();
    c.setPosition(map.toDocExact(pending.start));
    c.setPosition(map.toDocExact(pending.start + pending.length), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

void TextView::release() {
    releaseAs(text());
}

void TextView::releaseAs(const QString& text) {
    const QSignalBlocker blocker(this);
    PendingText pending{text, selStart(), selLength(), document()->isModified()};
    if (!m_pending)
        loadDocument(QString());
    m_pending = std::move(pending);
}

void TextView::hideAs(const QString& text) {
    if (!isHidden() || !m_pending)
        releaseAs(text);
    QPlainTextEdit::setVisible(false);
}
