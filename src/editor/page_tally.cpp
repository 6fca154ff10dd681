#include "editor/page_tally.h"

#include "editor/document_text.h"
#include "platform/large_memory.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <climits>

namespace {

constexpr QChar Break(QChar::ParagraphSeparator); // between blocks, in the document's units
constexpr QChar Separator(QChar::LineSeparator);  // shown as a new row within a line
constexpr QChar CrSymbol(0x240D);                 // shown for a lone CR

// The first place at or after i (i > 0) where a piece may end: the start of a
// block, or a fixed boundary that does not part a CR from what follows it (a
// CR LF, or a CR and the break after it, stays in one piece). units.size()
// when there is none.
qsizetype nextCut(QStringView units, qsizetype i) {
    for (; i < units.size(); ++i) {
        if (units[i - 1] == Break ||
            (units[i - 1] != CrSymbol && graphemes::fixedBoundary(units, i)))
            return i;
    }
    return units.size();
}

} // namespace

PageTally::Piece PageTally::closingMark() {
    Piece p{};
    p.units = 1;
    return p;
}

void PageTally::follow(QTextDocument* doc) {
    m_doc = doc;
    m_pieces.clear();
    m_pieces.shrink_to_fit();
    m_counted = 0;
    m_length = doc ? doc->characterCount() : 0;
    m_totals = {};
    m_hint = {0, 0};
    m_whole = QString();
    m_text = QString();
}

void PageTally::takeText(const QString& text, LineEnd lineEnd) {
    if (complete())
        return;
    m_whole = QString();
    m_text = text; // made into units when the count comes to it
    m_textLineEnd = lineEnd;
}

QString PageTally::unitsFor(QStringView text, LineEnd lineEnd) {
    QString units(text.size(), Qt::Uninitialized);
    QChar* out = units.data();
    largememory::preferHugePages(out, size_t(units.size()) * sizeof(QChar));
    for (qsizetype i = 0; i < text.size(); ++i) {
        switch (text[i].unicode()) {
        case u'\r':
            if (lineEnd == LineEnd::CrLf && i + 1 < text.size() && text[i + 1] == u'\n') {
                *out++ = Break;
                ++i;
            } else {
                *out++ = lineEnd == LineEnd::Cr ? Break : CrSymbol;
            }
            break;
        case u'\n':
            *out++ = lineEnd == LineEnd::Lf ? Break : Separator;
            break;
        case QChar::ParagraphSeparator:
        case 0xFDD0: // the frame marks
        case 0xFDD1:
            *out++ = QChar(QChar::ReplacementCharacter);
            break;
        default:
            *out++ = text[i];
        }
    }
    units.truncate(out - units.constData());
    return units;
}

bool PageTally::complete() const {
    return !m_doc || m_counted == m_doc->characterCount();
}

void PageTally::changed(int from, int removed, int added, int atOnce) {
    if (!m_doc)
        return;
    // Now and then the toolkit reports a change that does not add up (a page
    // put into an empty document): everything from there on is counted
    // afresh.
    const int length = m_doc->characterCount();
    const bool addsUp = m_length - removed + added == length;
    m_length = length;
    m_text = QString(); // what was put in is not the text any more
    if (m_pieces.empty() || from > m_counted) {
        m_whole = QString();
        return;
    }
    // The piece before the change is counted again too: what changed may
    // join its last character.
    const Place first = locate(std::max(from - 1, 0));
    // The pieces up to one starting past the unit after the change: around
    // that start nothing changed, so a piece may still start there.
    size_t last = first.index;
    int end = first.start;
    while (last < m_pieces.size() && end <= from + removed)
        end += m_pieces[last++].units;
    const int newEnd = end + added - removed;
    if (!addsUp || end <= from + removed || newEnd - first.start > atOnce) {
        replace(first, m_pieces.size(), {});
        m_counted = first.start;
        m_whole = QString();
        return;
    }
    std::vector<Piece> fresh;
    build(first.start, newEnd, true, fresh);
    replace(first, last, fresh);
    m_counted += added - removed;
    m_wholeAt += added - removed; // what is not counted yet moved with it
}

bool PageTally::countOn(int units) {
    if (m_doc && m_whole.isNull() && !m_text.isNull()) {
        m_whole = unitsFor(m_text, m_textLineEnd);
        m_wholeAt = 0;
        m_text = QString();
        if (m_whole.size() != m_doc->characterCount() - 1)
            m_whole = QString(); // not what the document holds after all
    }
    while (!complete()) {
        std::vector<Piece> fresh;
        const int to = int(std::min<qint64>(m_doc->characterCount(), qint64(m_counted) + units));
        const int end = build(m_counted, to, false, fresh);
        if (end > m_counted) {
            replace({m_pieces.size(), m_counted}, m_pieces.size(), fresh);
            m_counted = end;
            break;
        }
        // A run longer than that with no fixed boundary in it: take more.
        units = units > INT_MAX / 2 ? INT_MAX : units * 2;
    }
    if (complete())
        m_whole = QString();
    return complete();
}

PageTally::LineEnds PageTally::lineEnds(LineEnd lineEnd) const {
    LineEnds ends{m_totals.crLf, m_totals.lf, m_totals.cr};
    const qsizetype breaks = m_doc ? m_doc->blockCount() - 1 : 0;
    switch (lineEnd) {
    case LineEnd::CrLf:
        ends.crLf += breaks;
        break;
    case LineEnd::Lf: // a CR ending a line and the LF of the break are one CR LF
        ends.crLf += m_totals.crBeforeBreak;
        ends.cr -= m_totals.crBeforeBreak;
        ends.lf += breaks - m_totals.crBeforeBreak;
        break;
    case LineEnd::Cr: // the CR of a break and an LF starting the next line too
        ends.crLf += m_totals.lfAfterBreak;
        ends.lf -= m_totals.lfAfterBreak;
        ends.cr += breaks - m_totals.lfAfterBreak;
        break;
    }
    return ends;
}

int PageTally::rowStart(int p) const {
    const int blockStart = m_doc ? m_doc->findBlock(p).position() : 0;
    if (p >= m_counted) {
        const qsizetype i = unitsOf(blockStart, p).lastIndexOf(Separator);
        return i < 0 ? blockStart : blockStart + int(i) + 1;
    }
    if (m_totals.separators == 0)
        return blockStart;
    // Back from p, a piece at a time, looking only into pieces that hold one.
    for (Place at = locate(p);; at.start -= m_pieces[--at.index].units) {
        const Piece& piece = m_pieces[at.index];
        const int from = std::max(at.start, blockStart);
        if (piece.separators > 0) {
            const int to = std::min(p, at.start + piece.units);
            const qsizetype i = unitsOf(from, to).lastIndexOf(Separator);
            if (i >= 0)
                return from + int(i) + 1;
        }
        if (from == blockStart)
            return blockStart;
    }
}

qsizetype PageTally::separatorsBefore(int p) const {
    if (p >= m_counted)
        return m_totals.separators + unitsOf(m_counted, p).count(Separator);
    if (m_totals.separators == 0)
        return 0;
    const Place at = locate(p);
    qsizetype n = 0;
    for (size_t i = 0; i < at.index; ++i)
        n += m_pieces[i].separators;
    if (m_pieces[at.index].separators > 0)
        n += unitsOf(at.start, p).count(Separator);
    return n;
}

qsizetype PageTally::charsIn(int a, int b) const {
    if (a >= b)
        return 0;
    // Past what is counted, the units themselves.
    qsizetype n = b > m_counted ? charsDirect(std::max(a, m_counted), b) : 0;
    const int end = std::min(b, m_counted);
    if (a >= end)
        return n;
    for (Place at = locate(a); a < end; ++at.index) {
        const int next = at.start + m_pieces[at.index].units;
        if (a == at.start && end >= next)
            n += m_pieces[at.index].chars;
        else
            n += charsDirect(a, std::min(end, next));
        a = at.start = next;
    }
    return n;
}

PageTally::Place PageTally::locate(int p) const {
    p = std::clamp(p, 0, m_counted - 1);
    Place at = m_hint.index < m_pieces.size() ? m_hint : Place{0, 0};
    while (p < at.start)
        at.start -= m_pieces[--at.index].units;
    while (p >= at.start + m_pieces[at.index].units)
        at.start += m_pieces[at.index++].units;
    m_hint = at;
    return at;
}

// Makes the pieces of [from, to): `from` is where a piece may start, and so
// is `to` when exact; otherwise it stops at the last place before `to` where a
// piece may end. Returns where it stopped.
int PageTally::build(int from, int to, bool exact, std::vector<Piece>& out) const {
    const int closing = m_doc->characterCount() - 1; // the document's closing mark
    const bool toEnd = to > closing;
    QString held;
    const QStringView units = unitsOf(from, std::min(to, closing), held);
    const bool plain = !graphemes::holdsSpecial(units);
    bool afterBreak = from > 0 && m_doc->characterAt(from - 1) == Break;
    const size_t before = out.size();
    qsizetype i = 0;
    while (i < units.size()) {
        const qsizetype j =
            units.size() - i > PieceUnits ? nextCut(units, i + PieceUnits) : units.size();
        if (j == units.size() && !exact && !toEnd)
            break; // the rest waits for what follows it
        out.push_back(pieceOf(units.sliced(i, j - i), from + int(i), afterBreak, plain));
        afterBreak = units[j - 1] == Break;
        i = j;
    }
    if (!toEnd)
        return from + int(i);
    if (out.size() > before)
        ++out.back().units; // the closing mark ends the last piece
    else
        out.push_back(closingMark());
    return closing + 1;
}

PageTally::Piece PageTally::pieceOf(QStringView units, int at, bool afterBreak, bool plain) const {
    Piece p{};
    p.units = qint32(units.size());
    if (plain) {
        // Every block break is a character of its own to the finder.
        p.chars = qint32(graphemes::count(units) - units.count(Break));
        return p;
    }
    // Line ends, line separators or stand-ins: a block at a time, as the text
    // holds it.
    for (qsizetype i = 0;;) {
        const qsizetype br = units.indexOf(Break, i);
        const qsizetype end = br < 0 ? units.size() : br;
        const graphemes::Tally t = tallyOf(units.sliced(i, end - i), at + int(i));
        p.chars += t.chars;
        p.separators += t.separators;
        p.crLf += t.crLf;
        p.lf += t.lf;
        p.cr += t.cr;
        p.crBeforeBreak += br >= 0 && t.endsWithCr;
        p.lfAfterBreak += afterBreak && t.startsWithLf;
        if (br < 0)
            return p;
        i = br + 1;
        afterBreak = true;
    }
}

// The tally of the units of one block from position `at`, as the text holds
// them: a stand-in counts as the character it stands for.
graphemes::Tally PageTally::tallyOf(QStringView units, int at) const {
    if (!graphemes::holdsSpecial(units)) {
        graphemes::Tally t;
        t.chars = graphemes::count(units);
        return t;
    }
    return graphemes::tally(doctext::textOf(*m_doc, units.toString(), at, LineEnd::CrLf));
}

qsizetype PageTally::charsDirect(int a, int b) const {
    const QString units = unitsOf(a, b);
    qsizetype n = 0;
    for (qsizetype i = 0;;) {
        const qsizetype br = units.indexOf(Break, i);
        const qsizetype end = br < 0 ? units.size() : br;
        n += tallyOf(QStringView(units).sliced(i, end - i), a + int(i)).chars;
        if (br < 0)
            return n;
        i = br + 1;
    }
}

QStringView PageTally::unitsOf(int from, int to, QString& held) const {
    if (!m_whole.isNull() && from >= m_counted && from >= m_wholeAt &&
        to <= m_wholeAt + m_whole.size())
        return QStringView(m_whole).sliced(from - m_wholeAt, std::max(0, to - from));
    held = unitsOf(from, to);
    return held;
}

QString PageTally::unitsOf(int from, int to) const {
    if (!m_doc || to <= from)
        return QString();
    QTextCursor c(m_doc);
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    return c.selectedText();
}

void PageTally::replace(const Place& first, size_t last, const std::vector<Piece>& pieces) {
    for (size_t i = first.index; i < last; ++i)
        add(m_pieces[i], -1);
    for (const Piece& piece : pieces)
        add(piece, 1);
    const auto at = m_pieces.begin() + qsizetype(first.index);
    m_pieces.insert(m_pieces.erase(at, m_pieces.begin() + qsizetype(last)), pieces.begin(),
                    pieces.end());
    if (m_hint.index > first.index)
        m_hint = first;
}

void PageTally::add(const Piece& piece, int sign) {
    m_totals.chars += sign * piece.chars;
    m_totals.separators += sign * piece.separators;
    m_totals.crLf += sign * piece.crLf;
    m_totals.lf += sign * piece.lf;
    m_totals.cr += sign * piece.cr;
    m_totals.crBeforeBreak += sign * piece.crBeforeBreak;
    m_totals.lfAfterBreak += sign * piece.lfAfterBreak;
}
