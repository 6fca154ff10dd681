#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>

#include <initializer_list>

class QLabel;
class QPushButton;
class QWidget;

// What the program's own dialogs share in laying out their controls and
// placing themselves.
namespace dialoglayout {

// The face the dialog layouts were drawn for: a proportional Japanese gothic
// at 9 pt, shown with an installed face of that kind. With it every caption
// fits its place.
QFont designFont();

// A label named `name`; what it shows (a path, a page label) is shown as it
// is, never read as markup.
QLabel* label(QWidget* parent, const char* name, const QString& text);
// A push button named `name`.
QPushButton* button(QWidget* parent, const char* name, const QString& caption);

// Places a control by its design rectangle in twips; where it needs more
// height than the design gives (`needed`, by default its size hint), it
// grows about the same middle line.
void place(QWidget* control, double left, double top, double width, double height, int needed = -1);
// The same for a label, which needs the height of one line of its font.
void placeLabel(QLabel* label, double left, double top, double width, double height);

// The order in which Tab moves the focus through a dialog's controls.
void tabOrder(std::initializer_list<QWidget*> controls);

// Where a window goes within an area: horizontally centred, and vertically
// centred or with its bottom edge on the area's middle line.
enum class Vertical { Centred, BottomOnMiddle };
// The top-left, in pixels, of a window whose outer size in twips is given,
// placed in `area` (pixels: a screen, the main window's frame). Worked out in
// whole twips, each size rounded and halved by integer division.
QPoint placedIn(const QRect& area, double width, double height, Vertical vertical,
                const QWidget* reference);

// Moves a dialog whose client size in twips is given so that it is centred
// on the outer rectangle of `main`, in whole twips, halves truncated; it is
// left where it falls even when partly off the screen. Its frame, not known
// before it is shown, is taken to be that of `main`.
void centreOnWindow(QWidget* dialog, const QWidget& main, double clientWidth, double clientHeight);

// Moves a window so that its outer rectangle, frame included, is centred on
// the screen; and once more when it is shown, when its frame is known.
void centreOnScreen(QWidget* window);

} // namespace dialoglayout
