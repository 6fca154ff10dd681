#include "editor/long_lines.h"

#include <QGuiApplication>
#include <QStyleHints>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

bool LongLines::isLong(const QTextBlock& block) {
    return block.isValid() && block.length() > Length;
}

void LongLines::changed(const QTextDocument& doc, int from, int to) {
    QTextBlock b = doc.findBlock(from);
    if (m_insertedLongest >= 0 && m_insertedLongest < Length) {
        // Only the blocks at the ends, where the new lines join the old text,
        // can be long. (A walk over every block of a page of a hundred
        // megabytes takes a fifth of a second.)
        keepShaped(b);
        keepShaped(doc.findBlock(to));
        return;
    }
    for (int pos = b.position(); b.isValid() && pos <= to; pos += b.length(), b = b.next())
        keepShaped(b);
}

void LongLines::keepShaped(const QTextBlock& block) {
    if (isLong(block) && !block.layout()->cacheEnabled()) {
        block.layout()->setCacheEnabled(true);
        m_any = true;
    }
}

void LongLines::freezeCaret(bool frozen) {
    if (!frozen)
        m_frozen.reset();
    else if (!m_frozen)
        m_frozen.emplace();
}

LongLines::CaretFreeze::CaretFreeze()
    : m_flashTime(QGuiApplication::styleHints()->cursorFlashTime()) {
    QGuiApplication::styleHints()->setCursorFlashTime(0);
}

LongLines::CaretFreeze::~CaretFreeze() {
    QGuiApplication::styleHints()->setCursorFlashTime(m_flashTime);
}
