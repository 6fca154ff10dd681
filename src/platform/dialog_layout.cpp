#include "platform/dialog_layout.h"

#include "platform/twips.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace dialoglayout {

namespace {

// Centres its window again whenever the window is shown.
class CentreOnShow : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Show)
            centre(static_cast<QWidget*>(watched));
        return false;
    }
    static void centre(QWidget* w) {
        const QScreen* s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
        const QRect screen = s ? QRect(QPoint(), s->geometry().size()) : QRect(0, 0, 1024, 768);
        const QRect outer = w->frameGeometry();
        w->move(placedIn(screen, twips::fromPx(outer.width(), w), twips::fromPx(outer.height(), w),
                         Vertical::Centred, w));
    }
};

} // namespace

QFont designFont() {
    const QString face = QStringLiteral("ＭＳ Ｐゴシック");
    QFont::insertSubstitutions(face, {QStringLiteral("IPAPGothic"), QStringLiteral("IPA Pゴシック"),
                                      QStringLiteral("Noto Sans CJK JP")});
    QFont f(face);
    f.setPointSizeF(9);
    return f;
}

QLabel* label(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);
    return l;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

void place(QWidget* w, double left, double top, double width, double height, int needed) {
    twips::setGeometry(w, left, top, width, height);
    if (needed < 0)
        needed = w->sizeHint().height();
    const QRect r = w->geometry();
    if (needed > r.height())
        w->setGeometry(r.x(), r.y() - (needed - r.height()) / 2, r.width(), needed);
}

void placeLabel(QLabel* l, double left, double top, double width, double height) {
    place(l, left, top, width, height, l->fontMetrics().height());
}

void tabOrder(std::initializer_list<QWidget*> controls) {
    QWidget* before = nullptr;
    for (QWidget* w : controls) {
        if (before)
            QWidget::setTabOrder(before, w);
        before = w;
    }
}

QPoint placedIn(const QRect& area, double width, double height, Vertical vertical,
                const QWidget* reference) {
    const double d = twips::dpi(reference);
    auto whole = [d](int px) { return twips::whole(twips::fromPx(px, d)); };
    const long long left = whole(area.x()) + whole(area.width()) / 2 - twips::whole(width) / 2;
    const long long middle = whole(area.y()) + whole(area.height()) / 2;
    const long long top = vertical == Vertical::Centred ? middle - twips::whole(height) / 2
                                                        : middle - twips::whole(height);
    return QPoint(twips::toPx(double(left), d), twips::toPx(double(top), d));
}

void centreOnWindow(QWidget* dialog, const QWidget& main, double clientWidth, double clientHeight) {
    const double d = twips::dpi(&main);
    const QRect outer = main.frameGeometry();
    const QRect inner = main.geometry();
    const int frameW = outer.width() - inner.width();
    const int frameH = outer.height() - inner.height();
    // move() places the frame.
    dialog->move(placedIn(outer, clientWidth + twips::fromPx(frameW, d),
                          clientHeight + twips::fromPx(frameH, d), Vertical::Centred, &main));
}

void centreOnScreen(QWidget* w) {
    CentreOnShow::centre(w);
    static const char* const Watched = "centredOnShow";
    if (!w->property(Watched).toBool()) {
        w->setProperty(Watched, true);
        w->installEventFilter(new CentreOnShow(w));
    }
}

} // namespace dialoglayout
