#pragma once

#include "editor/grapheme_count.h"
#include "editor/line_ends.h"

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <vector>

class QTextDocument;

// The characters, line separators and line ends of a text view's document,
// kept for pieces of it about PieceUnits long: short lines together, a long
// line in parts. An edit recounts only the pieces it touched; a whole document
// is counted from its start, a slice at a time. Positions are the document's.
class PageTally {
public:
    // An edit costs the count of a piece or two, and so does the caret far
    // into a long line.
    static constexpr int PieceUnits = 4096;
    // An edit that touches no more than this is counted at once, and so is
    // a page no longer; a larger one (a paste of many lines, a page replaced)
    // is counted from there on in slices.
    static constexpr int EditUnits = 1 << 18;

    struct Totals {
        qsizetype chars = 0;                // line ends not counted
        qsizetype separators = 0;           // inside lines: where the view starts a new row
        qsizetype crLf = 0, lf = 0, cr = 0; // inside lines (block breaks aside)
        qsizetype crBeforeBreak = 0;        // lines ending in a CR, a break after it
        qsizetype lfAfterBreak = 0;         // lines after a break starting with an LF
    };
    struct LineEnds {
        qsizetype crLf = 0, lf = 0, cr = 0;
    };

    // The document's units for a text put in whole, its block breaks standing
    // for lineEnd: as the view makes them (see document_text.h).
    static QString unitsFor(QStringView text, LineEnd lineEnd);

    // Counts doc (none: nothing) from its start.
    void follow(QTextDocument* doc);
    // The document now holds `text` whole, its block breaks standing for
    // lineEnd: it is counted from there, not from the document's units.
    void takeText(const QString& text, LineEnd lineEnd);
    // After the document changed: `removed` positions from `from` became
    // `added` positions. What it touched is counted at once up to `atOnce`
    // positions, else left to countOn.
    void changed(int from, int removed, int added, int atOnce = EditUnits);
    // Counts on for about `units` positions; returns whether all is counted.
    bool countOn(int units);
    bool complete() const;
    // Positions before this are counted.
    int counted() const { return m_counted; }
    // Of what is counted.
    const Totals& totals() const { return m_totals; }
    // The page's line ends, its block breaks standing for `lineEnd`.
    LineEnds lineEnds(LineEnd lineEnd) const;

    // Where the row of p starts, as the view shows rows without wrapping: the
    // start of its block, or after the last line separator before p there.
    int rowStart(int p) const;
    // The line separators before p.
    qsizetype separatorsBefore(int p) const;
    // The characters from a to b (a <= b), line ends not counted.
    qsizetype charsIn(int a, int b) const;

private:
    struct Piece {
        qint32 units; // positions, block breaks (and the closing mark) included
        qint32 chars, separators, crLf, lf, cr, crBeforeBreak, lfAfterBreak;
    };
    // A piece and the position it starts at.
    struct Place {
        size_t index;
        int start;
    };

    // The piece of an empty document: its closing mark.
    static Piece closingMark();
    Place locate(int p) const;
    int build(int from, int to, bool exact, std::vector<Piece>& out) const;
    // The piece of units from `at`; plain: they hold nothing special.
    Piece pieceOf(QStringView units, int at, bool afterBreak, bool plain) const;
    graphemes::Tally tallyOf(QStringView units, int at) const;
    qsizetype charsDirect(int a, int b) const;
    QString unitsOf(int from, int to) const;
    QStringView unitsOf(int from, int to, QString& held) const;
    void replace(const Place& first, size_t last, const std::vector<Piece>& pieces);
    void add(const Piece& piece, int sign);

    QTextDocument* m_doc = nullptr;
    std::vector<Piece> m_pieces;
    int m_counted = 0;
    int m_length = 0; // the document's length when last seen
    Totals m_totals;
    mutable Place m_hint{0, 0};
    // The document's units from m_wholeAt on, while they are counted; or the
    // text they are made from when asked for first.
    QString m_whole;
    int m_wholeAt = 0;
    QString m_text;
    LineEnd m_textLineEnd = LineEnd::CrLf;
};
