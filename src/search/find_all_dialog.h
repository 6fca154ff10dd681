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

// The results of a search over every page: one row per match, grouped by page. Choosing a row shows
// its page as the page items do and selects the match there. The search goes on while the window is
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
    void begin();
    // One slice of the search while the window is open (the timer runs it).
    void searchSlice();
    // Shows the page of the current row and selects its match; a page's own
    // row leads to its first match. The window then closes.
    void goToMatch();
    // Stops searching; the rows found so far stay.
    void stopSearch();

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

    // The controls, by role: what assistive tools name and tests reach.
    struct Controls {
        QLabel* summaryLine;   // what was searched for, and how much was found
        FoundList* resultList; // the rows
        QLabel* moreLine;      // there are more matches than rows
        QProgressBar* progressBar;
        QPushButton* goButton;    // 移動
        QPushButton* stopButton;  // 中止
        QPushButton* closeButton; // 閉じる
    };
    Controls controls() const {
        return {m_summaryLine, m_resultList, m_moreLine,   m_progressBar,
                m_goButton,    m_stopButton, m_closeButton};
    }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void layOut();
    void catchUp();
    QString summary() const;
    bool goTo(int page, qsizetype start);

    QLabel* m_summaryLine;
    FoundList* m_resultList;
    QLabel* m_moreLine;
    QProgressBar* m_progressBar;
    QPushButton* m_goButton;
    QPushButton* m_stopButton;
    QPushButton* m_closeButton;
    Workspace& m_ws;
    PagesMenu& m_pages;
    search::AllPagesSearch m_search;
    FoundModel* m_model;
    QTimer m_timer;
    QElapsedTimer m_clock; // since the search began
};
