#include "search/find_all_dialog.h"

#include "platform/dialog_layout.h"
#include "platform/twips.h"
#include "search/found_list.h"
#include "search/matcher.h"
#include "session/pages_menu.h"
#include "session/workspace.h"
#include "store/keys.h"

#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace {

// Before the window opens the search runs until this many rows are found,
// or for this long; once it is open, in slices this long.
constexpr qsizetype FirstRows = 200;
constexpr qint64 FirstRowsMs = 200;
constexpr qint64 SliceMs = 25;
constexpr qsizetype SliceUnits = 128 * 1024;
// Progress is shown once a search has run this long.
constexpr qint64 ProgressAfterMs = 500;
constexpr int ProgressSteps = 1000;

// The text searched for as the summary quotes it: one line, not too long.
QString quoted(const QString& pattern) {
    constexpr qsizetype Longest = 30;
    QString s = pattern.left(Longest);
    for (QChar& c : s) {
        if (c.unicode() < 0x20)
            c = u' ';
    }
    return u'「' + s + (pattern.size() > Longest ? QStringLiteral("…") : QString()) + u'」';
}

search::AllPagesSearch::PageReader pageReader(Workspace& ws) {
    return [&ws](int page) {
        // The page on show as shown, edits not yet stored included.
        if (page == ws.state.currentPage)
            return ws.views.visible().text();
        return ws.store.ReadSetting(keys::page(page), QString());
    };
}

} // namespace

FindAllDialog::FindAllDialog(Workspace& ws, PagesMenu& pages, const QString& pattern,
                             QWidget* parent)
    : QDialog(parent ? parent : &ws.window, Qt::Dialog | Qt::CustomizeWindowHint |
                                                Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_summaryLine(dialoglayout::label(this, "summaryLine", QString())),
      m_resultList(new FoundList(this)),
      m_moreLine(dialoglayout::label(this, "moreLine", QString())),
      m_progressBar(new QProgressBar(this)),
      m_goButton(dialoglayout::button(this, "goButton", QStringLiteral("移動(&G)"))),
      m_stopButton(dialoglayout::button(this, "stopButton", QStringLiteral("中止(&T)"))),
      m_closeButton(dialoglayout::button(this, "closeButton", QStringLiteral("閉じる"))), m_ws(ws),
      m_pages(pages), m_search(pattern, pageReader(ws)), m_model(new FoundModel(m_search, this)) {
    setObjectName(QStringLiteral("FindAllDialog"));
    setFont(dialoglayout::designFont()); // the captions fit their places
    setWindowTitle(QString::fromUtf16(Title));
    setMinimumSize(twips::toPx(ClientWidth, this), twips::toPx(ClientHeight, this));
    resize(minimumSize());

    m_resultList->setObjectName(QStringLiteral("resultList"));
    m_resultList->setModel(m_model);
    m_resultList->header()->resizeSection(FoundModel::PageColumn, twips::toPx(780, this));
    m_resultList->header()->resizeSection(FoundModel::LineColumn, twips::toPx(900, this));
    m_summaryLine->setBuddy(m_resultList); // names the list for assistive tools
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setRange(0, ProgressSteps);
    m_progressBar->setTextVisible(false);
    m_progressBar->hide();
    // Enter in the list chooses its row (the list keeps the key); on a
    // button it presses that one, as in any dialog.
    layOut();
    dialoglayout::tabOrder({m_resultList, m_goButton, m_stopButton, m_closeButton});
    m_resultList->setFocus();

    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, [this] { searchSlice(); });
    connect(m_resultList, &FoundList::chosen, this,
            [this] { goToMatch(); }); // Enter, a double-click
    connect(m_goButton, &QPushButton::clicked, this, [this] { goToMatch(); });
    connect(m_stopButton, &QPushButton::clicked, this, [this] { stopSearch(); });
    connect(m_closeButton, &QPushButton::clicked, this, [this] { reject(); });
}

FindAllDialog::~FindAllDialog() = default;

// The design places every control for the smallest window; a larger one
// gives the list the room.
void FindAllDialog::layOut() {
    const double dx = std::max(0.0, twips::fromPx(width(), this) - ClientWidth);
    const double dy = std::max(0.0, twips::fromPx(height(), this) - ClientHeight);
    dialoglayout::placeLabel(m_summaryLine, 120, 120, 9360 + dx, 240);
    dialoglayout::place(m_resultList, 120, 420, 9360 + dx, 4320 + dy);
    dialoglayout::placeLabel(m_moreLine, 120, 4800 + dy, 9360 + dx, 240);
    dialoglayout::place(m_progressBar, 120, 5220 + dy, 3600, 270);
    dialoglayout::place(m_goButton, 5040 + dx, 5160 + dy, 1380, 375);
    dialoglayout::place(m_stopButton, 6540 + dx, 5160 + dy, 1380, 375);
    dialoglayout::place(m_closeButton, 8100 + dx, 5160 + dy, 1380, 375);
}

void FindAllDialog::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    layOut();
}

void FindAllDialog::begin() {
    m_clock.start();
    QElapsedTimer first;
    first.start();
    while (!m_search.finished() && m_search.listed() < FirstRows && first.elapsed() < FirstRowsMs)
        m_search.step(SliceUnits);
    catchUp();
    if (searching())
        m_timer.start();
    dialoglayout::centreOnWindow(this, m_ws.window, ClientWidth, ClientHeight);
}

void FindAllDialog::searchSlice() {
    QElapsedTimer slice;
    slice.start();
    while (!m_search.finished() && slice.elapsed() < SliceMs)
        m_search.step(SliceUnits);
    catchUp();
}

void FindAllDialog::stopSearch() {
    if (!searching())
        return;
    m_search.stop();
    catchUp();
}

bool FindAllDialog::nothingFound() const {
    return m_search.finished() && !m_search.stopped() && m_search.total() == 0;
}

QString FindAllDialog::summary() const {
    const QString found = QStringLiteral("%1 ページで %2 件")
                              .arg(m_search.pages().size())
                              .arg(foundCount(m_search.total()));
    const QString what = quoted(m_search.pattern());
    if (m_search.stopped())
        return what + QStringLiteral(": ページ %1 を検索中に中止しました。").arg(m_search.page()) +
               found;
    if (searching())
        return what + QStringLiteral(" を検索しています… ") + found;
    return what + QStringLiteral(": ") + found;
}

// Shows what the search has found so far and how far it has come.
void FindAllDialog::catchUp() {
    m_model->catchUp();
    if (!m_resultList->currentIndex().isValid() && m_model->rowCount() > 0) {
        const QModelIndex page = m_model->index(0, 0);
        const QModelIndex first = m_model->index(0, 0, page);
        m_resultList->setCurrentIndex(first.isValid() ? first : page);
    }
    m_summaryLine->setText(summary());
    const qsizetype more = m_search.total() - m_search.listed();
    m_moreLine->setText(more > 0
                            ? QStringLiteral("一覧は最初の %1 件までです。ほかに %2 件あります。")
                                  .arg(foundCount(m_search.rowLimit()), foundCount(more))
                            : QString());
    m_progressBar->setVisible(searching() && m_clock.elapsed() >= ProgressAfterMs);
    m_progressBar->setValue(int(m_search.progress() * ProgressSteps));
    m_stopButton->setEnabled(searching());
    m_goButton->setEnabled(m_model->rowCount() > 0);
    if (searching())
        return;
    m_timer.stop();
    if (nothingFound())
        reject(); // the opener says so
}

void FindAllDialog::goToMatch() {
    const FoundModel::Row row = m_model->rowOf(m_resultList->currentIndex());
    if (row.page < 0)
        return;
    const search::PageFound& page = m_search.pages()[std::size_t(row.page)];
    const qsizetype start = row.match >= 0 ? page.listed[row.match].start : page.firstStart;
    const int number = page.page;
    // The page switch reads and writes the store: the search ends first.
    if (searching())
        stopSearch();
    if (goTo(number, start))
        accept();
}

// Shows the page as its page item does, unless it is on show already, and
// selects the match. Where the page no longer holds it there (another
// Sorabun wrote the page since), the next match of the page is selected.
bool FindAllDialog::goTo(int page, qsizetype start) {
    if (page != m_ws.state.currentPage) {
        m_pages.switchToPage(page);
        if (m_ws.state.currentPage != page)
            return false; // the page on show could not be stored: it stays, as the user was told
    }
    TextView& v = m_ws.views.visible();
    const QString& pattern = m_search.pattern();
    v.setSelStart(start);
    v.setSelLength(pattern.size());
    if (v.selLength() != pattern.size() || search::find(v.selText(), pattern, 0) != 0) {
        const QString text = v.text();
        qsizetype p = search::find(text, pattern, start);
        if (p < 0)
            p = search::find(text, pattern, 0);
        v.setSelStart(std::max<qsizetype>(p, 0));
        if (p < 0) {
            m_ws.platform.prompts.notice(QStringLiteral("見つかりませんでした"),
                                         QString::fromUtf16(Title));
            return true;
        }
        v.setSelLength(pattern.size());
    }
    v.centerCursor();
    v.setFocus();
    return true;
}
