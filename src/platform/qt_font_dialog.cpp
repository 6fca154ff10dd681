#include "platform/common_dialog.h"
#include "platform/font_dialog.h"

// The font dialog opens with the values of the common-dialog object and copies
// the choice back only on OK. Its colour is the object's own, so the dialog
// shows the colour chosen in it last (black before the first choice).
bool QtCommonDialog::showFont() {
    FontDialog dialog(m_parent);
    const bool effects = flags & Effects;
    dialog.setEffectsVisible(effects);
    dialog.setBold(fontBold);
    dialog.setItalic(fontItalic);
    dialog.setFamily(fontName);
    dialog.setPointSize(fontSize);
    dialog.setStrikeOut(fontStrikethru);
    dialog.setUnderline(fontUnderline);
    dialog.setColourValue(colour);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    fontBold = dialog.bold();
    fontItalic = dialog.italic();
    fontName = dialog.family();
    fontSize = dialog.pointSize();
    if (effects) {
        fontStrikethru = dialog.strikeOut();
        fontUnderline = dialog.underline();
        colour = dialog.colourValue();
    }
    return true;
}
