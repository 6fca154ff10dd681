#pragma once

#include "files/text_file.h"

#include <QByteArray>
#include <QString>

#include <optional>

struct Workspace;
class QPrinter;

// Opening a file into the page or at the caret, output to a file, printing.
class FileCommands {
public:
    // The most text a view takes, in UTF-16 units. Beyond it the file is
    // offered to the system's text editor instead. One unit per byte of the
    // largest file read, so any file that is read whole also fits an empty view.
    static constexpr qsizetype DefaultMaxViewUnits = textfile::MaxFileBytes;

    // `maxViewUnits`: the capacity of the views in UTF-16 units.
    explicit FileCommands(Workspace& ws, qsizetype maxViewUnits = DefaultMaxViewUnits)
        : m_ws(ws), m_maxViewUnits(maxViewUnits) {}

    void openIntoPage();
    void insertFileAtCaret();
    void writeToFile();
    void print();

private:
    struct Opened {
        QString text;
        QString path;          // the file chosen, also when it was not read
        bool tooLarge = false; // the file is larger than the views take
    };
    Opened openAndRead();
    // The bytes a page is written as: code page 932, or UTF-8 or code page
    // 932 with "?" as the user answers when some characters do not fit;
    // nothing when the user cancels.
    std::optional<QByteArray> bytesToWrite(const QString& page);

    Workspace& m_ws;
    const qsizetype m_maxViewUnits;
};

// Asks whether a file too large for the views should go to the system's text
// editor, and on Yes starts it on the path (one argument, never split at
// spaces). Shared with the other places that put a file into the views.
void offerTextEditor(Workspace& ws, const QString& path);

// Prints a text as one item followed by a line end: the printer's default
// font and margins, long lines wrapped, a new page when one is full, no page
// numbers. Returns false when the printer could not be started.
bool printText(QPrinter& printer, const QString& text);
