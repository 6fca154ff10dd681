#include "editor/font_command.h"

#include "editor/workspace.h"

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
    if (name.isEmpty() || !(size > 0 && size <= MaxSize))
        return;

    QFont f = current;
    f.setBold(com.fontBold);
    f.setItalic(com.fontItalic);
    f.setFamily(name);
    f.setPointSizeF(size);
    f.setStrikeOut(com.fontStrikethru);
    f.setUnderline(com.fontUnderline);
    t1.setFont(f);
    t1.setColourValue(com.color);

    t2.setFont(t1.font());
    t2.setColourValue(com.color);
}
