#include "editor/font_command.h"

#include "editor/workspace.h"
#include "store/keys.h"
#include "store/values.h"

#include <QFont>

// The font dialog opens with Text1's font but with its own colour: the
// colour chosen in it last this run, black before the first choice. Text2
// then takes Text1's resulting font, so both views always look alike.
void FontCommand::FontSet_Click() {
    CommonDialog& com = m_ws.platform.com;
    TextView& t1 = m_ws.views.Text1;
    TextView& t2 = m_ws.views.Text2;

    com.flags = CommonDialog::ScreenFonts | CommonDialog::Effects;
    const QFont current = t1.font();
    com.fontBold = current.bold();
    com.fontItalic = current.italic();
    com.fontName = current.family();
    com.fontSize = current.pointSizeF();
    com.fontStrikethru = current.strikeOut();
    com.fontUnderline = current.underline();

    if (!com.showFont())
        return;

    // An answer the views cannot show changes nothing at all, rather than
    // leaving the two views with different fonts.
    const QString name = com.fontName.trimmed();
    const double size = com.fontSize;
    if (name.isEmpty() || !(size > 0 && size <= CommonDialog::MaxFontSize))
        return;

    QFont f = current;
    f.setBold(com.fontBold);
    f.setItalic(com.fontItalic);
    f.setFamily(name);
    f.setPointSizeF(size);
    f.setStrikeOut(com.fontStrikethru);
    f.setUnderline(com.fontUnderline);
    t1.setFont(f);
    t1.setColourValue(com.colour);

    t2.setFont(t1.font());
    t2.setColourValue(com.colour);
}

void FontCommand::restore() {
    const SettingsStore& s = m_ws.store;
    TextView& t1 = m_ws.views.Text1;
    QFont f = t1.font();
    if (!s.ReadSetting(keys::FontSize).isEmpty()) {
        const double size = values::number(s.ReadSetting(keys::FontSize));
        if (size > 0 && size <= CommonDialog::MaxFontSize)
            f.setPointSizeF(size);
    }
    if (!s.ReadSetting(keys::FontName).isEmpty())
        f.setFamily(s.ReadSetting(keys::FontName));
    f.setBold(values::flag(s.ReadSetting(keys::FontBold, QStringLiteral("0"))));
    f.setItalic(values::flag(s.ReadSetting(keys::FontI, QStringLiteral("0"))));
    f.setStrikeOut(values::flag(s.ReadSetting(keys::FontS, QStringLiteral("0"))));
    f.setUnderline(values::flag(s.ReadSetting(keys::FontU, QStringLiteral("0"))));
    t1.setFont(f);
    if (!s.ReadSetting(keys::FontC).isEmpty())
        t1.setColourValue(values::integer(s.ReadSetting(keys::FontC)));
    m_ws.views.Text2.setFont(t1.font());
    m_ws.views.Text2.setColourValue(t1.colourValue());
}

void FontCommand::write(SettingsStore& s) const {
    const TextView& t1 = m_ws.views.Text1;
    const QFont f = t1.font();
    s.WriteSetting(keys::FontSize, values::numberText(f.pointSizeF()));
    s.WriteSetting(keys::FontName, f.family());
    s.WriteSetting(keys::FontBold, values::flagText(f.bold()));
    s.WriteSetting(keys::FontI, values::flagText(f.italic()));
    s.WriteSetting(keys::FontS, values::flagText(f.strikeOut()));
    s.WriteSetting(keys::FontU, values::flagText(f.underline()));
    s.WriteSetting(keys::FontC, QString::number(t1.colourValue()));
}
