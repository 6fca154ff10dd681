#include "editor/position_map.h"

#include "editor/document_text.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

qsizetype PositionMap::textLength() const {
    const qsizetype breaks = m_lineEnd == LineEnd::CrLf ? m_doc.blockCount() - 1 : 0;
    return qsizetype(m_doc.characterCount() - 1) + breaks;
}

// With CR LF line ends a text position is its document position plus the
// number of its block: every block break before it is two units of text.
qsizetype PositionMap::toText(int docPos) const {
    if (m_lineEnd != LineEnd::CrLf)
        return std::clamp<qsizetype>(docPos, 0, textLength());
    const QTextBlock block = m_doc.findBlock(docPos);
    if (!block.isValid())
        return textLength();
    return qsizetype(docPos) + block.blockNumber();
}

int PositionMap::toDoc(qsizetype textPos) const {
    const int p = toDocExact(textPos);
    return p > 0 && isCrLfMiddle(p) ? p - 1 : p;
}

int PositionMap::toDocExact(qsizetype textPos) const {
    textPos = std::clamp<qsizetype>(textPos, 0, textLength());
    if (m_lineEnd != LineEnd::CrLf)
        return int(textPos);
    // Block b starts at text position position(b) + b, which never exceeds the
    // block holding document position textPos: search the numbers below it.
    const int lastDoc = m_doc.characterCount() - 1;
    int lo = 0;
    int hi = m_doc.findBlock(int(std::min<qsizetype>(textPos, lastDoc))).blockNumber();
    while (lo < hi) {
        const int mid = lo + (hi - lo + 1) / 2;
        if (m_doc.findBlockByNumber(mid).position() + qsizetype(mid) <= textPos)
            lo = mid;
        else
            hi = mid - 1;
    }
    const QTextBlock block = m_doc.findBlockByNumber(lo);
    const qsizetype offset = textPos - (block.position() + qsizetype(lo));
    // Past the block's last character is its CR LF: stop before the CR.
    return block.position() + int(std::min<qsizetype>(offset, block.length() - 1));
}

// A CR LF that is not a block break is made of stand-ins, or of a block break
// and a stand-in in a page of lone line ends.
bool PositionMap::isCrLfMiddle(int docPos) const {
    // The end of the text is no middle: the document's closing mark there
    // stands for no line end.
    if (docPos <= 0 || docPos >= m_doc.characterCount() - 1)
        return false;
    const QChar before = m_doc.characterAt(docPos - 1);
    const QChar at = m_doc.characterAt(docPos);
    const bool crBefore = (m_lineEnd == LineEnd::Cr && before == QChar(doctext::BlockBreak)) ||
                          doctext::standsFor(m_doc, docPos - 1) == u'\r';
    const bool lfAt = (m_lineEnd == LineEnd::Lf && at == QChar(doctext::BlockBreak)) ||
                      doctext::standsFor(m_doc, docPos) == u'\n';
    return crBefore && lfAt;
}
