#pragma once

#include "editor/page_tally.h"

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <optional>

class TextView;

// The kind of the line ends of a page.
enum class LineEndKind { CrLf, Lf, Cr, Mixed };

// What the status bar tells of the page in a text view. Characters are
// counted as a person counts them (see grapheme_count.h); line ends are not
// characters.
struct TextStatus {
    // The caret's line, from 1, as the view shows lines without wrapping: a
    // lone LF kept inside a line starts a new one there, as it does on screen.
    qsizetype line = 1;
    // 1 + the characters from the start of that line to the caret.
    qsizetype column = 1;
    qsizetype chars = 0;
    // The characters of the selection; none when nothing is selected.
    std::optional<qsizetype> selected;
    // What the page's line ends are; a page without one tells the kind
    // Enter would type.
    LineEndKind lineEnds = LineEndKind::CrLf;
    // False while a long page is still being counted (a few slices after it
    // was put in): `chars` and `selected` are what is counted so far.
    bool counted = true;

    bool operator==(const TextStatus&) const = default;
};

// Follows the text view on show and tells where its caret is and how long its
// page is. Typing recounts only the piece of the line it changed; a page put
// in whole is counted a slice at a time, one an event-loop turn, so the
// window never waits for it.
class TextMeasure : public QObject {
    Q_OBJECT
public:
    // A page put in whole is counted this many units an event-loop turn: a
    // few milliseconds from its text, about 15 from the document's units.
    static constexpr int SliceUnits = 1 << 20;

    explicit TextMeasure(QObject* parent = nullptr, int sliceUnits = SliceUnits);

    // Follows view (none: nothing); the main window's hidden view is not
    // followed, its document is not built.
    void follow(TextView* view);
    TextView* followed() const { return m_view; }

    // The status as it stands now.
    TextStatus status() const;

    // "行 12、列 5", "1,234 文字" or "12 / 1,234 文字" (a selection), and
    // "CRLF", "LF", "CR" or "混在". Numbers are grouped as elsewhere in the
    // program.
    static QString positionText(const TextStatus& s);
    static QString countText(const TextStatus& s);
    static QString lineEndText(LineEndKind kind);

signals:
    // Something status() tells has changed; sent at most once an event-loop
    // turn, however many edits and caret moves came in it.
    void changed();

private:
    void documentChanged(int from, int removed, int added);
    void countSmallPage();
    // What is counted at once, as an edit or a page comes in.
    int atOnce() const;
    void schedule();
    void refresh();

    const int m_sliceUnits;
    QPointer<TextView> m_view;
    PageTally m_tally;
    QTimer m_turn;
    TextStatus m_told;
    bool m_awaitingWork = false;
    QList<QMetaObject::Connection> m_connections;
};
