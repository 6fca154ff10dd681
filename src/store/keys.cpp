#include "store/keys.h"

#include "store/settings_store.h"
#include "store/values.h"

namespace keys {

QStringList all() {
    QStringList every;
    for (int n = 1; n <= 9; ++n)
        every << page(n);
    every << Page << WordWrap << StatusBar << SelectionStart << SelectionLength << FontSize
          << FontName << FontBold << FontItalic << FontStrikeOut << FontUnderline << FontColour
          << IgnoreCommandLine << SingleFileToLastPage << FillBlankPages << Window << Left << Top
          << Width << Height;
    return every;
}

int shownPage(const SettingsStore& store) {
    const int page = values::integer(store.ReadSetting(Page, QStringLiteral("1")));
    return page >= 1 && page <= 9 ? page : 1;
}

} // namespace keys
