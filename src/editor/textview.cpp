#include "editor/textview.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPalette>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>

namespace {

// Character format property of a stand-in: the character it stands for.
constexpr int OriginalChar = QTextFormat::UserProperty + 1;

constexpr char16_t LineSeparator = 0x2028; // stands in for a lone LF; shown as a line break
constexpr char16_t ParaSeparator = 0x2029; // the document's block break
constexpr char16_t CrSymbol = 0x240D;      // stands in for a lone CR
constexpr char16_t Replacement = 0xFFFD;   // stands in for U+2029 and the frame marks
constexpr char16_t FrameStart = 0xFDD0;
constexpr char16_t FrameEnd = 0xFDD1;
constexpr char16_t Del = 0x7F;

// The document turns these into block breaks, so they go in as stand-ins
// (a CR only when no LF follows it).
bool heldAsStandIn(char16_t c) {
    return c == u'\n' || c == u'\r' || c == ParaSeparator || c == FrameStart || c == FrameEnd;
}

char16_t standInFor(char16_t original) {
    switch (original) {
    case u'\n':
        return LineSeparator;
    case u'\r':
        return CrSymbol;
    default:
        return Replacement;
    }
}

bool isStandInChar(char16_t c) {
    return c == LineSeparator || c == CrSymbol || c == Replacement;
}

bool hasLoneBreak(QStringView t) {
    for (qsizetype i = t.indexOf(u'\r'); i >= 0; i = t.indexOf(u'\r', i + 1)) {
        if (i + 1 == t.size() || t[i + 1] != u'\n')
            return true;
    }
    for (qsizetype i = t.indexOf(u'\n'); i >= 0; i = t.indexOf(u'\n', i + 1)) {
        if (i == 0 || t[i - 1] != u'\r')
            return true;
    }
    return false;
}

bool hasFrameOrParagraphMark(QStringView t) {
    return t.contains(QChar(ParaSeparator)) || t.contains(QChar(FrameStart)) ||
           t.contains(QChar(FrameEnd));
}

// Inserts t at c (which has no selection): each line end of the view's kind
// becomes a block break, the characters the document cannot hold go in as
// tagged stand-ins.
void insertConverted(QTextCursor& c, const QString& t, TextView::LineEnd lineEnd) {
    const QTextCharFormat plain;
    const char16_t single = lineEnd == TextView::LineEnd::Lf ? u'\n' : u'\r';
    const char16_t other = lineEnd == TextView::LineEnd::Lf ? u'\r' : u'\n';
    if (!hasFrameOrParagraphMark(t)) {
        if (lineEnd == TextView::LineEnd::CrLf && !hasLoneBreak(t)) {
            QString s = t;
            s.replace(QStringLiteral("\r\n"), QString(QChar(ParaSeparator)));
            c.insertText(s, plain);
            return;
        }
        if (lineEnd != TextView::LineEnd::CrLf && !t.contains(QChar(other))) {
            QString s = t;
            s.replace(QChar(single), QChar(ParaSeparator));
            c.insertText(s, plain);
            return;
        }
    }
    QString run;
    run.reserve(t.size());
    const qsizetype n = t.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ch = t[i].unicode();
        const bool crLf = ch == u'\r' && i + 1 < n && t[i + 1] == u'\n';
        if (lineEnd == TextView::LineEnd::CrLf && crLf) {
            run += QChar(ParaSeparator);
            ++i;
        } else if (lineEnd != TextView::LineEnd::CrLf && ch == single) {
            run += QChar(ParaSeparator);
        } else if (heldAsStandIn(ch)) {
            if (!run.isEmpty()) {
                c.insertText(run, plain);
                run.clear();
            }
            QTextCharFormat tagged;
            tagged.setProperty(OriginalChar, int(ch));
            c.insertText(QString(QChar(standInFor(ch))), tagged);
        } else {
            run += QChar(ch);
        }
    }
    if (!run.isEmpty())
        c.insertText(run, plain);
}

// Moves p (0..length) off the middle of a CR LF to before the CR.
qsizetype outOfCrLf(const QString& t, qsizetype p) {
    if (p > 0 && p < t.size() && t[p - 1] == u'\r' && t[p] == u'\n')
        return p - 1;
    return p;
}

// Reads the stand-in tags of a document in increasing position order, one
// pass over the blocks and fragments that hold them.
class TagReader {
public:
    explicit TagReader(const QTextDocument* doc) : m_doc(doc) {}

    // The character the unit at pos stands for, or 0 when it is itself.
    char16_t originalAt(int pos) {
        if (!m_block.isValid() || !m_block.contains(pos)) {
            m_block = m_doc->findBlock(pos);
            m_it = m_block.begin();
        }
        while (!m_it.atEnd() && !m_it.fragment().contains(pos))
            ++m_it;
        if (m_it.atEnd())
            return 0;
        const QVariant v = m_it.fragment().charFormat().property(OriginalChar);
        return v.isValid() ? char16_t(v.toInt()) : char16_t(0);
    }

private:
    const QTextDocument* m_doc;
    QTextBlock m_block;
    QTextBlock::iterator m_it;
};

bool hasStandIn(QStringView t) {
    return t.contains(QChar(LineSeparator)) || t.contains(QChar(CrSymbol)) ||
           t.contains(QChar(Replacement));
}

// The text of document units: block breaks become the line end of the view,
// stand-ins the characters they stand for (originalAt(i) tells which, or 0).
template <class OriginalAt>
QString unitsToText(const QString& raw, TextView::LineEnd kind, OriginalAt originalAt) {
    const QStringView lineEnd = kind == TextView::LineEnd::CrLf ? QStringView(u"\r\n")
                                : kind == TextView::LineEnd::Lf ? QStringView(u"\n")
                                                                : QStringView(u"\r");
    if (!hasStandIn(raw)) {
        if (lineEnd.size() == 1) {
            QString s = raw;
            s.replace(QChar(ParaSeparator), lineEnd[0]);
            return s;
        }
        // One pass, one allocation: the common case of a long page.
        QString s;
        s.reserve(raw.size() + raw.count(QChar(ParaSeparator)));
        const QStringView view(raw);
        qsizetype from = 0;
        for (qsizetype i = raw.indexOf(QChar(ParaSeparator)); i >= 0;
             i = raw.indexOf(QChar(ParaSeparator), from)) {
            s.append(view.mid(from, i - from));
            s.append(lineEnd);
            from = i + 1;
        }
        s.append(view.mid(from));
        return s;
    }
    QString out;
    out.reserve(raw.size() + raw.count(QChar(ParaSeparator)));
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char16_t ch = raw[i].unicode();
        if (ch == ParaSeparator) {
            out += lineEnd;
            continue;
        }
        if (isStandInChar(ch)) {
            // Typing next to a stand-in can pass its tag on; only a unit that
            // is the tag's own stand-in counts.
            const char16_t original = originalAt(i);
            if (original && standInFor(original) == ch && heldAsStandIn(original)) {
                out += QChar(original);
                continue;
            }
        }
        out += QChar(ch);
    }
    return out;
}

bool hasLocalFile(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); });
}

} // namespace

TextView::TextView(QWidget* parent) : QPlainTextEdit(parent) {
    setAcceptDrops(true);
    setColourValue(m_colourValue);
}

TextView::~TextView() = default;

// --- text -------------------------------------------------------------------

QString TextView::text() const {
    if (m_deferred)
        return m_pending;
    return fromDocument(document()->toRawText(), 0);
}

QString TextView::fromDocument(const QString& raw, int docFrom) const {
    TagReader tags(document());
    return unitsToText(raw, m_lineEnd,
                       [&](qsizetype i) { return tags.originalAt(docFrom + int(i)); });
}

QString TextView::textOf(const Raw& raw) {
    if (raw.isText)
        return raw.units;
    size_t next = 0;
    const auto& originals = raw.originals;
    return unitsToText(raw.units, raw.lineEnd, [&](qsizetype i) -> char16_t {
        while (next < originals.size() && originals[next].first < i)
            ++next;
        return next < originals.size() && originals[next].first == i ? originals[next].second : 0;
    });
}

QTextBlock TextView::appendRaw(Raw& raw, QTextBlock block, qsizetype units) const {
    if (m_deferred) {
        raw.units = m_pending;
        raw.originals.clear();
        raw.isText = true;
        return QTextBlock();
    }
    raw.lineEnd = m_lineEnd;
    for (qsizetype added = 0; block.isValid() && added < units;) {
        const QString t = block.text();
        const qsizetype at = raw.units.size();
        raw.units += t;
        if (hasStandIn(t)) {
            TagReader tags(document());
            for (qsizetype i = 0; i < t.size(); ++i) {
                const char16_t ch = t[i].unicode();
                if (!isStandInChar(ch))
                    continue;
                const char16_t original = tags.originalAt(block.position() + int(i));
                if (original && standInFor(original) == ch && heldAsStandIn(original))
                    raw.originals.emplace_back(at + i, original);
            }
        }
        added += t.size() + 1;
        block = block.next();
        if (block.isValid())
            raw.units += QChar(ParaSeparator);
    }
    return block;
}

void TextView::setText(const QString& text) {
    if (isExplicitlyHidden()) {
        m_pending = text;
        m_pendingStart = 0;
        m_pendingLength = 0;
        m_pendingModified = false;
        if (!m_deferred) {
            m_deferred = true;
            loadDocument(QString());
        }
        return;
    }
    if (m_deferred) {
        m_deferred = false;
        m_pending = QString();
    }
    loadDocument(text);
    document()->setModified(false);
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
}

qsizetype TextView::textLength() const {
    if (m_deferred)
        return m_pending.size();
    const QTextDocument* doc = document();
    return qsizetype(doc->characterCount() - 1) + crLfBreaks(doc->blockCount() - 1);
}

// A text whose every line ends in a lone LF (or a lone CR) keeps them as the
// view's block breaks: as stand-ins they would make the whole text one block,
// which the toolkit lays out in one piece, far too slowly for a long file.
TextView::LineEnd TextView::lineEndOf(QStringView text) {
    const bool cr = text.contains(u'\r');
    const bool lf = text.contains(u'\n');
    if (lf && !cr)
        return LineEnd::Lf;
    if (cr && !lf)
        return LineEnd::Cr;
    return LineEnd::CrLf;
}

void TextView::loadDocument(const QString& text) {
    m_lineEnd = lineEndOf(text);
    QTextDocument* doc = document();
    // clear() frees the old text at once (removing it through a cursor keeps
    // its buffer) and empties the undo stacks.
    doc->clear();
    doc->setUndoRedoEnabled(false);
    QTextCursor c(doc);
    c.beginEditBlock();
    insertConverted(c, text, m_lineEnd);
    c.endEditBlock();
    doc->setUndoRedoEnabled(true);
    setTextCursor(QTextCursor(doc));
}

// --- positions ----------------------------------------------------------------

// With CR LF line ends a text position is its document position plus the
// number of its block: every block break before it is two units of text for
// one of the document. A lone LF or CR is one unit on both sides.
qsizetype TextView::toTextPos(int docPos) const {
    if (m_lineEnd != LineEnd::CrLf)
        return std::clamp<qsizetype>(docPos, 0, textLength());
    const QTextBlock block = document()->findBlock(docPos);
    if (!block.isValid())
        return textLength();
    return qsizetype(docPos) + block.blockNumber();
}

// Between the CR and the LF of a CR LF is no place for the caret: it goes
// before the CR. (A CR LF that is not a block break is made of stand-ins.)
int TextView::toDocPos(qsizetype textPos) const {
    const int p = toDocPosExact(textPos);
    return p > 0 && isCrLfMiddle(p) ? p - 1 : p;
}

int TextView::toDocPosExact(qsizetype textPos) const {
    const QTextDocument* doc = document();
    textPos = std::clamp<qsizetype>(textPos, 0, textLength());
    if (m_lineEnd != LineEnd::CrLf)
        return int(textPos);
    // Block b starts at text position position(b) + b, which never exceeds the
    // block holding document position textPos: search the numbers below it.
    const int lastDoc = doc->characterCount() - 1;
    int lo = 0;
    int hi = doc->findBlock(int(std::min<qsizetype>(textPos, lastDoc))).blockNumber();
    while (lo < hi) {
        const int mid = lo + (hi - lo + 1) / 2;
        if (doc->findBlockByNumber(mid).position() + qsizetype(mid) <= textPos)
            lo = mid;
        else
            hi = mid - 1;
    }
    const QTextBlock block = doc->findBlockByNumber(lo);
    const qsizetype offset = textPos - (block.position() + qsizetype(lo));
    // Past the block's last character is its CR LF: stop before the CR.
    return block.position() + int(std::min<qsizetype>(offset, block.length() - 1));
}

// The character a tagged stand-in at pos stands for, or 0.
char16_t TextView::originalAt(int pos) const {
    return TagReader(document()).originalAt(pos);
}

bool TextView::isCrLfMiddle(int docPos) const {
    const QTextDocument* doc = document();
    const QChar before = doc->characterAt(docPos - 1);
    // The end of the text is no middle: the document's closing mark there
    // stands for no line end.
    if (docPos <= 0 || docPos >= doc->characterCount() - 1)
        return false;
    const QChar at = doc->characterAt(docPos);
    const bool crBefore = (m_lineEnd == LineEnd::Cr && before == QChar(ParaSeparator)) ||
                          (before == QChar(CrSymbol) && originalAt(docPos - 1) == u'\r');
    const bool lfAt = (m_lineEnd == LineEnd::Lf && at == QChar(ParaSeparator)) ||
                      (at == QChar(LineSeparator) && originalAt(docPos) == u'\n');
    return crBefore && lfAt;
}

// --- selection ----------------------------------------------------------------

qsizetype TextView::selStart() const {
    if (m_deferred)
        return m_pendingStart;
    return toTextPos(textCursor().selectionStart());
}

qsizetype TextView::selLength() const {
    if (m_deferred)
        return m_pendingLength;
    const QTextCursor c = textCursor();
    return toTextPos(c.selectionEnd()) - toTextPos(c.selectionStart());
}

QString TextView::selText() const {
    if (m_deferred)
        return m_pending.mid(m_pendingStart, m_pendingLength);
    const QTextCursor c = textCursor();
    if (!c.hasSelection())
        return QString();
    return fromDocument(c.selectedText(), c.selectionStart());
}

void TextView::setSelStart(qsizetype p) {
    if (m_deferred) {
        m_pendingStart = outOfCrLf(m_pending, std::clamp<qsizetype>(p, 0, m_pending.size()));
        m_pendingLength = 0;
        return;
    }
    QTextCursor c = textCursor();
    c.setPosition(toDocPos(p));
    setTextCursor(c);
}

// The selection grows from its start, which after setSelStart is the caret.
void TextView::setSelLength(qsizetype n) {
    n = std::max<qsizetype>(n, 0);
    if (m_deferred) {
        const qsizetype end =
            outOfCrLf(m_pending, std::min<qsizetype>(m_pendingStart + n, m_pending.size()));
        m_pendingLength = std::max<qsizetype>(end - m_pendingStart, 0);
        return;
    }
    QTextCursor c = textCursor();
    const int docStart = c.selectionStart();
    const qsizetype start = toTextPos(docStart);
    c.setPosition(docStart);
    // The end never moves before the start, even where the start is the
    // middle of a CR LF typed into a page of lone line ends.
    const int docEnd = toDocPos(start + std::min(n, textLength() - start));
    c.setPosition(std::max(docStart, docEnd), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

void TextView::replaceSelection(const QString& t) {
    if (m_deferred) {
        m_pending.replace(m_pendingStart, m_pendingLength, t);
        m_pendingStart += t.size();
        m_pendingLength = 0;
        m_pendingModified = true;
        return;
    }
    QTextCursor c = textCursor();
    c.beginEditBlock();
    c.removeSelectedText();
    insertConverted(c, t, m_lineEnd);
    c.endEditBlock();
    setTextCursor(c);
}

void TextView::replaceAllText(const QString& t, qsizetype caret) {
    if (m_deferred) {
        m_pending = t;
        m_pendingStart = outOfCrLf(m_pending, std::clamp<qsizetype>(caret, 0, m_pending.size()));
        m_pendingLength = 0;
        m_pendingModified = true;
        return;
    }
    if (lineEndOf(t) != m_lineEnd) {
        // The new text's lines end otherwise: the document is made anew for
        // them (this one edit then cannot be undone).
        loadDocument(t);
        document()->setModified(true);
        setSelStart(caret);
        return;
    }
    QTextCursor c(document());
    c.beginEditBlock();
    c.select(QTextCursor::Document);
    c.removeSelectedText();
    insertConverted(c, t, m_lineEnd);
    c.endEditBlock();
    setSelStart(caret);
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

// --- hidden view ----------------------------------------------------------------

bool TextView::isExplicitlyHidden() const {
    return isHidden() && testAttribute(Qt::WA_WState_ExplicitShowHide);
}

void TextView::setVisible(bool visible) {
    if (visible && m_deferred)
        build();
    else if (!visible && !m_deferred)
        release();
    QPlainTextEdit::setVisible(visible);
}

void TextView::showEvent(QShowEvent* e) {
    // Every way to show the view passes through setVisible(true); this only
    // guards against showing a view whose document was never built.
    if (m_deferred)
        build();
    QPlainTextEdit::showEvent(e);
}

// Showing or hiding the view does not change its text, so neither announces
// a change.
void TextView::build() {
    const QSignalBlocker blocker(this);
    m_deferred = false;
    const QString t = std::exchange(m_pending, QString());
    loadDocument(t);
    document()->setModified(m_pendingModified);
    const qsizetype start = m_pendingStart;
    const qsizetype length = m_pendingLength;
    m_pendingStart = m_pendingLength = 0;
    // The selection comes back exactly as it was kept, wherever it stood.
    QTextCursor c = textCursor();
    c.setPosition(toDocPosExact(start));
    c.setPosition(toDocPosExact(start + length), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

void TextView::release() {
    const QSignalBlocker blocker(this);
    m_pendingStart = selStart();
    m_pendingLength = selLength();
    m_pendingModified = document()->isModified();
    m_pending = text();
    m_deferred = true;
    loadDocument(QString());
}

// --- keyboard and input method ----------------------------------------------------

void TextView::untagInsertionFormat() {
    const QTextCursor c = textCursor();
    if (c.hasSelection())
        return;
    QTextCharFormat f = c.charFormat();
    if (!f.hasProperty(OriginalChar))
        return;
    f.clearProperty(OriginalChar);
    setCurrentCharFormat(f);
}

void TextView::keyPressEvent(QKeyEvent* e) {
    const int key = e->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    const Qt::KeyboardModifiers mods = e->modifiers();
    const bool ctrlOrAlt = mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    untagInsertionFormat();
    if (enter && (mods & Qt::ShiftModifier) && !ctrlOrAlt) {
        // Shift+Enter would insert a line separator; a new line here is a CR LF.
        QKeyEvent plain(e->type(), key, mods & ~Qt::ShiftModifier, e->text(), e->isAutoRepeat(),
                        e->count());
        QPlainTextEdit::keyPressEvent(&plain);
        e->setAccepted(plain.isAccepted());
    } else {
        QPlainTextEdit::keyPressEvent(e);
    }

    if (key == Qt::Key_Delete)
        return;
    if (enter && !ctrlOrAlt) {
        emit charTyped(QChar(u'\r'));
        return;
    }
    const QString t = e->text();
    if (t.isEmpty() || t[0] == QChar(Del))
        return;
    // Ctrl+letter types its control character, whatever text the platform
    // attached to the event.
    if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier) && key >= Qt::Key_A &&
        key <= Qt::Key_Z) {
        emit charTyped(QChar(char16_t(key - Qt::Key_A + 1)));
        return;
    }
    emit charTyped(t[0]);
}

// An input-method commit emits charTyped once for each UTF-16 unit committed.
void TextView::inputMethodEvent(QInputMethodEvent* e) {
    untagInsertionFormat();
    const QString committed = e->commitString();
    QPlainTextEdit::inputMethodEvent(e);
    for (const QChar c : committed)
        emit charTyped(c);
}

// --- drag and drop, clipboard ---------------------------------------------------------

// A file drop only reads the files: it is taken as a copy (or a link) so the
// source never deletes them as it would after a move.
static void acceptFileDrop(QDropEvent* e) {
    if (e->possibleActions() & Qt::CopyAction) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else if (e->possibleActions() & Qt::LinkAction) {
        e->setDropAction(Qt::LinkAction);
        e->accept();
    } else {
        e->acceptProposedAction();
    }
}

void TextView::dragEnterEvent(QDragEnterEvent* e) {
    if (hasLocalFile(e->mimeData()))
        acceptFileDrop(e);
    else
        e->ignore();
}

void TextView::dragMoveEvent(QDragMoveEvent* e) {
    if (hasLocalFile(e->mimeData()))
        acceptFileDrop(e);
    else
        e->ignore();
}

void TextView::dropEvent(QDropEvent* e) {
    if (!hasLocalFile(e->mimeData())) {
        e->ignore();
        return;
    }
    QStringList paths;
    for (const QUrl& u : e->mimeData()->urls()) {
        if (u.isLocalFile())
            paths << u.toLocalFile();
    }
    acceptFileDrop(e);
    emit filesDropped(paths);
}

// Files are never pasted as text; web addresses carrying text still are.
bool TextView::canInsertFromMimeData(const QMimeData* source) const {
    if (hasLocalFile(source))
        return false;
    return QPlainTextEdit::canInsertFromMimeData(source);
}

void TextView::insertFromMimeData(const QMimeData* source) {
    if (hasLocalFile(source))
        return;
    untagInsertionFormat();
    QPlainTextEdit::insertFromMimeData(source);
}

// A copy holds the selected text as it is (CR LF, lone CR and LF, no-break
// spaces), not the document's display form.
QMimeData* TextView::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    data->setText(selText());
    return data;
}
