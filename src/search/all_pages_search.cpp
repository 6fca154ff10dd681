#include "search/all_pages_search.h"

#include "search/matcher.h"

#include <QChar>

#include <algorithm>

namespace search {

namespace {

// What a row shows of the line: this much before the match at most, and
// this much in all.
constexpr qsizetype ContextBefore = 30;
constexpr qsizetype ExcerptLength = 160;

const QString Cut = QStringLiteral("…");

bool insidePair(QStringView t, qsizetype p) {
    return p > 0 && p < t.size() && t[p - 1].isHighSurrogate() && t[p].isLowSurrogate();
}

// Tabs, lone line ends and other control characters would break or hide the
// row: each shows as one space, so the match keeps its place.
QString shown(QStringView part) {
    QString s = part.toString();
    for (QChar& c : s) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || u == 0x2028 || u == 0x2029)
            c = u' ';
    }
    return s;
}

} // namespace

AllPagesSearch::AllPagesSearch(const QString& pattern, PageReader read, qsizetype rowLimit)
    : m_pattern(pattern), m_read(std::move(read)), m_limit(rowLimit) {
    if (m_pattern.isEmpty())
        m_page = 10;
}

double AllPagesSearch::progress() const {
    if (m_page > 9)
        return 1;
    const double within = m_loaded && !m_text.isEmpty() ? double(m_pos) / m_text.size() : 0;
    return (m_page - 1 + std::min(within, 1.0)) / 9;
}

void AllPagesSearch::stop() {
    m_stopped = true;
    m_text.clear();
}

bool AllPagesSearch::step(qsizetype units) {
    const qsizetype m = m_pattern.size();
    while (units > 0 && !finished()) {
        if (!m_loaded) {
            load();
            units -= m_text.size() / 2 + 1;
            continue;
        }
        const qsizetype n = m_text.size();
        const qsizetype until = std::min(n + 1, m_pos + units);
        const qsizetype p = find(m_text, m_pattern, m_pos, until);
        if (p < 0) {
            units -= until - m_pos;
            m_pos = until;
            if (m_pos > n - m)
                nextPage();
            continue;
        }
        units -= p + m - m_pos;
        record(p);
        m_pos = p + m; // matches do not overlap, as with Find next
    }
    return !finished();
}

void AllPagesSearch::load() {
    m_text = m_read(m_page);
    m_lineEnd = lineEndOf(m_text);
    m_loaded = true;
    m_pos = 0;
    m_counted = 0;
    m_line = 1;
    m_lineStart = 0;
}

void AllPagesSearch::nextPage() {
    m_text.clear();
    m_loaded = false;
    ++m_page;
}

void AllPagesSearch::record(qsizetype p) {
    if (m_found.empty() || m_found.back().page != m_page)
        m_found.push_back({.page = m_page, .count = 0, .firstStart = p, .listed = {}});
    PageFound& page = m_found.back();
    ++page.count;
    ++m_total;
    if (m_listed < m_limit) {
        page.listed.append(found(p));
        ++m_listed;
    }
}

// Lines are counted from where the last match of the page was, so the whole
// search reads each unit once, however many matches a line holds.
void AllPagesSearch::countLines(qsizetype upTo) {
    const QStringView t = QStringView(m_text).first(upTo);
    const QChar end(m_lineEnd == LineEnd::Cr ? u'\r' : u'\n');
    const bool crLf = m_lineEnd == LineEnd::CrLf;
    for (qsizetype i = t.indexOf(end, m_counted); i >= 0; i = t.indexOf(end, i + 1)) {
        if (crLf && (i == 0 || t[i - 1] != u'\r'))
            continue; // a lone LF stays inside its line
        ++m_line;
        m_lineStart = i + 1;
    }
    m_counted = upTo;
}

bool AllPagesSearch::lineEndsAt(qsizetype i) const {
    const QStringView t(m_text);
    switch (m_lineEnd) {
    case LineEnd::Lf:
        return t[i] == u'\n';
    case LineEnd::Cr:
        return t[i] == u'\r';
    default:
        return t[i] == u'\r' && i + 1 < t.size() && t[i + 1] == u'\n';
    }
}

// The excerpt holds the match's first line, or as much of it as fits; a
// match that goes on past the line end is marked up to a sign for it.
Found AllPagesSearch::found(qsizetype p) {
    countLines(p);
    const QStringView t(m_text);
    const qsizetype end = p + m_pattern.size();
    qsizetype from = std::max(m_lineStart, p - ContextBefore);
    if (insidePair(t, from))
        ++from;
    const qsizetype limit = std::min(t.size(), from + ExcerptLength);
    qsizetype to = p;
    while (to < limit && !lineEndsAt(to))
        ++to;
    if (insidePair(t, to))
        --to;
    const bool atLineEnd = to < t.size() && lineEndsAt(to);
    const bool crosses = atLineEnd && end > to;

    Found f;
    f.start = p;
    f.line = m_line;
    const QString before = from > m_lineStart ? Cut : QString();
    const QString after = crosses                       ? QStringLiteral("↵")
                          : to < t.size() && !atLineEnd ? Cut
                                                        : QString();
    f.excerpt = before + shown(t.sliced(from, to - from)) + after;
    f.markFrom = before.size() + p - from;
    f.markLength = std::min(end, to) - p + (crosses ? 1 : 0);
    return f;
}

} // namespace search
