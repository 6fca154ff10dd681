#include "intake/distribution_dialog.h"

#include "editor/pages_menu.h"
#include "editor/safekeeping.h"
#include "editor/textview.h"
#include "files/text_file.h"
#include "intake/preview_window.h"
#include "platform/dialog_layout.h"
#include "platform/prompts.h"
#include "platform/twips.h"
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
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("展開先選択"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(twips::toPx(ClientWidth, this), twips::toPx(ClientHeight, this));
    setFont(dialoglayout::designFont());

    Label1 = label(this, "Label1", QStringLiteral("Label1"));
    dialoglayout::placeLabel(Label1, 60, 60, 3765, 135);
    Label1->hide();

    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    twips::setGeometry(List1, 60, 270, 6465, 960);

    Label2 = label(this, "Label2", QString());
    dialoglayout::placeLabel(Label2, 90, 1290, 6465, 285);

    Label3 = label(this, "Label3", QStringLiteral("転送先"));
    dialoglayout::placeLabel(Label3, 90, 1710, 615, 195);

    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(false);
    twips::setGeometry(Combo1, 780, 1680, 705, 300);
    Label3->setBuddy(Combo1);

    Label4 = label(this, "Label4", QString());
    dialoglayout::placeLabel(Label4, 90, 2010, 1575, 165);

    Command1 = button(this, "Command1", QStringLiteral("転送"));
    twips::setGeometry(Command1, 5340, 1710, 1155, 255);
    Command2 = button(this, "Command2", QStringLiteral("閉じる"));
    twips::setGeometry(Command2, 5340, 2010, 1155, 285);
    Command3 = button(this, "Command3", QStringLiteral("表示"));
    twips::setGeometry(Command3, 1530, 1710, 1035, 285);

    dialoglayout::tabOrder({List1, Combo1, Command1, Command2, Command3});

    connect(List1, &QListWidget::itemSelectionChanged, this, [this] { List1_Click(); });
    connect(Combo1, &QComboBox::currentIndexChanged, this, [this] { Combo1_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });

    Form_Load();
    List1->setFocus();
}

void DistributionDialog::Form_Load() {
    Combo1->clear();
    for (int page = 1; page <= 9; ++page)
        Combo1->addItem(QString::number(page));
    Combo1->setCurrentIndex(0);
    Combo1_Click();
}

void DistributionDialog::setFileNames(const QStringList& names) {
    // The carrier keeps the string the names make together, for the record.
    Label1->setText(names.join(u' '));
    fill(listArguments(names));
}

void DistributionDialog::fill(const QList<ListedFile>& entries) {
    List1->clear();
    for (const ListedFile& entry : entries) {
        auto* item = new QListWidgetItem(entry.shown, List1);
        item->setData(Qt::UserRole, entry.name);
        item->setToolTip(entry.name);
    }
    if (List1->count() > 0) {
        List1->setCurrentRow(0);
        List1->item(0)->setSelected(true);
    }
    List1_Click();
}

int DistributionDialog::entryCount() const {
    return List1->count();
}

QString DistributionDialog::entryName(int row) const {
    const QListWidgetItem* item = List1->item(row);
    return item ? item->data(Qt::UserRole).toString() : QString();
}

void DistributionDialog::removeEntry(int row) {
    if (row < 0 || row >= List1->count())
        return;
    delete List1->takeItem(row);
    List1->clearSelection();
    List1->setCurrentRow(-1);
    List1_Click();
}

int DistributionDialog::selectedRow() const {
    const QList<QListWidgetItem*> selected = List1->selectedItems();
    return selected.isEmpty() ? -1 : List1->row(selected.constFirst());
}

int DistributionDialog::targetPage() const {
    return std::max(0, Combo1->currentIndex()) + 1;
}

void DistributionDialog::centreOnScreen() {
    dialoglayout::centreOnScreen(this);
}

void DistributionDialog::List1_Click() {
    const int row = selectedRow();
    if (row < 0) {
        Label2->clear();
        Label2->setToolTip(QString());
        return;
    }
    Label2->setText(List1->item(row)->text());
    Label2->setToolTip(entryName(row));
}

void DistributionDialog::Combo1_Click() {
    const int page = targetPage();
    Label4->setText(PagesMenu::PageLabel(page, m_store.ReadSetting(keys::page(page), QString())));
}

void DistributionDialog::Command1_Click() {
    const int row = selectedRow();
    if (row < 0 || Label2->text().isEmpty())
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
        beforeStoring(targetPage());
    // A page the store refused keeps the entry in the list, as a file that
    // cannot be read does.
    if (!m_store.WriteSetting(keys::page(targetPage()), file.text)) {
        m_prompts.notice(safekeeping::fileNotStored(m_store, targetPage()));
        return;
    }
    removeEntry(row);
    Combo1_Click();
}

void DistributionDialog::Command2_Click() {
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

void DistributionDialog::Command3_Click() {
    PreviewWindow form5(this);
    const int page = targetPage();
    form5.Text1->setText(m_store.ReadSetting(keys::page(page), QString()));
    form5.Text1->setAccessibleName(QStringLiteral("ページ ") + QString::number(page));
    form5.exec();
}
