#pragma once

#include <QDialog>
#include <QSize>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
struct Workspace;
class PagesMenu;

// Form6, "オープン": offered once for every file of a drop. The user inserts
// the file's text at the caret of the page on show, stores it as the whole
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
    void Form_Load();
    // The label of the chosen page, from the store.
    void Combo1_Click();
    void Option1_Click();
    void Option2_Click();
    // OK: the file goes in as the option says; then the dialog hides.
    void Command1_Click();
    // Cancel: the file is skipped; the dialog hides.
    void Command2_Click();

    // Offers the i-th of n entries of a drop: its path and the title.
    void offer(const QString& path, int index, int count);
    // Whether the close box (or the window manager) closed the dialog.
    bool closedByCloseBox() const { return m_closedByCloseBox; }
    // The window's outer size in pixels, frame included. Before the dialog
    // has been on screen its frame is taken to match the main window's.
    QSize outerSizePx() const;

    QRadioButton* Option1;
    QRadioButton* Option2;
    QPushButton* Command1;
    QPushButton* Command2;
    QComboBox* Combo1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;

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
};
