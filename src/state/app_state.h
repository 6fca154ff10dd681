#pragma once

#include <QString>
#include <cstdint>

// Program-wide state shared by every command. Only the three options and the
// page number reach the settings store (at shut-down).
struct AppState {
    std::int32_t CurrentPage = 0; // 1..9, the page on show
    bool UndoAvailable = false;   // enables the Edit menu's undo item
    std::int32_t ComLine = 0;     // 1 = ignore file names on the command line
    std::int32_t NoeNumOP = 0;    // 1 = a single file goes into the page shown last
    std::int32_t AutoOP = 0;      // 1 = files go into blank pages
    QString SearchText;           // text last searched for, this run only
    QString LastOpenedFile;       // path last read through the Open dialog
};
