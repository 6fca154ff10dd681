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

// "展開先選択": the files named on the command line, to be transferred one by
// one into pages of the user's choice before the main window shows.
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
    int chosenPage() const;
    // Centres the dialog on the screen, its outer size rounded to whole twips.
    void centreOnScreen();

    void listPages();
    void showChosenFile();
    void showTargetLabel();
    void transfer();      // 転送
    void finish();        // 閉じる
    void previewTarget(); // 表示

    // Called with the name of a file too large for the views, in place of
    // the failure message (the intake offers it to the system's text editor).
    std::function<void(const QString&)> tooLarge;
    // Called with the page a file is about to replace in the store (the
    // intake keeps the page's text in its history).
    std::function<void(int)> beforeStoring;

    // The controls, by role: what assistive tools name and tests reach.
    struct Controls {
        QLabel* argumentCarrier; // hidden carrier of the argument string
        QListWidget* fileList;
        QLabel* fileLine; // the file line
        QLabel* targetCaption;
        QComboBox* targetPage;
        QLabel* pageLine; // the page line
        QPushButton* transferButton;
        QPushButton* closeButton;
        QPushButton* previewButton;
    };
    Controls controls() const {
        return {m_argumentCarrier, m_fileList,       m_fileLine,    m_targetCaption, m_targetPage,
                m_pageLine,        m_transferButton, m_closeButton, m_previewButton};
    }

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void fill(const QList<ListedFile>& entries);
    int selectedRow() const;

    SettingsStore& m_store;
    Prompts& m_prompts;
    QLabel* m_argumentCarrier;
    QListWidget* m_fileList;
    QLabel* m_fileLine;
    QLabel* m_targetCaption;
    QComboBox* m_targetPage;
    QLabel* m_pageLine;
    QPushButton* m_transferButton;
    QPushButton* m_closeButton;
    QPushButton* m_previewButton;
};
