#include "editor/views.h"

#include "state/app_state.h"

#include <QAction>

Views::Views(TextView& text1, TextView& text2, AppState& state)
    : Text1(text1), Text2(text2), m_state(state) {
    Text1.setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Text1.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text2.setLineWrapMode(QPlainTextEdit::NoWrap);
    Text2.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text2.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text2.setVisible(false);
    for (TextView* view : {&Text1, &Text2})
        QObject::connect(view, &QPlainTextEdit::textChanged, view, [this, view] {
            if (!view->isHidden())
                ++m_edits;
        });
}

void Views::markStored(quint64 edits) {
    m_storedEdits = edits;
    ++m_storeMarks;
}

void Views::RightRet_Click() {
    const bool wrapOn = m_rightRet ? m_rightRet->isChecked() : text1Visible();
    TextView& from = wrapOn ? Text1 : Text2;
    TextView& to = wrapOn ? Text2 : Text1;
    // The text is made once and shared by both views until one of them changes.
    const QString text = from.text();
    to.setText(text);
    if (m_rightRet)
        m_rightRet->setChecked(!wrapOn);
    to.setVisible(true);
    to.setSelStart(from.selStart());
    to.setSelLength(from.selLength());
    const bool hadFocus = from.hasFocus();
    from.hideAs(text);
    if (hadFocus)
        to.setFocus();
    m_state.UndoAvailable = false;
}

void Views::setFont(const QFont& font) {
    Text1.setFont(font);
    Text2.setFont(font);
}

void Views::setColourValue(std::int32_t value) {
    Text1.setColourValue(value);
    Text2.setColourValue(value);
}
