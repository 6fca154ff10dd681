#include "session/zoom_commands.h"

#include "session/workspace.h"

#include <QWheelEvent>

ZoomCommands::ZoomCommands(Workspace& ws) : m_ws(ws) {
    // The wheel turns reach a view's viewport first.
    for (TextView* view : {&ws.views.wrappedView, &ws.views.unwrappedView})
        view->viewport()->installEventFilter(this);
}

void ZoomCommands::zoomIn() {
    setZoom(m_ws.views.zoom() + Views::ZoomStep);
}

void ZoomCommands::zoomOut() {
    setZoom(m_ws.views.zoom() - Views::ZoomStep);
}

void ZoomCommands::resetZoom() {
    setZoom(100);
}

void ZoomCommands::setZoom(int percent) {
    const int before = m_ws.views.zoom();
    m_ws.views.setZoom(percent);
    if (m_ws.views.zoom() == before)
        return;
    m_ws.views.visible().ensureCursorVisible(); // the caret stays in sight
    emit zoomed(m_ws.views.zoom());
}

// Ctrl with the wheel zooms both views a step for each notch, however finely
// the wheel or touchpad reports it; without Ctrl the view scrolls as usual.
bool ZoomCommands::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() != QEvent::Wheel)
        return QObject::eventFilter(watched, e);
    auto* wheel = static_cast<QWheelEvent*>(e);
    if (!(wheel->modifiers() & Qt::ControlModifier))
        return QObject::eventFilter(watched, e);
    const int delta = wheel->angleDelta().y();
    // A turn the other way starts afresh.
    if ((delta > 0) != (m_wheel > 0))
        m_wheel = 0;
    m_wheel += delta;
    while (m_wheel >= WheelStep) {
        m_wheel -= WheelStep;
        zoomIn();
    }
    while (m_wheel <= -WheelStep) {
        m_wheel += WheelStep;
        zoomOut();
    }
    wheel->accept();
    return true;
}
