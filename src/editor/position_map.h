#pragma once

#include "editor/line_ends.h"

#include <QtGlobal>

class QTextDocument;

// Positions in a text view's document and in its text, counted in UTF-16
// units from 0, where a block break of a page of CR LF lines is two units of
// text for one of the document. A lone LF or CR is one unit on both sides.
class PositionMap {
public:
    PositionMap(const QTextDocument& doc, LineEnd lineEnd) : m_doc(doc), m_lineEnd(lineEnd) {}

    qsizetype textLength() const;
    qsizetype toText(int docPos) const;
    // The document position of a text position (limited to the text); between
    // the CR and the LF of a CR LF is no place for the caret: it goes before
    // the CR.
    int toDoc(qsizetype textPos) const;
    // The same, but a position inside a CR LF made of stand-ins stays there.
    int toDocExact(qsizetype textPos) const;

private:
    bool isCrLfMiddle(int docPos) const;

    const QTextDocument& m_doc;
    LineEnd m_lineEnd;
};
