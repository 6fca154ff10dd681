#include "dialogs/options_dialog.h"

#include "dialogs/housekeeping.h"
#include "editor/workspace.h"
#include "platform/dialog_layout.h"
#include "platform/twips.h"
#include "state/app_state.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

constexpr double ClientWidth = 6690;
constexpr double ClientHeight = 1500;

// A check box whose caption wraps onto further lines within its width.
class WrappingCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

    // The height the caption needs at the current width.
    int neededHeight() const {
        QStyleOptionButton opt;
        initStyleOption(&opt);
        const QRect text = style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, this);
        const QRect needed = fontMetrics().boundingRect(QRect(0, 0, text.width(), 10000),
                                                        Qt::TextWordWrap, this->text());
        return std::max(needed.height(), sizeHint().height());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter p(this);
        QStyleOptionButton opt;
        initStyleOption(&opt);
        const QRect text = style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, this);
        opt.text.clear();
        p.drawControl(QStyle::CE_CheckBox, opt);
        p.drawItemText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, palette(),
                       isEnabled(), this->text(), QPalette::WindowText);
    }
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// A check box placed by its design rectangle, as tall as its caption needs.
QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption, QRectF design) {
    auto* c = new WrappingCheckBox(caption, parent);
    c->setObjectName(QString::fromLatin1(name));
    // Wrapped at its own width, the caption tells the height it needs.
    twips::setGeometry(c, design.x(), design.y(), design.width(), design.height());
    dialoglayout::place(c, design.x(), design.y(), design.width(), design.height(),
                        c->neededHeight());
    return c;
}

} // namespace

OptionsDialog::OptionsDialog(AppState& state, QWidget* parent) : QDialog(parent), m_state(state) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("オプション"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(twips::toPx(ClientWidth, this), twips::toPx(ClientHeight, this));
    setFont(dialoglayout::designFont());

    Check1 =
        checkBox(this, "Check1", QStringLiteral("コマンドラインにファイル名が有っても無視する"),
                 {90, 120, 4305, 180});
    Check2 = checkBox(this, "Check2",
                      QStringLiteral("ファイルが一つの場合最後に開いていたページに自動展開する"),
                      {90, 420, 5205, 180});
    Check3 = checkBox(
        this, "Check3",
        QStringLiteral(
            "コマンドラインのファイル名のファイルはできるかぎり空白のページに自動展開する"),
        {120, 720, 4335, 375});

    Label1 = dialoglayout::label(
        this, "Label1", QStringLiteral("ここに記載している設定は上に書いてある物ほど優先されます"));
    dialoglayout::place(Label1, 90, 1170, 4695, 195);

    Command1 = dialoglayout::button(this, "Command1", QStringLiteral("OK"));
    twips::setGeometry(Command1, 5490, 120, 1065, 315);
    // Enter presses OK, unless the focus is on another button.
    Command1->setDefault(true);
    Command2 = dialoglayout::button(this, "Command2", QStringLiteral("キャンセル"));
    twips::setGeometry(Command2, 5520, 510, 1035, 315);

    dialoglayout::tabOrder({Check1, Check2, Check3, Command1, Command2});

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });

    Form_Load();
    Check1->setFocus();
}

void OptionsDialog::Form_Load() {
    Check1->setChecked(m_state.ComLine != 0);
    Check2->setChecked(m_state.NoeNumOP != 0);
    Check3->setChecked(m_state.AutoOP != 0);
}

void OptionsDialog::Command1_Click() {
    m_state.ComLine = Check1->isChecked() ? 1 : 0;
    m_state.NoeNumOP = Check2->isChecked() ? 1 : 0;
    m_state.AutoOP = Check3->isChecked() ? 1 : 0;
    accept();
}

// Esc and the title bar's close button end here too (QDialog::reject).
void OptionsDialog::Command2_Click() {
    reject();
}

void OptionsDialog::centreOnScreen() {
    dialoglayout::centreOnScreen(this);
}

void HousekeepingCommands::ComlineOP_Click() {
    // Owned by the main window, so it stays above it and out of the taskbar.
    OptionsDialog form4(m_ws.state, &m_ws.window);
    form4.centreOnScreen();
    form4.exec();
}
