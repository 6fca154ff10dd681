#include "dialogs/history_dialog.h"

#include "editor/textview.h"
#include "platform/dialog_layout.h"
#include "platform/twips.h"
#include "session/store_notices.h"
#include "session/workspace.h"
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
    setObjectName(QStringLiteral("HistoryDialog"));
    setFont(dialoglayout::designFont()); // the captions fit their places
    setWindowTitle(Title);
    setFixedSize(twips::toPx(ClientWidth, this), twips::toPx(ClientHeight, this));

    m_listCaption = dialoglayout::label(this, "listCaption", QStringLiteral("履歴(&L)"));
    dialoglayout::placeLabel(m_listCaption, 120, 120, 3000, 240);
    m_snapshotList = new QTreeWidget(this);
    m_snapshotList->setObjectName(QStringLiteral("snapshotList"));
    m_snapshotList->setHeaderLabels({QStringLiteral("日時"), QStringLiteral("文字数")});
    m_snapshotList->setRootIsDecorated(false);
    m_snapshotList->setUniformRowHeights(true);
    m_snapshotList->setAllColumnsShowFocus(true);
    m_snapshotList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_snapshotList->header()->setStretchLastSection(false);
    m_snapshotList->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_snapshotList->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    twips::setGeometry(m_snapshotList, 120, 390, 3000, 4500);
    m_listCaption->setBuddy(m_snapshotList);

    m_previewCaption = dialoglayout::label(this, "previewCaption", QStringLiteral("内容(&N)"));
    dialoglayout::placeLabel(m_previewCaption, 3240, 120, 5640, 240);
    m_preview = new TextView(this);
    m_preview->setObjectName(QStringLiteral("preview"));
    m_preview->setReadOnly(true);
    m_preview->setTabChangesFocus(true);
    m_preview->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_preview->setAccessibleName(QStringLiteral("選んだ履歴の内容"));
    twips::setGeometry(m_preview, 3240, 390, 5640, 4500);
    m_previewCaption->setBuddy(m_preview);

    m_noteLine = dialoglayout::label(this, "noteLine", QString());
    m_noteLine->setWordWrap(true);
    twips::setGeometry(m_noteLine, 120, 4980, 5400, 600);

    m_restoreButton =
        dialoglayout::button(this, "restoreButton", QStringLiteral("このページに戻す"));
    twips::setGeometry(m_restoreButton, 5640, 5070, 1860, 375);
    m_cancelButton = dialoglayout::button(this, "cancelButton", QStringLiteral("キャンセル"));
    twips::setGeometry(m_cancelButton, 7620, 5070, 1260, 375);
    m_restoreButton->setDefault(true); // Enter restores; Esc cancels

    dialoglayout::tabOrder({m_snapshotList, m_preview, m_restoreButton, m_cancelButton});

    connect(m_snapshotList, &QTreeWidget::itemSelectionChanged, this, [this] { previewChosen(); });
    connect(m_restoreButton, &QPushButton::clicked, this, [this] { restoreChosen(); });
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { cancel(); });
}

HistoryDialog::~HistoryDialog() = default;

void HistoryDialog::listSnapshots() {
    PageHistory& history = m_ws.snapshots.history();
    const int page = m_ws.state.currentPage;
    const QString pageName = QStringLiteral("ページ %1 の履歴").arg(page);
    m_listCaption->setText(pageName + QStringLiteral("(&L)"));
    m_snapshotList->setAccessibleName(pageName);

    m_ws.snapshots.handOver(); // what long work held back is listed too
    const QString asideBefore = history.keptAsidePath();
    const std::vector<PageHistory::Entry> entries = history.entries(page);
    if (history.keptAsidePath() != asideBefore)
        m_ws.platform.prompts.notice(notices::historyKeptAside(history.keptAsidePath()));

    const qint64 now = history.now();
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    m_snapshotList->clear();
    for (const PageHistory::Entry& e : entries) {
        auto* item =
            new QTreeWidgetItem(m_snapshotList, {whenText(e.takenMs, now), countText(e.units)});
        item->setData(0, Qt::UserRole, e.id);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setToolTip(0, japanese.toString(QDateTime::fromMSecsSinceEpoch(e.takenMs),
                                              QStringLiteral("yyyy年M月d日(ddd) H:mm:ss")));
    }
    move(dialoglayout::placedIn(m_ws.window.frameGeometry(), ClientWidth, ClientHeight,
                                dialoglayout::Vertical::Centred, &m_ws.window));
    if (entries.empty()) {
        m_noteLine->setText(
            history.isOpen()
                ? QStringLiteral("このページの履歴はまだありません。")
                : QStringLiteral("ページの履歴を保存するファイルを開けませんでした。") +
                      QDir::toNativeSeparators(history.path()));
        previewChosen();
        m_cancelButton->setDefault(true);
        m_cancelButton->setFocus();
        return;
    }
    m_snapshotList->setCurrentItem(m_snapshotList->topLevelItem(0));
    m_snapshotList->setFocus();
}

void HistoryDialog::previewChosen() {
    const QTreeWidgetItem* item = m_snapshotList->currentItem();
    m_chosen = item ? m_ws.snapshots.history().text(item->data(0, Qt::UserRole).toLongLong())
                    : std::nullopt;
    m_restoreButton->setEnabled(m_chosen.has_value());
    if (!m_chosen) {
        m_preview->setText(QString());
        if (item)
            m_noteLine->setText(QStringLiteral("この履歴を読み出せませんでした。"));
        return;
    }
    if (m_chosen->size() > PreviewUnits) {
        m_preview->setText(m_chosen->left(PreviewUnits));
        m_noteLine->setText(
            QStringLiteral("先頭の %1 文字だけを表示しています。戻すときは全体が戻ります。")
                .arg(QLocale(QLocale::Japanese, QLocale::Japan).toString(PreviewUnits)));
    } else {
        m_preview->setText(*m_chosen);
        m_noteLine->clear();
    }
}

// The page as it is now is kept first, so the restore can itself be undone
// from the history too.
void HistoryDialog::restoreChosen() {
    if (!m_chosen)
        return;
    m_ws.snapshots.keepShown();
    TextView& shown = m_ws.views.visible();
    shown.replaceAllText(*m_chosen, 0);
    m_ws.state.undoAvailable = true;
    accept();
}

void HistoryDialog::cancel() {
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
