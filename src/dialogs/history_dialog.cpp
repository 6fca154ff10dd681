#include "dialogs/history_dialog.h"

#include "dialogs/housekeeping.h"
#include "editor/safekeeping.h"
#include "editor/textview.h"
#include "editor/workspace.h"
#include "platform/dialog_layout.h"
#include "platform/twips.h"
#include "store/page_history.h"

#include <QDateTime>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>

namespace {

const QString Title = QStringLiteral("ページの履歴");

QString clock(const QDateTime& t) {
    return t.toString(QStringLiteral("H:mm"));
}

} // namespace

HistoryDialog::HistoryDialog(Workspace& ws, QWidget* parent)
    : QDialog(parent ? parent : &ws.window, Qt::Dialog | Qt::CustomizeWindowHint |
                                                Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                                                Qt::MSWindowsFixedSizeDialogHint),
      m_ws(ws) {
    setObjectName(QStringLiteral("FormHistory"));
    setFont(dialoglayout::designFont()); // the captions fit their places
    setWindowTitle(Title);
    setFixedSize(twips::toPx(ClientWidth, this), twips::toPx(ClientHeight, this));

    Label1 = dialoglayout::label(this, "Label1", QStringLiteral("履歴(&L)"));
    dialoglayout::placeLabel(Label1, 120, 120, 3000, 240);
    List1 = new QTreeWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setHeaderLabels({QStringLiteral("日時"), QStringLiteral("文字数")});
    List1->setRootIsDecorated(false);
    List1->setUniformRowHeights(true);
    List1->setAllColumnsShowFocus(true);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->header()->setStretchLastSection(false);
    List1->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    List1->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    twips::setGeometry(List1, 120, 390, 3000, 4500);
    Label1->setBuddy(List1);

    Label2 = dialoglayout::label(this, "Label2", QStringLiteral("内容(&N)"));
    dialoglayout::placeLabel(Label2, 3240, 120, 5640, 240);
    Text1 = new TextView(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setTabChangesFocus(true);
    Text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Text1->setAccessibleName(QStringLiteral("選んだ履歴の内容"));
    twips::setGeometry(Text1, 3240, 390, 5640, 4500);
    Label2->setBuddy(Text1);

    Label3 = dialoglayout::label(this, "Label3", QString());
    Label3->setWordWrap(true);
    twips::setGeometry(Label3, 120, 4980, 5400, 600);

    Command1 = dialoglayout::button(this, "Command1", QStringLiteral("このページに戻す"));
    twips::setGeometry(Command1, 5640, 5070, 1860, 375);
    Command2 = dialoglayout::button(this, "Command2", QStringLiteral("キャンセル"));
    twips::setGeometry(Command2, 7620, 5070, 1260, 375);
    Command1->setDefault(true); // Enter restores; Esc cancels

    dialoglayout::tabOrder({List1, Text1, Command1, Command2});

    connect(List1, &QTreeWidget::itemSelectionChanged, this, [this] { List1_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
}

HistoryDialog::~HistoryDialog() = default;

void HistoryDialog::Form_Load() {
    PageHistory& history = m_ws.snapshots.history();
    const int page = m_ws.state.CurrentPage;
    const QString pageName = QStringLiteral("ページ %1 の履歴").arg(page);
    Label1->setText(pageName + QStringLiteral("(&L)"));
    List1->setAccessibleName(pageName);

    m_ws.snapshots.handOver(); // what long work held back is listed too
    const QString asideBefore = history.keptAsidePath();
    const std::vector<PageHistory::Entry> entries = history.entries(page);
    if (history.keptAsidePath() != asideBefore)
        m_ws.platform.prompts.notice(safekeeping::historyKeptAside(history.keptAsidePath()));

    const qint64 now = history.now();
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    List1->clear();
    for (const PageHistory::Entry& e : entries) {
        auto* item = new QTreeWidgetItem(List1, {whenText(e.takenMs, now), countText(e.units)});
        item->setData(0, Qt::UserRole, e.id);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setToolTip(0, japanese.toString(QDateTime::fromMSecsSinceEpoch(e.takenMs),
                                              QStringLiteral("yyyy年M月d日(ddd) H:mm:ss")));
    }
    move(dialoglayout::placedIn(m_ws.window.frameGeometry(), ClientWidth, ClientHeight,
                                dialoglayout::Vertical::Centred, &m_ws.window));
    if (entries.empty()) {
        Label3->setText(history.isOpen()
                            ? QStringLiteral("このページの履歴はまだありません。")
                            : QStringLiteral("ページの履歴を保存するファイルを開けませんでした。") +
                                  QDir::toNativeSeparators(history.path()));
        List1_Click();
        Command2->setDefault(true);
        Command2->setFocus();
        return;
    }
    List1->setCurrentItem(List1->topLevelItem(0));
    List1->setFocus();
}

void HistoryDialog::List1_Click() {
    const QTreeWidgetItem* item = List1->currentItem();
    m_chosen = item ? m_ws.snapshots.history().text(item->data(0, Qt::UserRole).toLongLong())
                    : std::nullopt;
    Command1->setEnabled(m_chosen.has_value());
    if (!m_chosen) {
        Text1->setText(QString());
        if (item)
            Label3->setText(QStringLiteral("この履歴を読み出せませんでした。"));
        return;
    }
    if (m_chosen->size() > PreviewUnits) {
        Text1->setText(m_chosen->left(PreviewUnits));
        Label3->setText(
            QStringLiteral("先頭の %1 文字だけを表示しています。戻すときは全体が戻ります。")
                .arg(QLocale(QLocale::Japanese, QLocale::Japan).toString(PreviewUnits)));
    } else {
        Text1->setText(*m_chosen);
        Label3->clear();
    }
}

// The page as it is now is kept first, so the restore can itself be undone
// from the history too.
void HistoryDialog::Command1_Click() {
    if (!m_chosen)
        return;
    m_ws.snapshots.keepShown();
    TextView& shown = m_ws.views.visible();
    shown.replaceAllText(*m_chosen, 0);
    m_ws.state.UndoAvailable = true;
    accept();
}

void HistoryDialog::Command2_Click() {
    reject();
}

QString HistoryDialog::whenText(qint64 takenMs, qint64 nowMs) {
    const qint64 ago = nowMs - takenMs;
    if (ago < 60 * 1000)
        return QStringLiteral("たった今");
    if (ago < 60 * 60 * 1000)
        return QStringLiteral("%1 分前").arg(ago / (60 * 1000));
    const QDateTime taken = QDateTime::fromMSecsSinceEpoch(takenMs);
    const QDate today = QDateTime::fromMSecsSinceEpoch(nowMs).date();
    if (taken.date() == today)
        return QStringLiteral("今日 ") + clock(taken);
    if (taken.date() == today.addDays(-1))
        return QStringLiteral("昨日 ") + clock(taken);
    if (taken.date().year() == today.year())
        return taken.toString(QStringLiteral("M月d日 ")) + clock(taken);
    return taken.toString(QStringLiteral("yyyy年M月d日 ")) + clock(taken);
}

QString HistoryDialog::countText(qsizetype units) {
    return QLocale(QLocale::Japanese, QLocale::Japan).toString(qlonglong(units)) +
           QStringLiteral(" 文字");
}

void HousekeepingCommands::PageHist_Click() {
    HistoryDialog dialog(m_ws);
    dialog.Form_Load();
    dialog.exec();
}
