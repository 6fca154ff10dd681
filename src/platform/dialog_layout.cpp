#include "platform/dialog_layout.h"

#include "platform/twips.h"

#include <QLabel>

namespace dialoglayout {

QFont designFont() {
    const QString face = QStringLiteral("ＭＳ Ｐゴシック");
    QFont::insertSubstitutions(face, {QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック"),
                                      QStringLiteral("Noto Sans CJK JP")});
    QFont f(face);
    f.setPointSizeF(9);
    return f;
}

void placeLabel(QLabel* l, double left, double top, double width, double height) {
    twips::setGeometry(l, left, top, width, height);
    const int needed = l->fontMetrics().height();
    const QRect r = l->geometry();
    if (needed > r.height())
        l->setGeometry(r.x(), r.y() - (needed - r.height()) / 2, r.width(), needed);
}

void centreOnScreen(QWidget* w) {
    const QRect outer = w->frameGeometry();
    const QPoint p = twips::centredOnScreen(twips::fromPx(outer.width(), w),
                                            twips::fromPx(outer.height(), w), w);
    w->move(twips::toPx(p.x(), w), twips::toPx(p.y(), w));
}

} // namespace dialoglayout
