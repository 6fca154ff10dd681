#pragma once

#include "platform/common_dialog.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The font dialog of the display-font command: family, style, size (any
// fractional size, 10.5 stays 10.5), strikethrough, underline and one of the
// sixteen standard text colours, with a live sample.
//
// Each of family, style and size is an entry above a list, as in the usual
// desktop font dialogs: typing in an entry selects the matching list row,
// choosing a row fills the entry. A family that is not installed stays in its
// entry as given, so OK without touching hands the same name back.
class FontDialog : public QDialog {
    Q_OBJECT
public:
    struct NamedColour {
        QString name;
        std::int32_t value; // 0x00BBGGRR
    };
    // The sixteen standard colours in the order the colour list shows them.
    static const QList<NamedColour>& standardColours();

    // Sizes accepted in the size entry, in points.
    static constexpr double MinSize = 1;
    static constexpr double MaxSize = CommonDialog::MaxFontSize;

    explicit FontDialog(QWidget* parent = nullptr);
    ~FontDialog() override;

    // Shows or hides the effects group (strikethrough, underline, colour).
    void setEffectsVisible(bool visible);
    bool effectsVisible() const;

    void setFamily(const QString& family);
    QString family() const; // the family entry, trimmed
    void setPointSize(double size);
    // The size in the entry, or 0 when the entry holds no usable size.
    double pointSize() const;
    void setBold(bool bold);
    bool bold() const;
    void setItalic(bool italic);
    bool italic() const;
    void setStrikeOut(bool strikeOut);
    bool strikeOut() const;
    void setUnderline(bool underline);
    bool underline() const;
    // A colour value outside the standard sixteen is kept as a seventeenth
    // entry, "カスタム", so that it survives OK unchanged.
    void setColourValue(std::int32_t value);
    std::int32_t colourValue() const;

    // The font the sample shows (without colour).
    QFont sampleFont() const;

    // The controls, for keyboard-free checks.
    QLineEdit* familyEdit() const { return m_familyEdit; }
    QListWidget* familyList() const { return m_familyList; }
    QLineEdit* styleEdit() const { return m_styleEdit; }
    QListWidget* styleList() const { return m_styleList; }
    QLineEdit* sizeEdit() const { return m_sizeEdit; }
    QListWidget* sizeList() const { return m_sizeList; }
    QGroupBox* effectsGroup() const { return m_effects; }
    QCheckBox* strikeOutBox() const { return m_strikeOut; }
    QCheckBox* underlineBox() const { return m_underline; }
    QComboBox* colourCombo() const { return m_colour; }
    QLabel* sample() const { return m_sample; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

    // Parses a size as typed: a decimal number with "." within MinSize..MaxSize;
    // 0 when it is none.
    static double parseSize(const QString& text);
    // A size as the entry shows it: 12 -> "12", 10.5 -> "10.5".
    static QString sizeText(double size);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<QLabel*, 3> buildChoices();
    void buildEffects();
    QGroupBox* buildSample();
    QDialogButtonBox* buildButtons();
    void layOut(const std::array<QLabel*, 3>& captions, QGroupBox* sample,
                QDialogButtonBox* buttons);
    void connectControls();
    void familyTyped(const QString& text);
    void sizeTyped(const QString& text);
    void styleChosen();
    void refresh(); // sample and OK button
    int styleIndex() const;
    void setStyleIndex(int index);

    QLineEdit* m_familyEdit;
    QListWidget* m_familyList;
    QLineEdit* m_styleEdit;
    QListWidget* m_styleList;
    QLineEdit* m_sizeEdit;
    QListWidget* m_sizeList;
    QGroupBox* m_effects;
    QCheckBox* m_strikeOut;
    QCheckBox* m_underline;
    QComboBox* m_colour;
    QLabel* m_sample;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    bool m_syncing = false;
};
