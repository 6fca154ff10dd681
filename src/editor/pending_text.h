#pragma once

#include <QString>

// The text of a hidden view, kept as a string with its caret and selection
// until the view is shown and builds its document from it. Positions and
// lengths are in UTF-16 units; the caret never stands between the CR and the
// LF of a CR LF.
struct PendingText {
    QString text;
    qsizetype start = 0;
    qsizetype length = 0;
    bool modified = false;

    QString selText() const { return text.mid(start, length); }
    // Moves the caret to p (limited to the text) and empties the selection.
    void setSelStart(qsizetype p);
    // Selects n units from the caret, limited to the text.
    void setSelLength(qsizetype n);
    void replaceSelection(const QString& t);
    void replaceAll(const QString& t, qsizetype caret);
};
