#include "support/modal_driver.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>

ModalDriver::ModalDriver(const QString& objectName, std::function<void(QDialog&)> act)
    : m_name(objectName), m_act(std::move(act)) {
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, [this] { tick(); });
    m_timer.start();
}

ModalDriver::~ModalDriver() = default;

void ModalDriver::tick() {
    if (m_busy)
        return;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        auto* dialog = qobject_cast<QDialog*>(w);
        if (!dialog || dialog->objectName() != m_name || !dialog->isVisible())
            continue;
        m_busy = true;
        ++seen;
        QPointer<QDialog> guard(dialog);
        if (m_act)
            m_act(*dialog);
        if (guard && guard->isVisible())
            guard->reject();
        m_busy = false;
        return;
    }
}

void clearQuitRequest() {
    // Running the application's loop once clears the request.
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}
