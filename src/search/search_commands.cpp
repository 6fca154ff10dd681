#include "search/search_commands.h"

#include "search/find_all_dialog.h"
#include "search/matcher.h"
#include "search/replace_dialog.h"
#include "session/workspace.h"

#include <QAction>

namespace {

const QString Title = QStringLiteral("検索");
const QString NotFound = QStringLiteral("見つかりませんでした");
const QString Prompt = QStringLiteral("検索する文字列を入力してください");

void select(TextView& v, qsizetype start, qsizetype length) {
    v.setSelStart(start);
    v.setSelLength(length);
}

} // namespace

void SearchCommands::updateItems() {
    if (findNextItem)
        findNextItem->setEnabled(!m_ws.state.searchText.isEmpty());
}

void SearchCommands::find() {
    Prompts& prompts = m_ws.platform.prompts;
    m_ws.state.searchText = prompts.inputBox(Prompt, Title, m_ws.state.searchText);
    // Find next follows the text just entered: the menu that offered Find was
    // opened while there was nothing yet to find again.
    updateItems();
    const QString& pattern = m_ws.state.searchText;
    TextView& v = m_ws.views.visible();
    v.setSelStart(0);
    const qsizetype p = search::find(v.text(), pattern, 0);
    if (p >= 0)
        select(v, p, pattern.size());
    else
        prompts.notice(NotFound, Title);
}

// An empty pattern is found at the caret, even after the last character, so
// Find next there selects nothing and asks nothing.
void SearchCommands::findNext() {
    Prompts& prompts = m_ws.platform.prompts;
    const QString pattern = m_ws.state.searchText;
    TextView& v = m_ws.views.visible();
    if (v.selLength() > 0)
        v.setSelStart(v.selStart() + v.selLength());
    for (;;) {
        const qsizetype caret = v.selStart();
        const qsizetype p = search::find(v.text(), pattern, caret);
        if (p >= 0) {
            select(v, p, pattern.size());
            return;
        }
        if (caret == 0) {
            prompts.notice(NotFound, Title);
            return;
        }
        if (!prompts.ask(NotFound + QStringLiteral("\r\nもう一度先頭から検索しますか？"), Title))
            return;
        v.setSelStart(0);
    }
}

void SearchCommands::replace() {
    ReplaceDialog dialog(m_ws);
    dialog.takeOverSelection();
    dialog.exec();
}

// Cancel (or nothing entered) searches nothing and changes nothing. No match:
// the notice alone, the window never shown.
void SearchCommands::findInAllPages() {
    Prompts& prompts = m_ws.platform.prompts;
    const QString title = QString::fromUtf16(FindAllDialog::Title);
    const QString pattern = prompts.inputBox(Prompt, title, m_ws.state.searchText);
    if (pattern.isEmpty())
        return;
    m_ws.state.searchText = pattern;
    updateItems();
    FindAllDialog dialog(m_ws, m_pages, pattern);
    dialog.begin();
    if (!dialog.nothingFound())
        dialog.exec();
    if (dialog.nothingFound())
        prompts.notice(NotFound, title);
}
