#include "platform/font_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr std::int32_t rgb(std::uint32_t rrggbb) {
    // 0xRRGGBB as written in colour tables -> 0x00BBGGRR
    return static_cast<std::int32_t>(((rrggbb >> 16) & 0xFF) | (rrggbb & 0xFF00) |
                                     ((rrggbb & 0xFF) << 16));
}

QColor toColor(std::int32_t value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

const QString SampleText = QStringLiteral("Aa あぁアァ亜宇");
const QString CustomColourName = QStringLiteral("カスタム");

// Sizes offered in the size list; any other size may be typed.
const double StandardSizes[] = {8, 9, 10, 10.5, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

// Index of a style row: bit 1 bold, bit 0 italic.
const char16_t* const StyleNames[] = {u"標準", u"斜体", u"太字", u"太字 斜体"};

QIcon swatch(std::int32_t value) {
    QPixmap pm(24, 14);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.fillRect(pm.rect().adjusted(0, 0, -1, -1), toColor(value));
    p.setPen(Qt::gray);
    p.drawRect(pm.rect().adjusted(0, 0, -1, -1));
    return QIcon(pm);
}

// The first row whose text starts with `text`, ignoring case; an exact match
// wins over a mere prefix.
int matchingRow(const QListWidget* list, const QString& text) {
    if (text.isEmpty())
        return -1;
    int prefix = -1;
    for (int i = 0; i < list->count(); ++i) {
        const QString item = list->item(i)->text();
        if (item.compare(text, Qt::CaseInsensitive) == 0)
            return i;
        if (prefix < 0 && item.startsWith(text, Qt::CaseInsensitive))
            prefix = i;
    }
    return prefix;
}

// A caption, an entry named `editName` and a list named `listName`, made for
// one column of the dialog; returns the caption, which leads to the entry.
QLabel* column(const QString& caption, QLineEdit*& edit, const char* editName, QListWidget*& list,
               const char* listName) {
    auto* label = new QLabel(caption);
    edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(editName));
    list = new QListWidget;
    list->setObjectName(QString::fromLatin1(listName));
    label->setBuddy(edit);
    return label;
}

} // namespace

const QList<FontDialog::NamedColour>& FontDialog::standardColours() {
    static const QList<NamedColour> colours = {
        {QStringLiteral("黒"), rgb(0x000000)},   {QStringLiteral("栗色"), rgb(0x800000)},
        {QStringLiteral("緑"), rgb(0x008000)},   {QStringLiteral("オリーブ"), rgb(0x808000)},
        {QStringLiteral("紺"), rgb(0x000080)},   {QStringLiteral("紫"), rgb(0x800080)},
        {QStringLiteral("緑青"), rgb(0x008080)}, {QStringLiteral("灰色"), rgb(0x808080)},
        {QStringLiteral("銀色"), rgb(0xC0C0C0)}, {QStringLiteral("赤"), rgb(0xFF0000)},
        {QStringLiteral("黄緑"), rgb(0x00FF00)}, {QStringLiteral("黄"), rgb(0xFFFF00)},
        {QStringLiteral("青"), rgb(0x0000FF)},   {QStringLiteral("赤紫"), rgb(0xFF00FF)},
        {QStringLiteral("水色"), rgb(0x00FFFF)}, {QStringLiteral("白"), rgb(0xFFFFFF)},
    };
    return colours;
}

FontDialog::FontDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("フォント"));
    setObjectName(QStringLiteral("FontDialog"));
    const std::array<QLabel*, 3> captions = buildChoices();
    buildEffects();
    QGroupBox* sample = buildSample();
    QDialogButtonBox* buttons = buildButtons();
    layOut(captions, sample, buttons);
    connectControls();

    setStyleIndex(0);
    setColourValue(0);
    refresh();
    m_familyEdit->setFocus();
}

// Family, style and size, each an entry below its caption and above its list;
// returns the three captions.
std::array<QLabel*, 3> FontDialog::buildChoices() {
    QLabel* family = column(QStringLiteral("フォント名(&F):"), m_familyEdit, "familyEdit",
                            m_familyList, "familyList");
    for (const QString& f : QFontDatabase::families()) {
        if (!QFontDatabase::isPrivateFamily(f))
            m_familyList->addItem(f);
    }
    QLabel* style =
        column(QStringLiteral("スタイル(&Y):"), m_styleEdit, "styleEdit", m_styleList, "styleList");
    m_styleEdit->setReadOnly(true);
    for (const char16_t* name : StyleNames)
        m_styleList->addItem(QString::fromUtf16(name));
    QLabel* size =
        column(QStringLiteral("サイズ(&S):"), m_sizeEdit, "sizeEdit", m_sizeList, "sizeList");
    for (double s : StandardSizes)
        m_sizeList->addItem(sizeText(s));

    for (QListWidget* list : {m_familyList, m_styleList, m_sizeList}) {
        list->setMinimumHeight(140);
        list->setFocusPolicy(Qt::ClickFocus);
    }
    m_familyList->setMinimumWidth(240);
    m_styleList->setMinimumWidth(120);
    m_sizeList->setMinimumWidth(70);
    m_sizeList->setMaximumWidth(90);
    m_sizeEdit->setMaximumWidth(90);
    for (QLineEdit* edit : {m_familyEdit, m_styleEdit, m_sizeEdit})
        edit->installEventFilter(this);
    return {family, style, size};
}

// Strikethrough, underline and colour.
void FontDialog::buildEffects() {
    m_effects = new QGroupBox(QStringLiteral("文字飾り"));
    m_effects->setObjectName(QStringLiteral("effects"));
    m_strikeOut = new QCheckBox(QStringLiteral("取り消し線(&K)"));
    m_underline = new QCheckBox(QStringLiteral("下線(&U)"));
    auto* colourLabel = new QLabel(QStringLiteral("色(&C):"));
    m_colour = new QComboBox;
    m_colour->setObjectName(QStringLiteral("colour"));
    for (const NamedColour& c : standardColours())
        m_colour->addItem(swatch(c.value), c.name, c.value);
    colourLabel->setBuddy(m_colour);
    auto* effectsLayout = new QVBoxLayout(m_effects);
    effectsLayout->addWidget(m_strikeOut);
    effectsLayout->addWidget(m_underline);
    effectsLayout->addWidget(colourLabel);
    effectsLayout->addWidget(m_colour);
    effectsLayout->addStretch();
}

QGroupBox* FontDialog::buildSample() {
    auto* sampleGroup = new QGroupBox(QStringLiteral("サンプル"));
    m_sample = new QLabel(SampleText);
    m_sample->setObjectName(QStringLiteral("sample"));
    m_sample->setAlignment(Qt::AlignCenter);
    m_sample->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    m_sample->setAutoFillBackground(true);
    // A large size is clipped by the frame rather than growing the dialog.
    m_sample->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_sample->setMinimumSize(240, 80);
    auto* sampleLayout = new QVBoxLayout(sampleGroup);
    sampleLayout->addWidget(m_sample);
    return sampleGroup;
}

QDialogButtonBox* FontDialog::buildButtons() {
    auto* buttons = new QDialogButtonBox;
    m_ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    m_cancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    m_ok->setObjectName(QStringLiteral("ok"));
    m_cancel->setObjectName(QStringLiteral("cancel"));
    m_ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    return buttons;
}

void FontDialog::layOut(const std::array<QLabel*, 3>& captions, QGroupBox* sample,
                        QDialogButtonBox* buttons) {
    auto* grid = new QGridLayout(this);
    for (int c = 0; c < 3; ++c)
        grid->addWidget(captions[c], 0, c);
    grid->addWidget(m_familyEdit, 1, 0);
    grid->addWidget(m_styleEdit, 1, 1);
    grid->addWidget(m_sizeEdit, 1, 2);
    grid->addWidget(m_familyList, 2, 0);
    grid->addWidget(m_styleList, 2, 1);
    grid->addWidget(m_sizeList, 2, 2);
    grid->addWidget(m_effects, 3, 0);
    grid->addWidget(sample, 3, 1, 1, 2);
    grid->addWidget(buttons, 4, 0, 1, 3);
    // The family column takes the extra width; style and size stay narrow.
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 0);
    grid->setRowStretch(2, 1);
}

// Typing in an entry selects the matching row, choosing a row fills the
// entry, and every change shows in the sample.
void FontDialog::connectControls() {
    connect(m_familyEdit, &QLineEdit::textChanged, this, &FontDialog::familyTyped);
    connect(m_sizeEdit, &QLineEdit::textChanged, this, &FontDialog::sizeTyped);
    connect(m_familyList, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (!m_syncing && item)
            m_familyEdit->setText(item->text());
    });
    connect(m_sizeList, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (!m_syncing && item)
            m_sizeEdit->setText(item->text());
    });
    connect(m_styleList, &QListWidget::currentRowChanged, this, [this] { styleChosen(); });
    connect(m_strikeOut, &QCheckBox::toggled, this, [this] { refresh(); });
    connect(m_underline, &QCheckBox::toggled, this, [this] { refresh(); });
    connect(m_colour, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
}

FontDialog::~FontDialog() = default;

// --- values -------------------------------------------------------------------------

void FontDialog::setEffectsVisible(bool visible) {
    m_effects->setVisible(visible);
    refresh();
}
bool FontDialog::effectsVisible() const {
    return !m_effects->isHidden();
}

void FontDialog::setFamily(const QString& family) {
    m_familyEdit->setText(family);
}
QString FontDialog::family() const {
    return m_familyEdit->text().trimmed();
}

void FontDialog::setPointSize(double size) {
    m_sizeEdit->setText(size > 0 ? sizeText(size) : QString());
}
double FontDialog::pointSize() const {
    return parseSize(m_sizeEdit->text());
}

void FontDialog::setBold(bool bold) {
    setStyleIndex((styleIndex() & 1) | (bold ? 2 : 0));
}
bool FontDialog::bold() const {
    return styleIndex() & 2;
}
void FontDialog::setItalic(bool italic) {
    setStyleIndex((styleIndex() & 2) | (italic ? 1 : 0));
}
bool FontDialog::italic() const {
    return styleIndex() & 1;
}

void FontDialog::setStrikeOut(bool strikeOut) {
    m_strikeOut->setChecked(strikeOut);
}
bool FontDialog::strikeOut() const {
    return m_strikeOut->isChecked();
}
void FontDialog::setUnderline(bool underline) {
    m_underline->setChecked(underline);
}
bool FontDialog::underline() const {
    return m_underline->isChecked();
}

void FontDialog::setColourValue(std::int32_t value) {
    const int standard = int(standardColours().size());
    // Drop a custom entry left from an earlier value.
    while (m_colour->count() > standard)
        m_colour->removeItem(m_colour->count() - 1);
    int index = m_colour->findData(value);
    if (index < 0) {
        m_colour->addItem(swatch(value), CustomColourName, value);
        index = m_colour->count() - 1;
    }
    m_colour->setCurrentIndex(index);
}

std::int32_t FontDialog::colourValue() const {
    return static_cast<std::int32_t>(m_colour->currentData().toInt());
}

QFont FontDialog::sampleFont() const {
    QFont f = font();
    if (!family().isEmpty())
        f.setFamily(family());
    if (const double size = pointSize(); size > 0)
        f.setPointSizeF(size);
    f.setBold(bold());
    f.setItalic(italic());
    const bool effects = effectsVisible();
    f.setStrikeOut(effects && strikeOut());
    f.setUnderline(effects && underline());
    return f;
}

double FontDialog::parseSize(const QString& text) {
    // Full-width digits and point, as a Japanese input method types them, count too.
    const QString t = text.normalized(QString::NormalizationForm_KC).trimmed();
    static const QRegularExpression number(QStringLiteral("^(\\d+(\\.\\d*)?|\\.\\d+)$"));
    if (!number.match(t).hasMatch())
        return 0;
    bool ok = false;
    const double size = t.toDouble(&ok);
    if (!ok || !(size >= MinSize && size <= MaxSize))
        return 0;
    return size;
}

QString FontDialog::sizeText(double size) {
    // At most four decimals, trailing zeros dropped.
    QString t = QString::number(std::round(size * 10000) / 10000, 'f', 4);
    while (t.endsWith(u'0'))
        t.chop(1);
    if (t.endsWith(u'.'))
        t.chop(1);
    return t;
}

// --- typing and choosing --------------------------------------------------------------

void FontDialog::familyTyped(const QString& text) {
    m_syncing = true;
    const int row = matchingRow(m_familyList, text.trimmed());
    m_familyList->setCurrentRow(row);
    if (row >= 0)
        m_familyList->scrollToItem(m_familyList->item(row), QAbstractItemView::PositionAtTop);
    m_syncing = false;
    refresh();
}

void FontDialog::sizeTyped(const QString& text) {
    m_syncing = true;
    const double size = parseSize(text);
    int row = -1;
    for (int i = 0; size > 0 && i < m_sizeList->count(); ++i) {
        if (parseSize(m_sizeList->item(i)->text()) == size)
            row = i;
    }
    m_sizeList->setCurrentRow(row);
    if (row >= 0)
        m_sizeList->scrollToItem(m_sizeList->item(row));
    m_syncing = false;
    refresh();
}

void FontDialog::styleChosen() {
    const int row = m_styleList->currentRow();
    m_styleEdit->setText(row >= 0 ? m_styleList->item(row)->text() : QString());
    refresh();
}

int FontDialog::styleIndex() const {
    return std::max(0, m_styleList->currentRow());
}
void FontDialog::setStyleIndex(int index) {
    m_styleList->setCurrentRow(index);
}

void FontDialog::refresh() {
    m_sample->setFont(sampleFont());
    QPalette p = m_sample->palette();
    p.setColor(QPalette::WindowText,
               effectsVisible() ? toColor(colourValue()) : palette().color(QPalette::WindowText));
    p.setColor(QPalette::Window, palette().color(QPalette::Base));
    m_sample->setPalette(p);

    const bool sizeOk = pointSize() > 0;
    const bool familyOk = !family().isEmpty();
    m_ok->setEnabled(sizeOk && familyOk);
    const QString sizeHint = QStringLiteral("サイズには %1 から %2 までの数値を入力してください")
                                 .arg(sizeText(MinSize), sizeText(MaxSize));
    m_sizeEdit->setToolTip(sizeOk ? QString() : sizeHint);
    m_ok->setToolTip(!familyOk ? QStringLiteral("フォント名を入力してください")
                     : !sizeOk ? sizeHint
                               : QString());
}

// Up, Down, Page Up and Page Down in an entry move through its list.
bool FontDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        QListWidget* list = watched == m_familyEdit  ? m_familyList
                            : watched == m_styleEdit ? m_styleList
                            : watched == m_sizeEdit  ? m_sizeList
                                                     : nullptr;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (list && (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
                     key == Qt::Key_PageDown)) {
            if (list->currentRow() < 0 && list->count() > 0) {
                list->setCurrentRow(0);
                return true;
            }
            QCoreApplication::sendEvent(list, event);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
