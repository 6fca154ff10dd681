#include "editor/textview.h"

#include "platform/long_work.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPalette>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyleHints>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <optional>

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

// A long text goes into the document in steps of about this many units, each
// step showing how far the work has come.
constexpr qsizetype StepUnits = qsizetype(1) << 20;

// Inserts the units [from, to) of t as they are. In steps, no step ends
// between the CR and the LF of a CR LF, and no edit block stays open while
// the progress is shown.
void insertPlain(QTextCursor& c, const QString& t, qsizetype from, qsizetype to, bool inSteps) {
    const QTextCharFormat plain;
    const QChar* s = t.constData();
    while (from < to) {
        qsizetype end = inSteps ? std::min(to, from + StepUnits) : to;
        if (end < to && s[end - 1] == u'\r' && s[end] == u'\n')
            ++end;
        c.insertText(from == 0 && end == t.size() ? t : QString::fromRawData(s + from, end - from),
                     plain);
        from = end;
        if (inSteps) {
            c.endEditBlock();
            LongWork::progress(from, t.size());
            c.beginEditBlock();
        }
    }
}

// Inserts t at c (which has no selection) in one pass. Runs of ordinary text
// go in as they are, slices of t without a copy of their own: the document
// itself makes one block break of each CR LF, LF or CR in them. Only the
// characters the document cannot hold as the view's line ends (a lone CR or LF
// in a page of CR LF lines, the other kind of line end in a page of lone ones,
// U+2029 and the frame marks) go in one at a time, as tagged stand-ins.
void insertConverted(QTextCursor& c, const QString& t, TextView::LineEnd lineEnd,
                     bool inSteps = false) {
    const QChar* s = t.constData();
    const qsizetype n = t.size();
    qsizetype from = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ch = s[i].unicode();
        if (!heldAsStandIn(ch))
            continue;
        if (ch == u'\r' && lineEnd == TextView::LineEnd::CrLf && i + 1 < n && s[i + 1] == u'\n') {
            ++i;
            continue;
        }
        if ((ch == u'\n' && lineEnd == TextView::LineEnd::Lf) ||
            (ch == u'\r' && lineEnd == TextView::LineEnd::Cr))
            continue;
        insertPlain(c, t, from, i, inSteps);
        QTextCharFormat tagged;
        tagged.setProperty(OriginalChar, int(ch));
        c.insertText(QString(QChar(standInFor(ch))), tagged);
        from = i + 1;
    }
    insertPlain(c, t, from, n, inSteps);
}

// The length of t's longest line, as insertConverted breaks t into blocks: the
// block a line makes is one unit longer (its break), and the first and the
// last line join the text around the cursor.
qsizetype longestLine(QStringView t, TextView::LineEnd lineEnd) {
    const QChar end(lineEnd == TextView::LineEnd::Cr ? u'\r' : u'\n');
    const bool crLf = lineEnd == TextView::LineEnd::CrLf;
    qsizetype longest = 0, lineStart = 0;
    for (qsizetype i = t.indexOf(end); i >= 0; i = t.indexOf(end, i + 1)) {
        if (crLf && (i == 0 || t[i - 1] != u'\r'))
            continue; // a lone LF stays inside its line
        longest = std::max(longest, i - lineStart - crLf);
        lineStart = i + 1;
    }
    return std::max(longest, t.size() - lineStart);
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
    connect(document(), &QTextDocument::contentsChange, this, [this](int from, int, int added) {
        keepLongLinesShaped(from, from + added, m_insertedLongest);
    });
}

// The toolkit lays a line out in one piece and, once laid out, forgets how its
// characters were shaped: every later question about it (where the caret
// stands, each blink of the caret, painting) shapes the whole line again, which
// for a line of some million characters takes longer than a blink. A long line
// keeps its shaping instead; a short one is reshaped in no time.
void TextView::keepLongLinesShaped(int from, int to, qsizetype longestInside) {
    const QTextDocument* doc = document();
    QTextBlock b = doc->findBlock(from);
    if (longestInside >= 0 && longestInside < LongLine) {
        // Only the blocks at the ends, where the new lines join the old text,
        // can be long. (A walk over every block of a page of a hundred
        // megabytes takes a fifth of a second.)
        keepShaped(b);
        keepShaped(doc->findBlock(to));
        return;
    }
    for (int pos = b.position(); b.isValid() && pos <= to; pos += b.length(), b = b.next())
        keepShaped(b);
}

void TextView::keepShaped(const QTextBlock& b) {
    if (b.isValid() && b.length() > LongLine && !b.layout()->cacheEnabled()) {
        b.layout()->setCacheEnabled(true);
        m_hasLongLine = true;
    }
}

void TextView::insertAsOneEdit(QTextCursor& c, const QString& t, bool inSteps) {
    const QScopedValueRollback measured(m_insertedLongest, longestLine(t, m_lineEnd));
    c.beginEditBlock();
    c.removeSelectedText();
    insertConverted(c, t, m_lineEnd, inSteps);
    c.endEditBlock();
}

// Without wrapping, each repaint of a long line, however small, first finds
// where the part in view starts, tens of milliseconds for a line of a few
// million characters (and the whole line when it is painted whole): a blinking
// caret would keep the program busy for good. The caret of such a page stands
// still while the view has the focus.
namespace {
int savedFlashTime = -1;
}

void TextView::focusInEvent(QFocusEvent* e) {
    if (lineWrapMode() == NoWrap && m_hasLongLine && savedFlashTime < 0) {
        savedFlashTime = QGuiApplication::styleHints()->cursorFlashTime();
        QGuiApplication::styleHints()->setCursorFlashTime(0);
    }
    QPlainTextEdit::focusInEvent(e);
}

void TextView::focusOutEvent(QFocusEvent* e) {
    QPlainTextEdit::focusOutEvent(e);
    if (savedFlashTime >= 0) {
        QGuiApplication::styleHints()->setCursorFlashTime(savedFlashTime);
        savedFlashTime = -1;
    }
}

TextView::~TextView() = default;

// --- text -------------------------------------------------------------------

QString TextView::text() const {
    if (m_deferred)
        return m_pending;
    return fromDocument(document()->toRawText(), 0);
}

QString TextView::fromDocument(QString raw, int docFrom) const {
    const QList<StandIn> standIns = standInsOf(raw, docFrom);
    if (!standIns.isEmpty())
        return textOf(raw, m_lineEnd, standIns);
    // Only the block breaks change: done in the units' own buffer, which a
    // long page would otherwise need twice over, freshly allocated.
    if (m_lineEnd != LineEnd::CrLf) {
        raw.replace(QChar(ParaSeparator), m_lineEnd == LineEnd::Lf ? u'\n' : u'\r');
        return raw;
    }
    const qsizetype n = raw.size();
    const qsizetype breaks = raw.count(QChar(ParaSeparator));
    if (breaks == 0)
        return raw;
    raw.resize(n + breaks);
    QChar* d = raw.data();
    // From the back: each run moves right by the breaks before it.
    qsizetype to = n + breaks;
    qsizetype runEnd = n;
    for (qsizetype i = QStringView(d, n).lastIndexOf(QChar(ParaSeparator)); i >= 0;
         i = i > 0 ? QStringView(d, i).lastIndexOf(QChar(ParaSeparator)) : -1) {
        const qsizetype run = runEnd - (i + 1);
        to -= run;
        std::memmove(d + to, d + i + 1, size_t(run) * sizeof(QChar));
        d[--to] = QChar(u'\n');
        d[--to] = QChar(u'\r');
        runEnd = i;
    }
    return raw;
}

QList<TextView::StandIn> TextView::standInsOf(QStringView raw, int docFrom) const {
    QList<StandIn> found;
    if (!hasStandIn(raw))
        return found; // the common page: one quick scan
    TagReader tags(document());
    const qsizetype n = raw.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (!isStandInChar(raw[i].unicode()))
            continue;
        if (const char16_t original = tags.originalAt(docFrom + int(i)))
            found.append({i, original});
    }
    return found;
}

QString TextView::textOf(QStringView raw, LineEnd lineEnd, const QList<StandIn>& standIns) {
    const QStringView end = lineEnd == LineEnd::CrLf ? QStringView(u"\r\n")
                            : lineEnd == LineEnd::Lf ? QStringView(u"\n")
                                                     : QStringView(u"\r");
    const qsizetype breaks = raw.count(QChar(ParaSeparator));
    QString out;
    out.reserve(raw.size() + breaks * (end.size() - 1));
    if (standIns.isEmpty()) {
        // Only the block breaks change: found with the quick scan, runs
        // between them copied whole.
        qsizetype from = 0;
        for (qsizetype i = raw.indexOf(QChar(ParaSeparator)); i >= 0;
             i = raw.indexOf(QChar(ParaSeparator), from)) {
            out.append(raw.sliced(from, i - from));
            out.append(end);
            from = i + 1;
        }
        out.append(raw.sliced(from));
        return out;
    }
    auto tag = standIns.cbegin();
    qsizetype from = 0;
    const qsizetype n = raw.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ch = raw[i].unicode();
        if (ch != ParaSeparator && !isStandInChar(ch))
            continue;
        QStringView replacement;
        char16_t original = 0;
        if (ch == ParaSeparator) {
            replacement = end;
        } else {
            while (tag != standIns.cend() && tag->pos < i)
                ++tag;
            // Typing next to a stand-in can pass its tag on; only a unit that
            // is the tag's own stand-in counts.
            if (tag == standIns.cend() || tag->pos != i || standInFor(tag->original) != ch ||
                !heldAsStandIn(tag->original))
                continue;
            original = tag->original;
            replacement = QStringView(&original, 1);
        }
        out.append(raw.sliced(from, i - from));
        out.append(replacement);
        from = i + 1;
    }
    out.append(raw.sliced(from));
    return out;
}

QString TextView::textOf(const Raw& raw) {
    return raw.isText ? raw.units : textOf(raw.units, raw.lineEnd, raw.standIns);
}

QTextBlock TextView::appendRaw(Raw& raw, QTextBlock block, qsizetype units) const {
    if (m_deferred) {
        raw.units = m_pending;
        raw.standIns.clear();
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
                if (const char16_t original = tags.originalAt(block.position() + int(i)))
                    raw.standIns.append({at + i, original});
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
    m_hasLongLine = false;
    QTextDocument* doc = document();
    // clear() frees the old text at once (removing it through a cursor keeps
    // its buffer) and empties the undo stacks.
    doc->clear();
    doc->setUndoRedoEnabled(false);
    // A long text in a window on screen is built in steps that show how far
    // the work has come; the view paints nothing until it is whole. (At the
    // window's first showing the window itself is not there to show it.)
    const bool inSteps = text.size() >= 2 * StepUnits && window()->isVisible() && !m_inShowEvent;
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
    insertAsOneEdit(c, t);
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
    c.select(QTextCursor::Document);
    insertAsOneEdit(c, t);
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
    // In a window not shown yet the document waits for the window: built
    // after the view has its final size, it is laid out once, and only as far
    // as it is seen.
    if (visible && m_deferred && window()->isVisible())
        build();
    else if (!visible && !m_deferred)
        release();
    QPlainTextEdit::setVisible(visible);
}

void TextView::showEvent(QShowEvent* e) {
    if (m_deferred) {
        m_inShowEvent = true;
        build();
        m_inShowEvent = false;
    }
    QPlainTextEdit::showEvent(e);
}

void TextView::buildIfShown() {
    if (m_deferred && !isHidden())
        build();
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
    releaseAs(text());
}

void TextView::releaseAs(const QString& text) {
    const QSignalBlocker blocker(this);
    m_pendingStart = selStart();
    m_pendingLength = selLength();
    m_pendingModified = document()->isModified();
    m_pending = text;
    if (!m_deferred) {
        m_deferred = true;
        loadDocument(QString());
    }
}

void TextView::hideAs(const QString& text) {
    if (!isHidden() || !m_deferred)
        releaseAs(text);
    QPlainTextEdit::setVisible(false);
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
    buildIfShown();
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
    buildIfShown();
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
    buildIfShown();
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
