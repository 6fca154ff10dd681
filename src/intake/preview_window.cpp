#include "intake/preview_window.h"

#include "editor/textview.h"
#include "platform/twips.h"

#include <QResizeEvent>
#include <algorithm>

namespace {
constexpr double ClientWidth = 3675;
constexpr double ClientHeight = 4650;
constexpr double MarginAcross = 100;
constexpr double MarginDown = 500;
} // namespace

PreviewWindow::PreviewWindow(QWidget* parent) : QDialog(parent), m_view(new TextView(this)) {
    setObjectName(QStringLiteral("PreviewWindow"));
    setWindowTitle(QStringLiteral("表示"));
    // Resizable and maximizable; no minimize button, because a minimized modal
    // window without a taskbar entry would leave the program looking frozen.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    m_view->setObjectName(QStringLiteral("view"));
    m_view->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setReadOnly(true);
    m_view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    resize(twips::toPx(ClientWidth, this), twips::toPx(ClientHeight, this));
    fitView();
}

void PreviewWindow::fitView() {
    if (isMinimized())
        return;
    const QRect outer = frameGeometry();
    const int across = outer.width() - twips::toPx(MarginAcross, this);
    const int down = outer.height() - twips::toPx(MarginDown, this);
    m_view->setGeometry(0, 0, std::clamp(across, 0, width()), std::clamp(down, 0, height()));
}

void PreviewWindow::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    fitView();
}
