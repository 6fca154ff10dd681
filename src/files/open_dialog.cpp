#include "files/open_dialog.h"

#include "editor/pages_menu.h"
#include "editor/safekeeping.h"
#include "editor/workspace.h"
#include "files/file_commands.h"
#include "files/text_file.h"
#include "platform/dialog_layout.h"
#include "platform/twips.h"
#include "store/keys.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QWindow>

namespace {

QMargins frameOf(const QWidget* w) {
    if (!w || !w->isVisible())
        return QMargins();
    const QWindow* handle = w->windowHandle();
    return handle ? handle->frameMargins() : QMargins();
}

} // namespace

OpenDialog::OpenDialog(Workspace& ws, PagesMenu& pages, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_ws(ws), m_pages(pages) {
    setObjectName(QStringLiteral("Form6"));
    setFont(dialoglayout::designFont()); // the captions fit their places
    setWindowTitle(QStringLiteral("オープン"));
    setFixedSize(twips::toPx(ClientWidth, this), twips::toPx(ClientHeight, this));

    Option1 = new QRadioButton(QStringLiteral("現在のカーソル位置に挿入"), this);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option2 = new QRadioButton(QStringLiteral("指定先ののページにて展開"), this);
    Option2->setObjectName(QStringLiteral("Option2"));
    Command1 = dialoglayout::button(this, "Command1", QStringLiteral("OK"));
    Command2 = dialoglayout::button(this, "Command2", QStringLiteral("キャンセル"));
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(false);
    Label1 = dialoglayout::label(this, "Label1", QStringLiteral("展開先＞"));
    Label2 = dialoglayout::label(this, "Label2", QString());
    Label3 = dialoglayout::label(this, "Label3", QString());

    twips::setGeometry(Option1, 0, 0, 2445, 285);
    twips::setGeometry(Option2, 0, 300, 2445, 285);
    twips::setGeometry(Command1, 2550, 30, 1215, 315);
    twips::setGeometry(Command2, 2550, 390, 1215, 315);
    twips::setGeometry(Combo1, 900, 660, 765, 300);
    twips::setGeometry(Label1, 60, 690, 765, 225);
    twips::setGeometry(Label2, 60, 990, 4065, 225);
    twips::setGeometry(Label3, 30, 1290, 4065, 345);

    Label1->setBuddy(Combo1); // names the page list for assistive tools
    Option1->setChecked(true);
    Combo1->setEnabled(false);
    Command1->setDefault(true);

    dialoglayout::tabOrder({Option1, Option2, Command1, Command2, Combo1});

    connect(Option1, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            Option1_Click();
    });
    connect(Option2, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            Option2_Click();
    });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Combo1, &QComboBox::currentIndexChanged, this, [this] { Combo1_Click(); });
}

OpenDialog::~OpenDialog() = default;

void OpenDialog::Form_Load() {
    {
        const QSignalBlocker quiet(Combo1);
        Combo1->clear();
        for (int n = 1; n <= 9; ++n)
            Combo1->addItem(QString::number(n));
        Combo1->setCurrentIndex(0);
    }
    // Choosing the first item refreshes the label as a click would.
    Combo1_Click();
    Label2->setText(PagesMenu::PageLabel(1, m_ws.store.ReadSetting(keys::page(1), QString())));
}

int OpenDialog::chosenPage() const {
    return Combo1->currentIndex() + 1;
}

void OpenDialog::Combo1_Click() {
    const int p = chosenPage();
    if (p < 1 || p > 9)
        return;
    Label2->setText(PagesMenu::PageLabel(p, m_ws.store.ReadSetting(keys::page(p), QString())));
}

void OpenDialog::Option1_Click() {
    Combo1->setEnabled(false);
}

void OpenDialog::Option2_Click() {
    Combo1->setEnabled(true);
}

void OpenDialog::Command1_Click() {
    // The file is read before anything changes: a file that cannot be read
    // (gone since the drop, no permission, a folder now) leaves the pages and
    // both views exactly as they were.
    const textfile::ReadResult file = textfile::ReadTextFile(Label3->text());
    if (file.failure == textfile::TooLarge) {
        // As with the Open command: offered to the system's text editor.
        done(QDialog::Rejected);
        offerTextEditor(m_ws, Label3->text());
        return;
    }
    if (!file.ok()) {
        notice(textfile::failureMessage(file.failure));
        done(QDialog::Rejected);
        return;
    }
    const QString& t = file.text;
    Views& v = m_ws.views;
    if (Option1->isChecked()) {
        // Into the page on show at the caret; a selection simply gives way.
        TextView& shown = v.visible();
        m_ws.snapshots.beforeSelectionReplaced();
        shown.replaceSelection(t);
        v.hidden().setText(shown.text());
        if (!m_pages.StoreCurrentPage())
            notice(safekeeping::pageNotStored(m_ws.store, m_ws.state.CurrentPage));
    } else {
        // The page on show is stored first; when the store refuses it,
        // nothing else happens, so the page is not read back over the edits.
        const int p = chosenPage();
        const bool stored = m_pages.StoreCurrentPage();
        if (stored)
            m_ws.snapshots.keepStored(p); // the page as it was, before the file replaces it
        if (!stored) {
            notice(safekeeping::pageNotStored(m_ws.store, m_ws.state.CurrentPage));
        } else if (!m_ws.store.WriteSetting(keys::page(p), t)) {
            notice(safekeeping::fileNotStored(m_ws.store, p));
        } else {
            m_pages.ShowPage(m_ws.state.CurrentPage);
        }
    }
    done(QDialog::Accepted);
}

void OpenDialog::notice(const QString& text) {
    m_ws.platform.prompts.notice(text);
}

void OpenDialog::Command2_Click() {
    done(QDialog::Rejected);
}

void OpenDialog::reject() {
    Command2->click();
}

void OpenDialog::closeEvent(QCloseEvent* e) {
    if (isVisible()) {
        m_closedByCloseBox = true;
        done(QDialog::Rejected);
    }
    e->accept();
}

void OpenDialog::offer(const QString& path, int index, int count) {
    Label3->setText(path);
    Label3->setToolTip(path);
    setWindowTitle(QStringLiteral("オープン(%1/%2)").arg(index).arg(count));
}

QSize OpenDialog::outerSizePx() const {
    QMargins m = frameOf(this);
    if (m.isNull())
        m = frameOf(parentWidget() ? parentWidget()->window() : nullptr);
    return QSize(width() + m.left() + m.right(), height() + m.top() + m.bottom());
}
