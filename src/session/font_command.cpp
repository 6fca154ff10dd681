#include "session/font_command.h"

#include "session/workspace.h"
#include "store/keys.h"
#include "store/values.h"

#include <QFont>

// The font dialog opens with the font chosen last (never as the session's
// zoom shows it) but with its own colour: the colour chosen in it last this
// run, black before the first choice. Both views then take the resulting
// font and colour, so they always look alike.
void FontCommand::chooseFont() {
    CommonDialog& com = m_ws.platform.com;
    Views& views = m_ws.views;

    com.flags = CommonDialog::ScreenFonts | CommonDialog::Effects;
    const QFont current = views.font();
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
    views.setFont(f);
    views.setColourValue(com.colour);
}

void FontCommand::restore() {
    const SettingsStore& s = m_ws.store;
    Views& views = m_ws.views;
    QFont f = views.font();
    if (!s.ReadSetting(keys::FontSize).isEmpty()) {
        const double size = values::number(s.ReadSetting(keys::FontSize));
        if (size > 0 && size <= CommonDialog::MaxFontSize)
            f.setPointSizeF(size);
    }
    if (!s.ReadSetting(keys::FontName).isEmpty())
        f.setFamily(s.ReadSetting(keys::FontName));
    f.setBold(values::flag(s.ReadSetting(keys::FontBold, QStringLiteral("0"))));
    f.setItalic(values::flag(s.ReadSetting(keys::FontItalic, QStringLiteral("0"))));
    f.setStrikeOut(values::flag(s.ReadSetting(keys::FontStrikeOut, QStringLiteral("0"))));
    f.setUnderline(values::flag(s.ReadSetting(keys::FontUnderline, QStringLiteral("0"))));
    views.setFont(f);
    if (!s.ReadSetting(keys::FontColour).isEmpty())
        views.setColourValue(values::integer(s.ReadSetting(keys::FontColour)));
    else
        views.setColourValue(views.wrappedView.colourValue());
}

void FontCommand::write(SettingsStore& s) const {
    const QFont f = m_ws.views.font();
    s.WriteSetting(keys::FontSize, values::numberText(f.pointSizeF()));
    s.WriteSetting(keys::FontName, f.family());
    s.WriteSetting(keys::FontBold, values::flagText(f.bold()));
    s.WriteSetting(keys::FontItalic, values::flagText(f.italic()));
    s.WriteSetting(keys::FontStrikeOut, values::flagText(f.strikeOut()));
    s.WriteSetting(keys::FontUnderline, values::flagText(f.underline()));
    s.WriteSetting(keys::FontColour, QString::number(m_ws.views.wrappedView.colourValue()));
}
