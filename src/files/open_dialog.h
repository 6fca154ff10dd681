#pragma once

#include <QDialog>
#include <QSize>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
struct Workspace;
class PagesMenu;

// "オープン": offered once for every file of a drop. The user inserts the
// file's text at the caret of the page on show, stores it as the whole
// text of a chosen page, or skips the file.
//
// One dialog serves all files of a drop: it is only hidden between them, so
// the option, the page chosen and the page label carry over. Closing it with
// the close box skips the file and counts as unloading it.
class OpenDialog : public QDialog {
    Q_OBJECT
public:
    // Client area in twips.
    static constexpr double ClientWidth = 4170;
    static constexpr double ClientHeight = 1725;

    OpenDialog(Workspace& ws, PagesMenu& pages, QWidget* parent = nullptr);
    ~OpenDialog() override;

    // Pages 1 to 9 in the list, the first chosen, the label of page 1.
    void listPages();
    // The label of the chosen page, from the store.
    void showTargetLabel();
    void chooseAtCaret();
    void chooseIntoPage();
    // OK: the file goes in as the option says; then the dialog hides.
    void putFileIn();
    // Cancel: the file is skipped; the dialog hides.
    void skipFile();

    // Offers the i-th of n entries of a drop: its path and the title.
    void offer(const QString& path, int index, int count);
    // Whether the close box (or the window manager) closed the dialog.
    bool closedByCloseBox() const { return m_closedByCloseBox; }
    // The window's outer size in pixels, frame included. Before the dialog
    // has been on screen its frame is taken to match the main window's.
    QSize outerSizePx() const;

    // The controls, by role: what assistive tools name and tests reach.
    struct Controls {
        QRadioButton* atCaretOption;
        QRadioButton* intoPageOption;
        QPushButton* okButton;
        QPushButton* cancelButton;
        QComboBox* targetPage;
        QLabel* targetCaption;
        QLabel* pageLine;
        QLabel* fileLine;
    };
    Controls controls() const {
        return {m_atCaretOption, m_intoPageOption, m_okButton, m_cancelButton,
                m_targetPage,    m_targetCaption,  m_pageLine, m_fileLine};
    }

public slots:
    // Esc counts as the Cancel button.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    // Page number of the chosen list item.
    int chosenPage() const;
    void notice(const QString& text);

    Workspace& m_ws;
    PagesMenu& m_pages;
    bool m_closedByCloseBox = false;
    QRadioButton* m_atCaretOption;
    QRadioButton* m_intoPageOption;
    QPushButton* m_okButton;
    QPushButton* m_cancelButton;
    QComboBox* m_targetPage;
    QLabel* m_targetCaption;
    QLabel* m_pageLine;
    QLabel* m_fileLine;
};
