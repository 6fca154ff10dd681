#include "search/replace_dialog.h"

#include "platform/dialog_layout.h"
#include "platform/twips.h"
#include "search/matcher.h"
#include "session/workspace.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWindow>

#include <limits>

namespace {

const QString Title = QStringLiteral("置き換え");

} // namespace

ReplaceDialog::ReplaceDialog(Workspace& ws, QWidget* parent)
    : QDialog(parent ? parent : &ws.window, Qt::Dialog | Qt::CustomizeWindowHint |
                                                Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                                                Qt::MSWindowsFixedSizeDialogHint),
      m_targetCaption(new QLabel(QStringLiteral("対象の文字列"), this)),
      m_replacementCaption(new QLabel(QStringLiteral("置き換え後の文字列"), this)),
      m_targetEdit(new QLineEdit(this)), m_replacementEdit(new QLineEdit(this)),
      m_findButton(new QPushButton(QStringLiteral("検索(&S)"), this)),
      m_replaceButton(new QPushButton(QStringLiteral("置き換え"), this)),
      m_replaceAllButton(new QPushButton(QStringLiteral("すべて置き換え(&A)"), this)),
      m_fromTopBox(new QCheckBox(QStringLiteral("先頭から行う"), this)), m_ws(ws) {
    setObjectName(QStringLiteral("ReplaceDialog"));
    setFont(dialoglayout::designFont()); // the captions fit their places
    setWindowTitle(Title);
    setFixedSize(twips::toPx(ClientWidth, this), twips::toPx(ClientHeight, this));

    struct Place {
        QWidget* w;
        const char* name;
        double left, top, width, height;
    };
    const Place places[] = {
        {m_targetCaption, "targetCaption", 540, 90, 1080, 180},
        {m_replacementCaption, "replacementCaption", 60, 450, 1575, 180},
        {m_targetEdit, "targetEdit", 1650, 60, 2265, 285},
        {m_replacementEdit, "replacementEdit", 1650, 390, 2265, 285},
        {m_findButton, "findButton", 4020, 60, 1605, 285},
        {m_replaceButton, "replaceButton", 4020, 390, 1605, 285},
        {m_replaceAllButton, "replaceAllButton", 4020, 720, 1605, 285},
        {m_fromTopBox, "fromTopBox", 60, 810, 1335, 195},
    };
    for (const Place& p : places) {
        p.w->setObjectName(QString::fromLatin1(p.name));
        twips::setGeometry(p.w, p.left, p.top, p.width, p.height);
    }

    m_targetCaption->setFocusPolicy(Qt::NoFocus);
    m_replacementCaption->setFocusPolicy(Qt::NoFocus);
    // Each caption names its text box for assistive tools.
    m_targetCaption->setBuddy(m_targetEdit);
    m_replacementCaption->setBuddy(m_replacementEdit);
    // A target taken over from a long selection is kept whole.
    m_targetEdit->setMaxLength(std::numeric_limits<int>::max());
    m_replacementEdit->setMaxLength(std::numeric_limits<int>::max());
    // No default button: Enter in a text box presses nothing.
    for (QPushButton* b : {m_findButton, m_replaceButton, m_replaceAllButton}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    dialoglayout::tabOrder({m_targetEdit, m_replacementEdit, m_findButton, m_replaceButton,
                            m_replaceAllButton, m_fromTopBox});
    m_targetEdit->setFocus();

    connect(m_targetEdit, &QLineEdit::textChanged, this, [this] { targetChanged(); });
    connect(m_findButton, &QPushButton::clicked, this, [this] { findNext(); });
    connect(m_replaceButton, &QPushButton::clicked, this, [this] { replaceAndFindNext(); });
    connect(m_replaceAllButton, &QPushButton::clicked, this, [this] { replaceAll(); });
}

ReplaceDialog::~ReplaceDialog() = default;

TextView& ReplaceDialog::view() {
    return m_ws.views.visible();
}

void ReplaceDialog::takeOverSelection() {
    m_replaceButton->setEnabled(false);
    TextView& v = view();
    if (v.selLength() > 0)
        m_targetEdit->setText(v.selText()); // runs targetChanged
    if (m_targetEdit->text().isEmpty()) {
        m_findButton->setEnabled(false);
        m_replaceAllButton->setEnabled(false);
    }
    dialoglayout::centreOnWindow(this, m_ws.window, ClientWidth, ClientHeight);
}

void ReplaceDialog::targetChanged() {
    const QString target = m_targetEdit->text();
    if (target.isEmpty()) {
        m_findButton->setEnabled(false);
        m_replaceButton->setEnabled(false);
        m_replaceAllButton->setEnabled(false);
        return;
    }
    m_findButton->setEnabled(true);
    m_replaceAllButton->setEnabled(true);
    // Exact: a selection found through the loose comparison is not enough.
    m_replaceButton->setEnabled(view().selText() == target);
}

void ReplaceDialog::findNext() {
    m_replaceButton->setEnabled(false);
    TextView& v = view();
    if (v.selLength() > 0)
        v.setSelStart(v.selStart() + v.selLength());
    if (m_fromTopBox->isChecked()) {
        v.setSelStart(0);
        m_fromTopBox->setChecked(false);
    }
    const QString target = m_targetEdit->text();
    const qsizetype p = search::find(v.text(), target, v.selStart());
    if (p < 0) {
        m_ws.platform.prompts.notice(QStringLiteral("見つかりませでした"), Title);
        return;
    }
    v.setSelStart(p);
    v.setSelLength(target.size());
    m_replaceButton->setEnabled(true);
}

void ReplaceDialog::replaceAndFindNext() {
    view().replaceSelection(m_replacementEdit->text());
    m_replaceButton->setEnabled(false);
    findNext();
}

// One pass over the text, applied as one edit of the view (one undo step).
void ReplaceDialog::replaceAll() {
    m_replaceButton->setEnabled(false);
    TextView& v = view();
    v.setSelStart(0);
    const QString before = v.text();
    const search::ReplaceAll r =
        search::replaceAll(before, m_targetEdit->text(), m_replacementEdit->text());
    if (r.count > 0) {
        m_ws.snapshots.keepShown(before);
        v.replaceAllText(r.text, r.caret);
        m_replaceButton->setEnabled(true);
    }
    m_ws.platform.prompts.notice(QStringLiteral("完了"), Title);
}

// There is no cancel button: Escape does not close the dialog; its close box does.
void ReplaceDialog::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}
