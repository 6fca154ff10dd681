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
    if (!s.read(keys::FontSize).isEmpty()) {
        const double size = values::number(s.read(keys::FontSize));
        if (size > 0 && size <= CommonDialog::MaxFontSize)
            f.setPointSizeF(size);
    }
    if (!s.read(keys::FontName).isEmpty())
        f.setFamily(s.read(keys::FontName));
    f.setBold(values::flag(s.read(keys::FontBold, QStringLiteral("0"))));
    f.setItalic(values::flag(s.read(keys::FontI, QStringLiteral("0"))));
    f.setStrikeOut(values::flag(s.read(keys::FontS, QStringLiteral("0"))));
    f.setUnderline(values::flag(s.read(keys::FontU, QStringLiteral("0"))));
    t1.setFont(f);
    if (!s.read(keys::FontC).isEmpty())
        t1.setColourValue(values::integer(s.read(keys::FontC)));
    m_ws.views.Text2.setFont(t1.font());
    m_ws.views.Text2.setColourValue(t1.colourValue());
}

void FontCommand::write(SettingsStore& s) const {
    const TextView& t1 = m_ws.views.Text1;
    const QFont f = t1.font();
    s.write(keys::FontSize, values::numberText(f.pointSizeF()));
    s.write(keys::FontName, f.family());
    s.write(keys::FontBold, values::flagText(f.bold()));
    s.write(keys::FontI, values::flagText(f.italic()));
    s.write(keys::FontS, values::flagText(f.strikeOut()));
    s.write(keys::FontU, values::flagText(f.underline()));
    s.write(keys::FontC, QString::number(t1.colourValue()));
}
