#include "editor/document_text.h"

#include "platform/large_memory.h"
#include "platform/long_work.h"

#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstring>
#include <vector>

namespace doctext {

namespace {

constexpr char16_t LineSeparator = 0x2028; // stands in for a lone LF; shown as a line break
constexpr char16_t CrSymbol = 0x240D;      // stands in for a lone CR
constexpr char16_t Replacement = 0xFFFD;   // stands in for U+2029 and the frame marks
constexpr char16_t FrameStart = 0xFDD0;
constexpr char16_t FrameEnd = 0xFDD1;

// The document turns these into block breaks, so they go in as stand-ins
// (a CR only when no LF follows it).
bool heldAsStandIn(char16_t c) {
    return c == u'\n' || c == u'\r' || c == BlockBreak || c == FrameStart || c == FrameEnd;
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

bool hasStandIn(QStringView t) {
    return t.contains(QChar(LineSeparator)) || t.contains(QChar(CrSymbol)) ||
           t.contains(QChar(Replacement));
}

// Whether the unit `unit` is the stand-in of `original`: typing next to a
// stand-in can pass its tag on to a character that stands for nothing.
bool isOwnStandIn(QChar unit, char16_t original) {
    return heldAsStandIn(original) && unit == QChar(standInFor(original));
}

// Inserts the units [from, to) of t as they are. In steps, no step ends
// between the CR and the LF of a CR LF.
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
            // The document's arrays have grown: from here on they grow on
            // huge pages.
            largememory::preferHugePagesWhereLarge();
            LongWork::progress(from, t.size());
            c.beginEditBlock();
        }
    }
}

// Whether the document holds ch as a block break of a page of `lineEnd`
// lines, at i in s (of n units).
bool isBlockBreak(const QChar* s, qsizetype i, qsizetype n, LineEnd lineEnd) {
    const char16_t ch = s[i].unicode();
    switch (lineEnd) {
    case LineEnd::Lf:
        return ch == u'\n';
    case LineEnd::Cr:
        return ch == u'\r';
    default:
        return ch == u'\r' && i + 1 < n && s[i + 1] == u'\n';
    }
}

// Reads the stand-in tags of a document in increasing position order, one
// pass over the blocks and fragments that hold them.
class TagReader {
public:
    explicit TagReader(const QTextDocument& doc) : m_doc(doc) {}

    char16_t originalAt(int pos) {
        if (!m_block.isValid() || !m_block.contains(pos)) {
            m_block = m_doc.findBlock(pos);
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
    const QTextDocument& m_doc;
    QTextBlock m_block;
    QTextBlock::iterator m_it;
};

// Appends the tagged stand-ins among `units`, which start at document
// position docFrom, to `into`, counting their positions from `at`.
void collectStandIns(const QTextDocument& doc, QStringView units, int docFrom, qsizetype at,
                     QList<StandIn>& into) {
    if (!hasStandIn(units))
        return; // the common page: one quick scan
    TagReader tags(doc);
    for (qsizetype i = 0; i < units.size(); ++i) {
        if (!isStandInChar(units[i].unicode()))
            continue;
        if (const char16_t original = tags.originalAt(docFrom + int(i)))
            into.append({at + i, original});
    }
}

// Block breaks become CR LF in the units' own buffer, from the back: each run
// moves right by the breaks before it. (A long page would otherwise need its
// text twice over, freshly allocated.)
void widenBreaks(QString& units, qsizetype breaks) {
    const qsizetype n = units.size();
    units.resize(n + breaks);
    QChar* d = units.data();
    qsizetype to = n + breaks;
    qsizetype runEnd = n;
    for (qsizetype i = QStringView(d, n).lastIndexOf(QChar(BlockBreak)); i >= 0;
         i = i > 0 ? QStringView(d, i).lastIndexOf(QChar(BlockBreak)) : -1) {
        const qsizetype run = runEnd - (i + 1);
        to -= run;
        std::memmove(d + to, d + i + 1, size_t(run) * sizeof(QChar));
        to -= 2;
        d[to] = QChar(u'\r');
        d[to + 1] = QChar(u'\n');
        runEnd = i;
    }
}

} // namespace

void insert(QTextCursor& c, const QString& t, LineEnd lineEnd, bool inSteps) {
    // Runs of ordinary text go in as they are, slices of t without a copy of
    // their own: the document makes one block break of each CR LF, LF or CR in
    // them. Only what it cannot hold goes in one unit at a time, tagged.
    const QChar* s = t.constData();
    const qsizetype n = t.size();
    qsizetype from = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (!heldAsStandIn(s[i].unicode()))
            continue;
        if (isBlockBreak(s, i, n, lineEnd)) {
            i += lineEnd == LineEnd::CrLf;
            continue;
        }
        insertPlain(c, t, from, i, inSteps);
        QTextCharFormat tagged;
        tagged.setProperty(OriginalChar, int(s[i].unicode()));
        c.insertText(QString(QChar(standInFor(s[i].unicode()))), tagged);
        from = i + 1;
    }
    insertPlain(c, t, from, n, inSteps);
}

// The one way units become text: tagged stand-ins their originals, block
// breaks the page's line ends, all in the units' own buffer.
static QString toText(QString units, LineEnd lineEnd, const QList<StandIn>& standIns) {
    const bool crLf = lineEnd == LineEnd::CrLf;
    // Where each stand-in lands once the breaks before it are line ends.
    std::vector<StandIn> originals;
    qsizetype from = 0, shift = 0;
    for (const StandIn& s : standIns) {
        if (s.pos >= units.size() || !isOwnStandIn(units[s.pos], s.original))
            continue;
        if (crLf)
            shift += QStringView(units).sliced(from, s.pos - from).count(QChar(BlockBreak));
        from = s.pos;
        originals.push_back({s.pos + shift, s.original});
    }
    if (!crLf)
        units.replace(QChar(BlockBreak), lineEndText(lineEnd)[0]);
    else if (const qsizetype breaks = units.count(QChar(BlockBreak)))
        widenBreaks(units, breaks);
    for (const StandIn& s : originals)
        units[s.pos] = QChar(s.original);
    return units;
}

QString textOf(const QTextDocument& doc, QString units, int docFrom, LineEnd lineEnd) {
    QList<StandIn> standIns;
    collectStandIns(doc, units, docFrom, 0, standIns);
    return toText(std::move(units), lineEnd, standIns);
}

Raw rawOf(const QTextDocument& doc, LineEnd lineEnd) {
    Raw raw;
    raw.units = doc.toRawText();
    raw.lineEnd = lineEnd;
    collectStandIns(doc, raw.units, 0, 0, raw.standIns);
    return raw;
}

QString textOf(Raw raw) {
    return raw.isText ? std::move(raw.units)
                      : toText(std::move(raw.units), raw.lineEnd, raw.standIns);
}

QTextBlock appendBlocks(const QTextDocument& doc, Raw& raw, QTextBlock block, qsizetype units) {
    for (qsizetype added = 0; block.isValid() && added < units;) {
        const QString t = block.text();
        collectStandIns(doc, t, block.position(), raw.units.size(), raw.standIns);
        raw.units += t;
        added += t.size() + 1;
        block = block.next();
        if (block.isValid())
            raw.units += QChar(BlockBreak);
    }
    return block;
}

char16_t standsFor(const QTextDocument& doc, int pos) {
    const char16_t original = TagReader(doc).originalAt(pos);
    return original && isOwnStandIn(doc.characterAt(pos), original) ? original : 0;
}

} // namespace doctext
