#pragma once

#include <QFont>

class QLabel;
class QWidget;

// What the program's own dialogs share in laying out their controls.
namespace dialoglayout {

// The face the dialog layouts were drawn for: a proportional Japanese gothic
// at 9 pt, shown with an installed face of that kind. With it every caption
// fits its place.
QFont designFont();

// Places a label by its design rectangle in twips; where the font needs more
// height than the design gives, the label grows about the same middle line.
void placeLabel(QLabel* label, double left, double top, double width, double height);

// Moves a window so that its outer rectangle, frame included, is centred on
// the screen.
void centreOnScreen(QWidget* window);

} // namespace dialoglayout
