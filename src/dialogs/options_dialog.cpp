#include "dialogs/options_dialog.h"

#include "platform/dialog_layout.h"
#include "platform/twips.h"
#include "session/app_state.h"

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
    setObjectName(QStringLiteral("OptionsDialog"));
    setWindowTitle(QStringLiteral("オプション"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(twips::toPx(ClientWidth, this), twips::toPx(ClientHeight, this));
    setFont(dialoglayout::designFont());

    m_ignoreCommandLineBox = checkBox(
        this, "ignoreCommandLineBox",
        QStringLiteral("コマンドラインにファイル名が有っても無視する"), {90, 120, 4305, 180});
    m_singleFileBox =
        checkBox(this, "singleFileBox",
                 QStringLiteral("ファイルが一つの場合最後に開いていたページに自動展開する"),
                 {90, 420, 5205, 180});
    m_fillBlankPagesBox = checkBox(
        this, "fillBlankPagesBox",
        QStringLiteral(
            "コマンドラインのファイル名のファイルはできるかぎり空白のページに自動展開する"),
        {120, 720, 4335, 375});

    m_priorityNote = dialoglayout::label(
        this, "priorityNote",
        QStringLiteral("ここに記載している設定は上に書いてある物ほど優先されます"));
    dialoglayout::place(m_priorityNote, 90, 1170, 4695, 195);

    m_okButton = dialoglayout::button(this, "okButton", QStringLiteral("OK"));
    twips::setGeometry(m_okButton, 5490, 120, 1065, 315);
    // Enter presses OK, unless the focus is on another button.
    m_okButton->setDefault(true);
    m_cancelButton = dialoglayout::button(this, "cancelButton", QStringLiteral("キャンセル"));
    twips::setGeometry(m_cancelButton, 5520, 510, 1035, 315);

    dialoglayout::tabOrder(
        {m_ignoreCommandLineBox, m_singleFileBox, m_fillBlankPagesBox, m_okButton, m_cancelButton});

    connect(m_okButton, &QPushButton::clicked, this, [this] { takeOptions(); });
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { keepOptions(); });

    showOptions();
    m_ignoreCommandLineBox->setFocus();
}

void OptionsDialog::showOptions() {
    m_ignoreCommandLineBox->setChecked(m_state.ignoreCommandLine != 0);
    m_singleFileBox->setChecked(m_state.singleFileToLastPage != 0);
    m_fillBlankPagesBox->setChecked(m_state.fillBlankPages != 0);
}

void OptionsDialog::takeOptions() {
    m_state.ignoreCommandLine = m_ignoreCommandLineBox->isChecked() ? 1 : 0;
    m_state.singleFileToLastPage = m_singleFileBox->isChecked() ? 1 : 0;
    m_state.fillBlankPages = m_fillBlankPagesBox->isChecked() ? 1 : 0;
    accept();
}

// Esc and the title bar's close button end here too (QDialog::reject).
void OptionsDialog::keepOptions() {
    reject();
}

void OptionsDialog::centreOnScreen() {
    dialoglayout::centreOnScreen(this);
}
