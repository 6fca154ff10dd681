#pragma once

#include <QString>
#include <cstdint>

// Program-wide state shared by every command. Only the three options and the
// page number reach the settings store (at shut-down).
struct AppState {
    std::int32_t currentPage = 0; // 1..9, the page on show
    bool undoAvailable = false;   // enables the Edit menu's undo item
    // The three options of files named on the command line, 0 or 1 as the
    // store keeps them.
    std::int32_t ignoreCommandLine = 0;    // 1 = ignore file names on the command line
    std::int32_t singleFileToLastPage = 0; // 1 = a single file goes into the page shown last
    std::int32_t fillBlankPages = 0;       // 1 = files go into blank pages
    QString searchText;                    // text last searched for, this run only
    QString lastOpenedFile;                // path last read through the Open dialog
};
