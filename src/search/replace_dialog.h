#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TextView;
struct Workspace;

// The Replace dialog (object name "Form2"). It keeps no copy of the page: every command
// works on the main window's visible view, so each match is selected there.
class ReplaceDialog : public QDialog {
    Q_OBJECT
public:
    // Builds the dialog with its design values: both strings empty, the box
    // unticked, every button enabled.
    explicit ReplaceDialog(Workspace& ws, QWidget* parent = nullptr);
    ~ReplaceDialog() override;

    // The opening: takes over the view's selection as the target, sets the
    // buttons from it and centres the dialog on the main window.
    void Form_Load();

    void Bef_Change();
    void Command1_Click(); // Find
    void Command2_Click(); // Replace, then find the next one
    void Command3_Click(); // Replace all

    // Client size in twips.
    static constexpr double ClientWidth = 5685;
    static constexpr double ClientHeight = 1050;

    QLabel* Label1;
    QLabel* Label2;
    QLineEdit* Bef; // target
    QLineEdit* Af;  // replacement
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QCheckBox* Check1; // the next Find starts at the top

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    TextView& view();

    Workspace& m_ws;
};
