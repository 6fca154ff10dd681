#include "session/edit_commands.h"

#include "session/workspace.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>

const QString EditCommands::ClearQuestion =
    QStringLiteral("現在のページの内容をすべて破棄してよろしいですか？(元に戻すも無効になります)");

namespace {

// The control character a Ctrl+letter combination types.
QString controlChar(char letter) {
    return QString(QChar(char16_t(letter - 'A' + 1)));
}

} // namespace

// The hidden wrapping view is brought up to date first, so every rule reads
// the wrapped view whichever view is on show.
void EditCommands::updateItems() {
    TextView& wrapped = m_ws.views.wrappedView;
    TextView& unwrapped = m_ws.views.unwrappedView;
    if (!unwrapped.isHidden()) {
        wrapped.setText(unwrapped.text());
        wrapped.setSelStart(unwrapped.selStart());
        wrapped.setSelLength(unwrapped.selLength());
    }
    items.cut->setEnabled(wrapped.selLength() != 0);
    items.copy->setEnabled(items.cut->isEnabled());
    items.deleteSelection->setEnabled(items.cut->isEnabled());
    items.paste->setEnabled(!m_ws.platform.clipboard.text().isEmpty());
    items.selectAll->setEnabled(wrapped.textLength() != wrapped.selLength());
    items.clearPage->setEnabled(wrapped.textLength() != 0);
    items.deselect->setEnabled(wrapped.selLength() != 0);
    items.clearClipboard->setEnabled(items.paste->isEnabled());
    items.undo->setEnabled(m_ws.state.undoAvailable);
}

void EditCommands::postKey(Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text) {
    Views& v = m_ws.views;
    if (!v.wrappedView.isHidden())
        v.wrappedView.setFocus();
    if (!v.unwrappedView.isHidden())
        v.unwrappedView.setFocus();
    // Queued straight to the view that now has the focus: the key waits until
    // the menu has closed, and still reaches the view even when the window
    // is not the active one at that moment.
    TextView& target = v.visible();
    QCoreApplication::postEvent(&target, new QKeyEvent(QEvent::KeyPress, key, modifiers, text));
    QCoreApplication::postEvent(&target, new QKeyEvent(QEvent::KeyRelease, key, modifiers, text));
}

void EditCommands::undo() {
    postKey(Qt::Key_Z, Qt::ControlModifier, controlChar('Z'));
}

void EditCommands::cut() {
    postKey(Qt::Key_X, Qt::ControlModifier, controlChar('X'));
    m_ws.state.undoAvailable = true;
}

void EditCommands::copy() {
    postKey(Qt::Key_C, Qt::ControlModifier, controlChar('C'));
}

void EditCommands::paste() {
    postKey(Qt::Key_V, Qt::ControlModifier, controlChar('V'));
    m_ws.state.undoAvailable = true;
}

void EditCommands::deleteSelection() {
    postKey(Qt::Key_Delete, Qt::NoModifier, QString());
    m_ws.state.undoAvailable = true;
}

void EditCommands::clearPage() {
    if (!m_ws.platform.prompts.ask(ClearQuestion))
        return;
    m_ws.snapshots.keepShown(); // the page can no longer be undone: its history can
    m_ws.views.wrappedView.setText(QString());
    m_ws.views.unwrappedView.setText(QString());
    m_ws.state.undoAvailable = false;
}

// Only the visible view is touched, and the focus stays where it is.
void EditCommands::selectAll() {
    TextView& v = m_ws.views.visible();
    v.setSelStart(0);
    v.setSelLength(v.textLength());
}

// The caret stays at the former selection start in both views.
void EditCommands::deselect() {
    m_ws.views.wrappedView.setSelLength(0);
    m_ws.views.unwrappedView.setSelLength(0);
}

void EditCommands::clearClipboard() {
    m_ws.platform.clipboard.clear();
}

void EditCommands::charTyped(QChar) {
    m_ws.state.undoAvailable = true;
}
