#pragma once

#include <QDialog>

struct AppState;
class QCheckBox;
class QLabel;
class QPushButton;

// Form4, "オプション": the three options that steer what happens to files
// named on the command line. It edits the options in memory only; shut-down
// stores them.
class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit OptionsDialog(AppState& state, QWidget* parent = nullptr);

    // Centres the dialog on the screen, its outer size rounded to whole twips.
    void centreOnScreen();

    // Loads the check boxes from the options: any value but 0 shows checked.
    void Form_Load();
    void Command1_Click(); // OK: the check boxes become the options (0 or 1)
    void Command2_Click(); // キャンセル: the options stay as they were

    QCheckBox* Check1; // ComLine
    QCheckBox* Check2; // NoeNumOP
    QCheckBox* Check3; // AutoOP
    QLabel* Label1;
    QPushButton* Command1;
    QPushButton* Command2;

private:
    AppState& m_state;
};
