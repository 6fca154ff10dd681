#include "search/search_timing.h"

#include "editor/workspace.h"
#include "search/matcher.h"
#include "search/replace_dialog.h"
#include "search/search_commands.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

namespace search::timing {

namespace {

const QString Filler = QStringLiteral(
    "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor incididunt ut "
    "labore et dolore magna aliqua.\r\n");

double elapsedMs(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

QString pageWithMatchAtEnd(qsizetype units, const QString& needle) {
    QString page;
    page.reserve(units + Filler.size() + needle.size());
    while (page.size() + Filler.size() + needle.size() <= units)
        page += Filler;
    page += needle;
    return page;
}

QString pageWithOccurrences(qsizetype units, qsizetype occurrences, const QString& target) {
    const qsizetype line = std::max<qsizetype>(units / std::max<qsizetype>(occurrences, 1), 2);
    const qsizetype rest = std::max<qsizetype>(line - target.size() - 2, 0);
    QString tail;
    while (tail.size() < rest)
        tail += Filler.left(Filler.size() - 2);
    tail.truncate(rest);
    tail += QStringLiteral("\r\n");
    QString page;
    page.reserve(occurrences * (target.size() + tail.size()));
    for (qsizetype i = 0; i < occurrences; ++i) {
        page += target;
        page += tail;
    }
    return page;
}

double findNextMs(Workspace& ws, const QString& page, const QString& pattern) {
    TextView& v = ws.views.visible();
    v.setText(page);
    ws.state.SearchText = pattern;
    SearchCommands commands(ws);
    QElapsedTimer timer;
    timer.start();
    commands.NextSerch_Click();
    const double ms = elapsedMs(timer);
    const bool found =
        v.selStart() == page.size() - pattern.size() && v.selLength() == pattern.size();
    return found ? ms : -ms;
}

double replaceAllMs(Workspace& ws, const QString& page, const QString& target,
                    const QString& replacement) {
    TextView& v = ws.views.visible();
    v.setText(page);
    const QString expected = replaceAll(page, target, replacement).text;
    Form2 dialog(ws);
    dialog.Form_Load();
    dialog.Bef->setText(target);
    dialog.Af->setText(replacement);
    QElapsedTimer timer;
    timer.start();
    dialog.Command3_Click();
    const double ms = elapsedMs(timer);
    return v.text() == expected ? ms : -ms;
}

} // namespace search::timing
