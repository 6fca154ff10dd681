#pragma once

#include "editor/line_ends.h"

#include <QList>
#include <QString>
#include <QTextBlock>
#include <QTextFormat>

class QTextCursor;
class QTextDocument;

// Text in and out of a text view's document. The document holds one block per
// line. Characters it cannot hold as themselves (a lone LF or CR among lines of
// another kind, U+2029 and the two frame marks) go in as visible stand-ins
// tagged with the original character, so every text comes back exactly as it
// went in.
namespace doctext {

// Character format property of a stand-in: the character it stands for.
constexpr int OriginalChar = QTextFormat::UserProperty + 1;
// The document's block break, as its raw text holds it.
constexpr char16_t BlockBreak = 0x2029;

// A unit of the document's raw text tagged as the stand-in of `original`.
struct StandIn {
    qsizetype pos; // from the start of the units taken
    char16_t original;
};

// Units of a document and what it takes to turn them into the text: taken on
// the user-interface thread, turned into the text on any thread.
struct Raw {
    QString units; // block breaks as U+2029; or the text itself when `isText`
    LineEnd lineEnd = LineEnd::CrLf;
    QList<StandIn> standIns; // in increasing position
    bool isText = false;
};

// A long text goes into the document in steps of about this many units, each
// step showing how far the work has come.
constexpr qsizetype StepUnits = qsizetype(1) << 20;

// Inserts t at c, which has no selection, in one pass; the document's block
// breaks stand for `lineEnd`. In steps, no edit block stays open while the
// progress is shown.
void insert(QTextCursor& c, const QString& t, LineEnd lineEnd, bool inSteps);

// The text of units of the document that start at position docFrom.
QString textOf(const QTextDocument& doc, QString units, int docFrom, LineEnd lineEnd);
// The text of units taken earlier.
QString textOf(Raw raw);
// The units of the whole document in one piece, its block breaks standing
// for `lineEnd`: a copy of the document's own buffer, the quickest way to take
// them all at once.
Raw rawOf(const QTextDocument& doc, LineEnd lineEnd);

// Appends the units of the blocks from `block` on to raw, until at least
// `units` were added or the document ends; returns the first block not taken
// (invalid at the end).
QTextBlock appendBlocks(const QTextDocument& doc, Raw& raw, QTextBlock block, qsizetype units);

// The character the unit at pos stands for, or 0 when it is itself.
char16_t standsFor(const QTextDocument& doc, int pos);

} // namespace doctext
