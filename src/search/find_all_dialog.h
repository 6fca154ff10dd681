#pragma once

#include "search/all_pages_search.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

class FoundList;
class FoundModel;
class PagesMenu;
class QLabel;
class QProgressBar;
class QPushButton;
struct Workspace;

// The results of a search over every page (object name "Form7"): one row per
// match, grouped by page. Choosing a row shows its page as the page items
// do and selects the match there. The search goes on while the window is
// open, a slice at a time; it reads the page on show as shown and the other
// pages from the store, and writes nothing.
class FindAllDialog : public QDialog {
    Q_OBJECT
public:
    FindAllDialog(Workspace& ws, PagesMenu& pages, const QString& pattern,
                  QWidget* parent = nullptr);
    ~FindAllDialog() override;

    // Searches until the first rows are there, or for a moment at most, and
    // places the window on the main window; the rest follows once it is open.
    void Form_Load();
    // One slice of the search while the window is open (the timer runs it).
    void Timer1_Timer();
    // Shows the page of the current row and selects its match; a page's own
    // row leads to its first match. The window then closes.
    void Command1_Click();
    // Stops searching; the rows found so far stay.
    void Command2_Click();
    // Enter or a double-click on a row.
    void List1_DblClick() { Command1_Click(); }

    bool searching() const { return !m_search.finished(); }
    // The search went through every page and found nothing.
    bool nothingFound() const;
    const search::AllPagesSearch& results() const { return m_search; }
    FoundModel& model() { return *m_model; }

    // The command's name: the window's title, and that of its prompts.
    static constexpr const char16_t* Title = u"全ページから検索";

    // Client size in twips, as designed; the window can be made larger.
    static constexpr double ClientWidth = 9600;
    static constexpr double ClientHeight = 5700;

    QLabel* Label1;   // what was searched for, and how much was found
    FoundList* List1; // the rows
    QLabel* Label2;   // there are more matches than rows
    QProgressBar* ProgressBar1;
    QPushButton* Command1; // 移動
    QPushButton* Command2; // 中止
    QPushButton* Command3; // 閉じる

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void layOut();
    void catchUp();
    QString summary() const;
    bool goTo(int page, qsizetype start);

    Workspace& m_ws;
    PagesMenu& m_pages;
    search::AllPagesSearch m_search;
    FoundModel* m_model;
    QTimer m_timer;
    QElapsedTimer m_clock; // since the search began
};
