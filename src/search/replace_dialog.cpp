#include "search/replace_dialog.h"

#include "editor/workspace.h"
#include "platform/dialog_layout.h"
#include "platform/twips.h"
#include "search/matcher.h"

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
      Label1(new QLabel(QStringLiteral("対象の文字列"), this)),
      Label2(new QLabel(QStringLiteral("置き換え後の文字列"), this)), Bef(new QLineEdit(this)),
      Af(new QLineEdit(this)), Command1(new QPushButton(QStringLiteral("検索(&S)"), this)),
      Command2(new QPushButton(QStringLiteral("置き換え"), this)),
      Command3(new QPushButton(QStringLiteral("すべて置き換え(&A)"), this)),
      Check1(new QCheckBox(QStringLiteral("先頭から行う"), this)), m_ws(ws) {
    setObjectName(QStringLiteral("Form2"));
    setFont(dialoglayout::designFont()); // the captions fit their places
    setWindowTitle(Title);
    setFixedSize(twips::toPx(ClientWidth, this), twips::toPx(ClientHeight, this));

    struct Place {
        QWidget* w;
        const char* name;
        double left, top, width, height;
    };
    const Place places[] = {
        {Label1, "Label1", 540, 90, 1080, 180},
        {Label2, "Label2", 60, 450, 1575, 180},
        {Bef, "Bef", 1650, 60, 2265, 285},
        {Af, "Af", 1650, 390, 2265, 285},
        {Command1, "Command1", 4020, 60, 1605, 285},
        {Command2, "Command2", 4020, 390, 1605, 285},
        {Command3, "Command3", 4020, 720, 1605, 285},
        {Check1, "Check1", 60, 810, 1335, 195},
    };
    for (const Place& p : places) {
        p.w->setObjectName(QString::fromLatin1(p.name));
        twips::setGeometry(p.w, p.left, p.top, p.width, p.height);
    }

    Label1->setFocusPolicy(Qt::NoFocus);
    Label2->setFocusPolicy(Qt::NoFocus);
    // Each caption names its text box for assistive tools.
    Label1->setBuddy(Bef);
    Label2->setBuddy(Af);
    // A target taken over from a long selection is kept whole.
    Bef->setMaxLength(std::numeric_limits<int>::max());
    Af->setMaxLength(std::numeric_limits<int>::max());
    // No default button: Enter in a text box presses nothing.
    for (QPushButton* b : {Command1, Command2, Command3}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    dialoglayout::tabOrder({Bef, Af, Command1, Command2, Command3, Check1});
    Bef->setFocus();

    connect(Bef, &QLineEdit::textChanged, this, [this] { Bef_Change(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
}

ReplaceDialog::~ReplaceDialog() = default;

TextView& ReplaceDialog::view() {
    return m_ws.views.visible();
}

void ReplaceDialog::Form_Load() {
    Command2->setEnabled(false);
    TextView& v = view();
    if (v.selLength() > 0)
        Bef->setText(v.selText()); // runs Bef_Change
    if (Bef->text().isEmpty()) {
        Command1->setEnabled(false);
        Command3->setEnabled(false);
    }
    dialoglayout::centreOnWindow(this, m_ws.window, ClientWidth, ClientHeight);
}

void ReplaceDialog::Bef_Change() {
    const QString target = Bef->text();
    if (target.isEmpty()) {
        Command1->setEnabled(false);
        Command2->setEnabled(false);
        Command3->setEnabled(false);
        return;
    }
    Command1->setEnabled(true);
    Command3->setEnabled(true);
    // Exact: a selection found through the loose comparison is not enough.
    Command2->setEnabled(view().selText() == target);
}

void ReplaceDialog::Command1_Click() {
    Command2->setEnabled(false);
    TextView& v = view();
    if (v.selLength() > 0)
        v.setSelStart(v.selStart() + v.selLength());
    if (Check1->isChecked()) {
        v.setSelStart(0);
        Check1->setChecked(false);
    }
    const QString target = Bef->text();
    const qsizetype p = search::find(v.text(), target, v.selStart());
    if (p < 0) {
        m_ws.platform.prompts.notice(QStringLiteral("見つかりませでした"), Title);
        return;
    }
    v.setSelStart(p);
    v.setSelLength(target.size());
    Command2->setEnabled(true);
}

void ReplaceDialog::Command2_Click() {
    view().replaceSelection(Af->text());
    Command2->setEnabled(false);
    Command1_Click();
}

// One pass over the text, applied as one edit of the view (one undo step).
void ReplaceDialog::Command3_Click() {
    Command2->setEnabled(false);
    TextView& v = view();
    v.setSelStart(0);
    const QString before = v.text();
    const search::ReplaceAll r = search::replaceAll(before, Bef->text(), Af->text());
    if (r.count > 0) {
        m_ws.snapshots.keepShown(before);
        v.replaceAllText(r.text, r.caret);
        Command2->setEnabled(true);
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
