#include "session/shown_view_access.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace {

const char* const ShownOnlyProperty = "sorabunShownViewsOnly";

// The host as assistive tools see it: its children on show, in their order.
class ShownChildren : public QAccessibleWidget {
public:
    explicit ShownChildren(QWidget* host) : QAccessibleWidget(host) {}

    int childCount() const override { return int(shown().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> list = shown();
        if (index < 0 || index >= list.size())
            return nullptr;
        return QAccessible::queryAccessibleInterface(list.at(index));
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child)
            return -1;
        return int(shown().indexOf(qobject_cast<QWidget*>(child->object())));
    }

private:
    QList<QWidget*> shown() const {
        QList<QWidget*> list;
        for (QObject* o : widget()->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (w && !w->isWindow() && !w->isHidden())
                list.append(w);
        }
        return list;
    }
};

QAccessibleInterface* shownChildrenFactory(const QString&, QObject* object) {
    auto* host = qobject_cast<QWidget*>(object);
    if (!host || !host->property(ShownOnlyProperty).toBool())
        return nullptr;
    return new ShownChildren(host);
}

} // namespace

void exposeShownViewsOnly(QWidget& host) {
    static const bool installed = [] {
        QAccessible::installFactory(shownChildrenFactory);
        return true;
    }();
    (void)installed;
    host.setProperty(ShownOnlyProperty, true);
}
