#pragma once

#include <QDialog>

struct AppState;
class QCheckBox;
class QLabel;
class QPushButton;

// "オプション": the three options that steer what happens to files named on
// the command line. It edits the options in memory only; shut-down
// stores them.
class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit OptionsDialog(AppState& state, QWidget* parent = nullptr);

    // Centres the dialog on the screen, its outer size rounded to whole twips.
    void centreOnScreen();

    // Loads the check boxes from the options: any value but 0 shows checked.
    void showOptions();
    void takeOptions(); // OK: the check boxes become the options (0 or 1)
    void keepOptions(); // キャンセル: the options stay as they were

    // The controls, by role: what assistive tools name and tests reach.
    struct Controls {
        QCheckBox* ignoreCommandLineBox;
        QCheckBox* singleFileBox;
        QCheckBox* fillBlankPagesBox;
        QLabel* priorityNote;
        QPushButton* okButton;
        QPushButton* cancelButton;
    };
    Controls controls() const {
        return {m_ignoreCommandLineBox, m_singleFileBox, m_fillBlankPagesBox,
                m_priorityNote,         m_okButton,      m_cancelButton};
    }

private:
    AppState& m_state;
    QCheckBox* m_ignoreCommandLineBox;
    QCheckBox* m_singleFileBox;
    QCheckBox* m_fillBlankPagesBox;
    QLabel* m_priorityNote;
    QPushButton* m_okButton;
    QPushButton* m_cancelButton;
};
