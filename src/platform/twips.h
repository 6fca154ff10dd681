#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <cmath>

class QWidget;

// Window sizes and positions are twips: 1440 to the inch. This is the one
// place that converts them to and from pixels, from the screen's logical DPI.
namespace twips {

double dpi(const QWidget* w = nullptr);
inline int toPx(double t, double dpi) {
    return static_cast<int>(std::lround(t * dpi / 1440.0));
}
inline double fromPx(int px, double dpi) {
    return px * 1440.0 / dpi;
}
inline int toPx(double t, const QWidget* w = nullptr) {
    return toPx(t, dpi(w));
}
inline double fromPx(int px, const QWidget* w = nullptr) {
    return fromPx(px, dpi(w));
}
QRect toPx(double left, double top, double width, double height, const QWidget* w = nullptr);
// The screen's size in twips.
QSize screenSize(const QWidget* w = nullptr);
// Integer twips of a size (width, height) rounded to whole numbers.
inline long long whole(double t) {
    return std::llround(t);
}
// Left/top of a window of the given size (twips) centred on the screen: each
// size rounded to an integer, halved by integer division.
QPoint centredOnScreen(double width, double height, const QWidget* w = nullptr);
// Gives a widget its geometry in twips.
void setGeometry(QWidget* widget, double left, double top, double width, double height);

} // namespace twips
