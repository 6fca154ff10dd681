#include "intake/distribution_dialog.h"

#include "editor/textview.h"
#include "files/text_file.h"
#include "intake/preview_window.h"
#include "platform/dialog_layout.h"
#include "platform/prompts.h"
#include "platform/twips.h"
#include "session/pages_menu.h"
#include "session/store_notices.h"
#include "store/keys.h"
#include "store/settings_store.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

namespace {

constexpr double ClientWidth = 6585;
constexpr double ClientHeight = 2355;

using dialoglayout::label;

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    QPushButton* b = dialoglayout::button(parent, name, caption);
    // No button is the default: Enter presses only the button that has the
    // focus (keyPressEvent), so nothing is transferred unasked.
    b->setAutoDefault(false);
    return b;
}

} // namespace

DistributionDialog::DistributionDialog(SettingsStore& store, Prompts& prompts, QWidget* parent)
    : QDialog(parent), m_store(store), m_prompts(prompts) {
    setObjectName(QStringLiteral("DistributionDialog"));
    setWindowTitle(QStringLiteral("展開先選択"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(twips::toPx(ClientWidth, this), twips::toPx(ClientHeight, this));
    setFont(dialoglayout::designFont());

    m_argumentCarrier = label(this, "argumentCarrier", QStringLiteral("argumentCarrier"));
    dialoglayout::placeLabel(m_argumentCarrier, 60, 60, 3765, 135);
    m_argumentCarrier->hide();

    m_fileList = new QListWidget(this);
    m_fileList->setObjectName(QStringLiteral("fileList"));
    m_fileList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_fileList->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    twips::setGeometry(m_fileList, 60, 270, 6465, 960);

    m_fileLine = label(this, "fileLine", QString());
    dialoglayout::placeLabel(m_fileLine, 90, 1290, 6465, 285);

    m_targetCaption = label(this, "targetCaption", QStringLiteral("転送先"));
    dialoglayout::placeLabel(m_targetCaption, 90, 1710, 615, 195);

    m_targetPage = new QComboBox(this);
    m_targetPage->setObjectName(QStringLiteral("targetPage"));
    m_targetPage->setEditable(false);
    twips::setGeometry(m_targetPage, 780, 1680, 705, 300);
    m_targetCaption->setBuddy(m_targetPage);

    m_pageLine = label(this, "pageLine", QString());
    dialoglayout::placeLabel(m_pageLine, 90, 2010, 1575, 165);

    m_transferButton = button(this, "transferButton", QStringLiteral("転送"));
    twips::setGeometry(m_transferButton, 5340, 1710, 1155, 255);
    m_closeButton = button(this, "closeButton", QStringLiteral("閉じる"));
    twips::setGeometry(m_closeButton, 5340, 2010, 1155, 285);
    m_previewButton = button(this, "previewButton", QStringLiteral("表示"));
    twips::setGeometry(m_previewButton, 1530, 1710, 1035, 285);

    dialoglayout::tabOrder(
        {m_fileList, m_targetPage, m_transferButton, m_closeButton, m_previewButton});

    connect(m_fileList, &QListWidget::itemSelectionChanged, this, [this] { showChosenFile(); });
    connect(m_targetPage, &QComboBox::currentIndexChanged, this, [this] { showTargetLabel(); });
    connect(m_transferButton, &QPushButton::clicked, this, [this] { transfer(); });
    connect(m_closeButton, &QPushButton::clicked, this, [this] { finish(); });
    connect(m_previewButton, &QPushButton::clicked, this, [this] { previewTarget(); });

    listPages();
    m_fileList->setFocus();
}

void DistributionDialog::listPages() {
    m_targetPage->clear();
    for (int page = 1; page <= 9; ++page)
        m_targetPage->addItem(QString::number(page));
    m_targetPage->setCurrentIndex(0);
    showTargetLabel();
}

void DistributionDialog::setFileNames(const QStringList& names) {
    // The carrier keeps the string the names make together, for the record.
    m_argumentCarrier->setText(names.join(u' '));
    fill(listArguments(names));
}

void DistributionDialog::fill(const QList<ListedFile>& entries) {
    m_fileList->clear();
    for (const ListedFile& entry : entries) {
        auto* item = new QListWidgetItem(entry.shown, m_fileList);
        item->setData(Qt::UserRole, entry.name);
        item->setToolTip(entry.name);
    }
    if (m_fileList->count() > 0) {
        m_fileList->setCurrentRow(0);
        m_fileList->item(0)->setSelected(true);
    }
    showChosenFile();
}

int DistributionDialog::entryCount() const {
    return m_fileList->count();
}

QString DistributionDialog::entryName(int row) const {
    const QListWidgetItem* item = m_fileList->item(row);
    return item ? item->data(Qt::UserRole).toString() : QString();
}

void DistributionDialog::removeEntry(int row) {
    if (row < 0 || row >= m_fileList->count())
        return;
    delete m_fileList->takeItem(row);
    m_fileList->clearSelection();
    m_fileList->setCurrentRow(-1);
    showChosenFile();
}

int DistributionDialog::selectedRow() const {
    const QList<QListWidgetItem*> selected = m_fileList->selectedItems();
    return selected.isEmpty() ? -1 : m_fileList->row(selected.constFirst());
}

int DistributionDialog::chosenPage() const {
    return std::max(0, m_targetPage->currentIndex()) + 1;
}

void DistributionDialog::centreOnScreen() {
    dialoglayout::centreOnScreen(this);
}

void DistributionDialog::showChosenFile() {
    const int row = selectedRow();
    if (row < 0) {
        m_fileLine->clear();
        m_fileLine->setToolTip(QString());
        return;
    }
    m_fileLine->setText(m_fileList->item(row)->text());
    m_fileLine->setToolTip(entryName(row));
}

void DistributionDialog::showTargetLabel() {
    const int page = chosenPage();
    m_pageLine->setText(
        PagesMenu::pageLabel(page, m_store.ReadSetting(keys::page(page), QString())));
}

void DistributionDialog::transfer() {
    const int row = selectedRow();
    if (row < 0 || m_fileLine->text().isEmpty())
        return;
    const textfile::ReadResult file = textfile::ReadTextFile(entryName(row));
    if (file.failure == textfile::TooLarge && tooLarge) {
        tooLarge(entryName(row));
        return;
    }
    if (!file.ok()) {
        // The entry and the page stay as they are: the user may fix the file
        // and try again, or close the dialog.
        m_prompts.notice(textfile::failureMessage(file.failure));
        return;
    }
    if (beforeStoring)
        beforeStoring(chosenPage());
    // A page the store refused keeps the entry in the list, as a file that
    // cannot be read does.
    if (!m_store.WriteSetting(keys::page(chosenPage()), file.text)) {
        m_prompts.notice(notices::fileNotStored(m_store, chosenPage()));
        return;
    }
    removeEntry(row);
    showTargetLabel();
}

void DistributionDialog::finish() {
    reject();
}

void DistributionDialog::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        if (auto* b = qobject_cast<QPushButton*>(focusWidget()))
            b->click();
        return;
    }
    QDialog::keyPressEvent(e);
}

void DistributionDialog::previewTarget() {
    PreviewWindow preview(this);
    const int page = chosenPage();
    preview.view().setText(m_store.ReadSetting(keys::page(page), QString()));
    preview.view().setAccessibleName(QStringLiteral("ページ ") + QString::number(page));
    preview.exec();
}
