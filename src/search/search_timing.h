#pragma once

#include <QString>

class SearchCommands;
struct Workspace;

// Timings of the search commands on large pages, for a benchmark program.
// Each puts the page into the visible view (not timed) and times one command
// as the user starts it, through to its end.
namespace search::timing {

// About `units` UTF-16 units of CR LF lines of Latin text that holds no
// "needle", then `needle` as the page's last characters.
QString pageWithMatchAtEnd(qsizetype units, const QString& needle);
// `occurrences` lines of about `units` / `occurrences` units each, each line
// starting with `target`; the rest of the text does not hold it.
QString pageWithOccurrences(qsizetype units, qsizetype occurrences, const QString& target);

// Milliseconds of Find next with `pattern` from the top of `page` (caret at
// 0, nothing selected); negative when it selected something other than the
// last pattern.size() units.
double findNextMs(Workspace& ws, const QString& page, const QString& pattern);

// Milliseconds of Replace all in the Replace dialog, from the button press to
// the end of its closing notice (answered by the workspace's prompts);
// negative when the page does not end as expected.
double replaceAllMs(Workspace& ws, const QString& page, const QString& target,
                    const QString& replacement);

} // namespace search::timing
