#pragma once

#include "editor/line_ends.h"

#include <QList>
#include <QString>

#include <functional>
#include <vector>

// Every match of one text in the nine pages, by the rule of Find, found a
// slice at a time so that the window stays live while a long search runs.
namespace search {

// One match as its row shows it.
struct Found {
    qsizetype start = 0;    // in the page's text, in UTF-16 units from 0
    qsizetype line = 0;     // 1 for the first line; lines as the view breaks them
    QString excerpt;        // the line around the match, one line, no control characters
    qsizetype markFrom = 0; // the match within the excerpt (only its first line)
    qsizetype markLength = 0;
};

// The matches of one page.
struct PageFound {
    int page = 0;
    qsizetype count = 0;      // every match of the page, listed or not
    qsizetype firstStart = 0; // where the page's first match starts
    QList<Found> listed;      // its matches among the first rows of the whole search
};

class AllPagesSearch {
public:
    // Rows listed at most; matches beyond them are only counted.
    static constexpr qsizetype RowLimit = 10000;
    // The text of page 1 to 9, read when the search comes to it.
    using PageReader = std::function<QString(int page)>;

    // An empty pattern finds nothing.
    AllPagesSearch(const QString& pattern, PageReader read, qsizetype rowLimit = RowLimit);

    // Searches on through about `units` units of text (reading a page counts
    // as well); false once the search has ended.
    bool step(qsizetype units);
    // Ends the search where it stands; what was found so far stays.
    void stop();

    const QString& pattern() const { return m_pattern; }
    bool finished() const { return m_page > 9 || m_stopped; }
    bool stopped() const { return m_stopped; }
    // Pages with at least one match, in page order.
    const std::vector<PageFound>& pages() const { return m_found; }
    qsizetype total() const { return m_total; }
    qsizetype listed() const { return m_listed; }
    qsizetype rowLimit() const { return m_limit; }
    // The page being searched (1 to 9), or 10 when every page is searched.
    int page() const { return m_page; }
    // How far the search has come, from 0 to 1.
    double progress() const;

private:
    void load();
    void nextPage();
    void record(qsizetype p);
    Found found(qsizetype p);
    void countLines(qsizetype upTo);
    bool lineEndsAt(qsizetype i) const;

    QString m_pattern;
    PageReader m_read;
    qsizetype m_limit;
    int m_page = 1;
    bool m_stopped = false;
    bool m_loaded = false;
    std::vector<PageFound> m_found;
    qsizetype m_total = 0;
    qsizetype m_listed = 0;

    // The page being searched.
    QString m_text;
    LineEnd m_lineEnd = LineEnd::CrLf;
    qsizetype m_pos = 0;       // the search goes on from here
    qsizetype m_counted = 0;   // lines are counted up to here
    qsizetype m_line = 1;      // the line m_counted is on
    qsizetype m_lineStart = 0; // where that line starts
};

} // namespace search
