#pragma once

#include "intake/argument_split.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class Prompts;
class SettingsStore;

// Form3, "展開先選択": the files named on the command line, to be transferred
// one by one into pages of the user's choice before the main window shows.
// It writes only to the page store.
//
// Each list entry shows its name in lower case; the name as given is kept in
// the entry's data (Qt::UserRole) and is the name the file is opened under.
class DistributionDialog : public QDialog {
    Q_OBJECT
public:
    DistributionDialog(SettingsStore& store, Prompts& prompts, QWidget* parent = nullptr);

    // File names already split by the system: one entry each, first selected.
    void setFileNames(const QStringList& names);

    // The entries, in order (for the intake).
    int entryCount() const;
    QString entryName(int row) const;
    // Removes an entry; afterwards none is selected and the file line is empty.
    void removeEntry(int row);

    // The page the transfer goes to, 1 to 9.
    int targetPage() const;
    // Centres the dialog on the screen, its outer size rounded to whole twips.
    void centreOnScreen();

    void Form_Load();
    void List1_Click();
    void Combo1_Click();
    void Command1_Click(); // 転送
    void Command2_Click(); // 閉じる
    void Command3_Click(); // 表示

    // Called with the name of a file too large for the views, in place of
    // the failure message (the intake offers it to the system's text editor).
    std::function<void(const QString&)> tooLarge;
    // Called with the page a file is about to replace in the store (the
    // intake keeps the page's text in its history).
    std::function<void(int)> beforeStoring;

    QLabel* Label1; // hidden carrier of the argument string
    QListWidget* List1;
    QLabel* Label2; // the file line
    QLabel* Label3;
    QComboBox* Combo1;
    QLabel* Label4; // the page line
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void fill(const QList<ListedFile>& entries);
    int selectedRow() const;

    SettingsStore& m_store;
    Prompts& m_prompts;
};
