#include "editor/pending_text.h"

#include "editor/line_ends.h"

#include <algorithm>

void PendingText::setSelStart(qsizetype p) {
    start = outOfCrLf(text, std::clamp<qsizetype>(p, 0, text.size()));
    length = 0;
}

void PendingText::setSelLength(qsizetype n) {
    const qsizetype end = std::min(start + std::max<qsizetype>(n, 0), text.size());
    length = std::max<qsizetype>(outOfCrLf(text, end) - start, 0);
}

void PendingText::replaceSelection(const QString& t) {
    text.replace(start, length, t);
    start += t.size();
    length = 0;
    modified = true;
}

void PendingText::replaceAll(const QString& t, qsizetype caret) {
    text = t;
    modified = true;
    setSelStart(caret);
}
