#pragma once

#include <QString>
#include <QStringList>

class SettingsStore;

// Every key the program keeps under its application and section: the one
// place where their names are written.
namespace keys {

// The page on show, 1 to 9.
inline const QString Page = QStringLiteral("Page");
// Word wrap on (a flag).
inline const QString WordWrap = QStringLiteral("Ret");
// The status bar on (a flag); absent: off.
inline const QString StatusBar = QStringLiteral("StatusBar");
// The caret and selection of the page on show.
inline const QString SelectionStart = QStringLiteral("SelStart");
inline const QString SelectionLength = QStringLiteral("SelLen");
// The display font and colour.
inline const QString FontSize = QStringLiteral("FontSize");
inline const QString FontName = QStringLiteral("FontName");
inline const QString FontBold = QStringLiteral("FontBold");
inline const QString FontItalic = QStringLiteral("FontI");    // a flag
inline const QString FontStrikeOut = QStringLiteral("FontS"); // a flag
inline const QString FontUnderline = QStringLiteral("FontU"); // a flag
// The text colour as a 32-bit colour value (values.h); empty keeps the default.
inline const QString FontColour = QStringLiteral("FontC");
// The three options of files named on the command line.
inline const QString IgnoreCommandLine = QStringLiteral("ComLine");
// 1 = a single file named goes straight into the page shown last, no dialog.
inline const QString SingleFileToLastPage = QStringLiteral("NoeNumOP");
// 1 = files named go into blank pages as far as they reach.
inline const QString FillBlankPages = QStringLiteral("AutoOP");
// The window: 0 normal, 1 minimized, 2 maximized; its outer frame in twips.
inline const QString Window = QStringLiteral("Window");
inline const QString Left = QStringLiteral("Left");
inline const QString Top = QStringLiteral("Top");
inline const QString Width = QStringLiteral("Width");
inline const QString Height = QStringLiteral("Height");

// The text of page n: its number in decimal.
inline QString page(int n) {
    return QString::number(n);
}
// Every key above and the nine pages.
QStringList all();

// The page start-up shows: "Page" rounded, 1 when absent or outside 1 to 9
// (only the program writes it, and it writes 1 to 9).
int shownPage(const SettingsStore& store);

} // namespace keys
