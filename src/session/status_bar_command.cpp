#include "session/status_bar_command.h"

#include "session/workspace.h"
#include "store/keys.h"
#include "store/values.h"

#include <QAction>
#include <QLabel>
#include <QStatusBar>

namespace {

// A field of the bar, after a line that sets it apart. Assistive tools read
// its name: what it tells, then what it says now ("位置 行 1、列 1").
// `widest` is a text of the width the field keeps at least, so the fields do
// not shift at every key.
QLabel* addField(QStatusBar& bar, const char* objectName, const QString& role,
                 const QString& widest) {
    auto* line = new QFrame(&bar);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    bar.addPermanentWidget(line);
    auto* label = new QLabel(&bar);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setProperty("role", role);
    label->setContentsMargins(8, 0, 8, 0);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(widest) + 16);
    bar.addPermanentWidget(label);
    return label;
}

void setField(QLabel& field, const QString& text) {
    if (field.text() == text)
        return;
    field.setText(text);
    field.setAccessibleName(field.property("role").toString() + u' ' + text);
}

} // namespace

StatusBarCommand::StatusBarCommand(Workspace& ws)
    : m_ws(ws), m_bar(new QStatusBar),
      m_position(addField(*m_bar, "positionField", QStringLiteral("位置"),
                          QStringLiteral("行 99,999、列 999"))),
      m_count(
          addField(*m_bar, "countField", QStringLiteral("文字数"), QStringLiteral("99,999 文字"))),
      m_zoom(addField(*m_bar, "zoomField", QStringLiteral("ズーム"), QStringLiteral("500%"))),
      m_lineEnds(
          addField(*m_bar, "lineEndField", QStringLiteral("改行コード"), QStringLiteral("CRLF"))) {
    m_bar->setObjectName(QStringLiteral("statusBar"));
    m_bar->setAccessibleName(QStringLiteral("ステータスバー"));
    m_bar->setSizeGripEnabled(false);
    m_bar->setVisible(false);
    ws.window.setStatusBar(m_bar);
    QObject::connect(&m_measure, &TextMeasure::changed, m_bar, [this] { showStatus(); });
    showZoom();
    showStatus();
}

void StatusBarCommand::toggleStatusBar() {
    setShown(!item->isChecked());
}

void StatusBarCommand::setShown(bool shown) {
    item->setChecked(shown);
    m_bar->setVisible(shown);
    followShownView();
}

void StatusBarCommand::restore() {
    setShown(values::flag(m_ws.store.ReadSetting(keys::StatusBar, QStringLiteral("False"))));
}

void StatusBarCommand::write(SettingsStore& store) const {
    store.WriteSetting(keys::StatusBar, values::flagText(item->isChecked()));
}

// Counting costs a little at every key: only for a bar on show.
void StatusBarCommand::followShownView() {
    TextView* shown = m_bar->isHidden() ? nullptr : &m_ws.views.visible();
    if (m_measure.followed() != shown)
        m_measure.follow(shown);
    showStatus();
}

void StatusBarCommand::showZoom() {
    setField(*m_zoom, QString::number(m_ws.views.zoom()) + u'%');
}

void StatusBarCommand::showStatus() {
    const TextStatus s = m_measure.status();
    setField(*m_position, TextMeasure::positionText(s));
    setField(*m_count, TextMeasure::countText(s));
    setField(*m_lineEnds, TextMeasure::lineEndText(s.lineEnds));
}
