#include "platform/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace twips {

namespace {
QScreen* screenOf(const QWidget* w) {
    QScreen* s = w ? w->screen() : nullptr;
    return s ? s : QGuiApplication::primaryScreen();
}
} // namespace

double dpi(const QWidget* w) {
    if (QScreen* s = screenOf(w))
        return s->logicalDotsPerInchX();
    return 96.0;
}

QRect toPx(double left, double top, double width, double height, const QWidget* w) {
    const double d = dpi(w);
    return QRect(toPx(left, d), toPx(top, d), toPx(width, d), toPx(height, d));
}

QSize screenSize(const QWidget* w) {
    QScreen* s = screenOf(w);
    const QSize px = s ? s->geometry().size() : QSize(1024, 768);
    const double d = dpi(w);
    return QSize(static_cast<int>(std::lround(fromPx(px.width(), d))),
                 static_cast<int>(std::lround(fromPx(px.height(), d))));
}

QPoint centredOnScreen(double width, double height, const QWidget* w) {
    const QSize screen = screenSize(w);
    const long long left = screen.width() / 2 - whole(width) / 2;
    const long long top = screen.height() / 2 - whole(height) / 2;
    return QPoint(static_cast<int>(left), static_cast<int>(top));
}

void setGeometry(QWidget* widget, double left, double top, double width, double height) {
    widget->setGeometry(toPx(left, top, width, height, widget));
}

} // namespace twips
