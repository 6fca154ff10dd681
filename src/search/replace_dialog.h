#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TextView;
struct Workspace;

// "置き換え". It keeps no copy of the page: every command works on the main
// window's visible view, so each match is selected there.
class ReplaceDialog : public QDialog {
    Q_OBJECT
public:
    // Builds the dialog with its design values: both strings empty, the box
    // unticked, every button enabled.
    explicit ReplaceDialog(Workspace& ws, QWidget* parent = nullptr);
    ~ReplaceDialog() override;

    // The opening: takes over the view's selection as the target, sets the
    // buttons from it and centres the dialog on the main window.
    void takeOverSelection();

    void targetChanged();
    void findNext();           // Find
    void replaceAndFindNext(); // Replace, then find the next one
    void replaceAll();         // Replace all

    // Client size in twips.
    static constexpr double ClientWidth = 5685;
    static constexpr double ClientHeight = 1050;

    // The controls, by role: what assistive tools name and tests reach.
    struct Controls {
        QLabel* targetCaption;
        QLabel* replacementCaption;
        QLineEdit* targetEdit;      // target
        QLineEdit* replacementEdit; // replacement
        QPushButton* findButton;
        QPushButton* replaceButton;
        QPushButton* replaceAllButton;
        QCheckBox* fromTopBox; // the next Find starts at the top
    };
    Controls controls() const {
        return {m_targetCaption, m_replacementCaption, m_targetEdit,       m_replacementEdit,
                m_findButton,    m_replaceButton,      m_replaceAllButton, m_fromTopBox};
    }

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    TextView& view();

    QLabel* m_targetCaption;
    QLabel* m_replacementCaption;
    QLineEdit* m_targetEdit;
    QLineEdit* m_replacementEdit;
    QPushButton* m_findButton;
    QPushButton* m_replaceButton;
    QPushButton* m_replaceAllButton;
    QCheckBox* m_fromTopBox;
    Workspace& m_ws;
};
