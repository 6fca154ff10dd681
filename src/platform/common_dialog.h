#pragma once

#include <QString>
#include <cstdint>
#include <memory>

class QPrinter;
class QWidget;

// The main window's one common-dialog object (Com): Open, Save, Font and
// Print. Every property keeps its last value between uses; each command sets
// what it needs before showing a dialog.
class CommonDialog {
public:
    // Open/Save flag: hide the read-only check box.
    static constexpr int HideReadOnly = 0x4;
    // Font flags: screen fonts, effects group (strikethrough, underline, colour).
    static constexpr int ScreenFonts = 0x1;
    static constexpr int Effects = 0x100;
    // Print flags: the selection range (bit 1 in and out), no selection, no page numbers.
    static constexpr int PrintSelection = 0x1;
    static constexpr int PrintNoSelection = 0x4;
    static constexpr int PrintNoPageNums = 0x8;
    static constexpr int PrintUseDevModeCopies = 0x40000;

    virtual ~CommonDialog();

    int flags = 0;
    QString filter; // "description|pattern|description|pattern"
    QString dialogTitle;
    QString fileName; // full path chosen last
    QString fontName;
    double fontSize = 0;
    bool fontBold = false;
    bool fontItalic = false;
    bool fontStrikethru = false;
    bool fontUnderline = false;
    std::int32_t colour = 0; // RGB colour value 0x00BBGGRR, black until chosen

    // The largest font size, in points, that the dialog offers and the views show.
    static constexpr double MaxFontSize = 1638;

    // Each returns false when the user cancels.
    virtual bool showOpen() = 0;
    virtual bool showSave() = 0;
    virtual bool showFont() = 0;
    virtual bool showPrinter() = 0;
    // The printer chosen in the last Print dialog.
    virtual QPrinter& printer() = 0;
};

class QtCommonDialog : public CommonDialog {
public:
    explicit QtCommonDialog(QWidget* parent = nullptr);
    ~QtCommonDialog() override;
    void setParent(QWidget* parent) { m_parent = parent; }
    bool showOpen() override;
    bool showSave() override;
    bool showFont() override;
    bool showPrinter() override;
    QPrinter& printer() override;

private:
    bool showFile(bool save);
    QWidget* m_parent;
    std::unique_ptr<QPrinter> m_printer;
};

// Turns "テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*" into the name filters of a file
// dialog.
QString nameFiltersFromFilter(const QString& filter);
