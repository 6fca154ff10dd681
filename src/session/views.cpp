#include "session/views.h"

#include "platform/common_dialog.h"
#include "session/app_state.h"

#include <QAction>

#include <algorithm>

Views::Views(TextView& wrapped, TextView& unwrapped, AppState& state)
    : wrappedView(wrapped), unwrappedView(unwrapped), m_state(state) {
    wrappedView.setLineWrapMode(QPlainTextEdit::WidgetWidth);
    wrappedView.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    wrappedView.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    unwrappedView.setLineWrapMode(QPlainTextEdit::NoWrap);
    unwrappedView.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    unwrappedView.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    unwrappedView.setVisible(false);
    m_font = wrappedView.font();
    for (TextView* view : {&wrappedView, &unwrappedView})
        QObject::connect(view, &QPlainTextEdit::textChanged, view, [this, view] {
            if (!view->isHidden())
                ++m_edits;
        });
}

void Views::markStored(quint64 edits) {
    m_storedEdits = edits;
    ++m_storeMarks;
}

void Views::toggleWordWrap() {
    const bool wrapOn = m_wordWrapItem ? m_wordWrapItem->isChecked() : wrappedShown();
    TextView& from = wrapOn ? wrappedView : unwrappedView;
    TextView& to = wrapOn ? unwrappedView : wrappedView;
    // The text is made once and shared by both views until one of them changes.
    const QString text = from.text();
    to.setText(text);
    if (m_wordWrapItem)
        m_wordWrapItem->setChecked(!wrapOn);
    to.setVisible(true);
    to.setSelStart(from.selStart());
    to.setSelLength(from.selLength());
    const bool hadFocus = from.hasFocus();
    from.hideAs(text);
    if (hadFocus)
        to.setFocus();
    m_state.undoAvailable = false;
}

void Views::setFont(const QFont& font) {
    m_font = font;
    showFont();
}

void Views::setZoom(int percent) {
    m_zoom = std::clamp(percent, MinZoom, MaxZoom);
    showFont();
}

void Views::showFont() {
    QFont shown = m_font;
    if (m_zoom != 100) {
        // A size the font dialog cannot give is not shown either.
        if (m_font.pointSizeF() > 0)
            shown.setPointSizeF(
                std::min(m_font.pointSizeF() * m_zoom / 100, CommonDialog::MaxFontSize));
        else if (m_font.pixelSize() > 0)
            shown.setPixelSize(std::max(1, m_font.pixelSize() * m_zoom / 100));
    }
    wrappedView.setFont(shown);
    unwrappedView.setFont(shown);
}

void Views::setColourValue(std::int32_t value) {
    wrappedView.setColourValue(value);
    unwrappedView.setColourValue(value);
}
