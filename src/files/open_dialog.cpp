#include "files/open_dialog.h"

#include "files/file_commands.h"
#include "files/text_file.h"
#include "platform/dialog_layout.h"
#include "platform/twips.h"
#include "session/pages_menu.h"
#include "session/store_notices.h"
#include "session/workspace.h"
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
    setObjectName(QStringLiteral("OpenDialog"));
    setFont(dialoglayout::designFont()); // the captions fit their places
    setWindowTitle(QStringLiteral("オープン"));
    setFixedSize(twips::toPx(ClientWidth, this), twips::toPx(ClientHeight, this));

    m_atCaretOption = new QRadioButton(QStringLiteral("現在のカーソル位置に挿入"), this);
    m_atCaretOption->setObjectName(QStringLiteral("atCaretOption"));
    m_intoPageOption = new QRadioButton(QStringLiteral("指定先ののページにて展開"), this);
    m_intoPageOption->setObjectName(QStringLiteral("intoPageOption"));
    m_okButton = dialoglayout::button(this, "okButton", QStringLiteral("OK"));
    m_cancelButton = dialoglayout::button(this, "cancelButton", QStringLiteral("キャンセル"));
    m_targetPage = new QComboBox(this);
    m_targetPage->setObjectName(QStringLiteral("targetPage"));
    m_targetPage->setEditable(false);
    m_targetCaption = dialoglayout::label(this, "targetCaption", QStringLiteral("展開先＞"));
    m_pageLine = dialoglayout::label(this, "pageLine", QString());
    m_fileLine = dialoglayout::label(this, "fileLine", QString());

    twips::setGeometry(m_atCaretOption, 0, 0, 2445, 285);
    twips::setGeometry(m_intoPageOption, 0, 300, 2445, 285);
    twips::setGeometry(m_okButton, 2550, 30, 1215, 315);
    twips::setGeometry(m_cancelButton, 2550, 390, 1215, 315);
    twips::setGeometry(m_targetPage, 900, 660, 765, 300);
    twips::setGeometry(m_targetCaption, 60, 690, 765, 225);
    twips::setGeometry(m_pageLine, 60, 990, 4065, 225);
    twips::setGeometry(m_fileLine, 30, 1290, 4065, 345);

    m_targetCaption->setBuddy(m_targetPage); // names the page list for assistive tools
    m_atCaretOption->setChecked(true);
    m_targetPage->setEnabled(false);
    m_okButton->setDefault(true);

    dialoglayout::tabOrder(
        {m_atCaretOption, m_intoPageOption, m_okButton, m_cancelButton, m_targetPage});

    connect(m_atCaretOption, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            chooseAtCaret();
    });
    connect(m_intoPageOption, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            chooseIntoPage();
    });
    connect(m_okButton, &QPushButton::clicked, this, [this] { putFileIn(); });
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { skipFile(); });
    connect(m_targetPage, &QComboBox::currentIndexChanged, this, [this] { showTargetLabel(); });
}

OpenDialog::~OpenDialog() = default;

void OpenDialog::listPages() {
    {
        const QSignalBlocker quiet(m_targetPage);
        m_targetPage->clear();
        for (int n = 1; n <= 9; ++n)
            m_targetPage->addItem(QString::number(n));
        m_targetPage->setCurrentIndex(0);
    }
    // Choosing the first item refreshes the label as a click would.
    showTargetLabel();
    m_pageLine->setText(PagesMenu::pageLabel(1, m_ws.store.ReadSetting(keys::page(1), QString())));
}

int OpenDialog::chosenPage() const {
    return m_targetPage->currentIndex() + 1;
}

void OpenDialog::showTargetLabel() {
    const int p = chosenPage();
    if (p < 1 || p > 9)
        return;
    m_pageLine->setText(PagesMenu::pageLabel(p, m_ws.store.ReadSetting(keys::page(p), QString())));
}

void OpenDialog::chooseAtCaret() {
    m_targetPage->setEnabled(false);
}

void OpenDialog::chooseIntoPage() {
    m_targetPage->setEnabled(true);
}

void OpenDialog::putFileIn() {
    // The file is read before anything changes: a file that cannot be read
    // (gone since the drop, no permission, a folder now) leaves the pages and
    // both views exactly as they were.
    const textfile::ReadResult file = textfile::ReadTextFile(m_fileLine->text());
    if (file.failure == textfile::TooLarge) {
        // As with the Open command: offered to the system's text editor.
        done(QDialog::Rejected);
        offerTextEditor(m_ws, m_fileLine->text());
        return;
    }
    if (!file.ok()) {
        notice(textfile::failureMessage(file.failure));
        done(QDialog::Rejected);
        return;
    }
    const QString& t = file.text;
    Views& v = m_ws.views;
    if (m_atCaretOption->isChecked()) {
        // Into the page on show at the caret; a selection simply gives way.
        TextView& shown = v.visible();
        m_ws.snapshots.beforeSelectionReplaced();
        shown.replaceSelection(t);
        v.hidden().setText(shown.text());
        if (!m_pages.storeCurrentPage())
            notice(notices::pageNotStored(m_ws.store, m_ws.state.currentPage));
    } else {
        // The page on show is stored first; when the store refuses it,
        // nothing else happens, so the page is not read back over the edits.
        const int p = chosenPage();
        const bool stored = m_pages.storeCurrentPage();
        if (stored)
            m_ws.snapshots.keepStored(p); // the page as it was, before the file replaces it
        if (!stored) {
            notice(notices::pageNotStored(m_ws.store, m_ws.state.currentPage));
        } else if (!m_ws.store.WriteSetting(keys::page(p), t)) {
            notice(notices::fileNotStored(m_ws.store, p));
        } else {
            m_pages.showPage(m_ws.state.currentPage);
        }
    }
    done(QDialog::Accepted);
}

void OpenDialog::notice(const QString& text) {
    m_ws.platform.prompts.notice(text);
}

void OpenDialog::skipFile() {
    done(QDialog::Rejected);
}

void OpenDialog::reject() {
    m_cancelButton->click();
}

void OpenDialog::closeEvent(QCloseEvent* e) {
    if (isVisible()) {
        m_closedByCloseBox = true;
        done(QDialog::Rejected);
    }
    e->accept();
}

void OpenDialog::offer(const QString& path, int index, int count) {
    m_fileLine->setText(path);
    m_fileLine->setToolTip(path);
    setWindowTitle(QStringLiteral("オープン(%1/%2)").arg(index).arg(count));
}

QSize OpenDialog::outerSizePx() const {
    QMargins m = frameOf(this);
    if (m.isNull())
        m = frameOf(parentWidget() ? parentWidget()->window() : nullptr);
    return QSize(width() + m.left() + m.right(), height() + m.top() + m.bottom());
}
