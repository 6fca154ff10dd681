#include "editor/edit_commands.h"

#include "editor/workspace.h"

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
// Text1 whichever view is on show.
void EditCommands::MenuEdit_Click() {
    TextView& t1 = m_ws.views.Text1;
    TextView& t2 = m_ws.views.Text2;
    if (!t2.isHidden()) {
        t1.setText(t2.text());
        t1.setSelStart(t2.selStart());
        t1.setSelLength(t2.selLength());
    }
    items.cut->setEnabled(t1.selLength() != 0);
    items.copy->setEnabled(items.cut->isEnabled());
    items.Del->setEnabled(items.cut->isEnabled());
    items.PrintM->setEnabled(!m_ws.platform.clipboard.text().isEmpty());
    items.AllSel->setEnabled(t1.textLength() != t1.selLength());
    items.clss->setEnabled(t1.textLength() != 0);
    items.ReSel->setEnabled(t1.selLength() != 0);
    items.Clipcls->setEnabled(items.PrintM->isEnabled());
    items.undos->setEnabled(m_ws.state.UndoAvailable);
}

void EditCommands::postKey(Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text) {
    Views& v = m_ws.views;
    if (!v.Text1.isHidden())
        v.Text1.setFocus();
    if (!v.Text2.isHidden())
        v.Text2.setFocus();
    // Queued straight to the view that now has the focus: the key waits until
    // the menu has closed, and still reaches the view even when the window
    // is not the active one at that moment.
    TextView& target = v.visible();
    QCoreApplication::postEvent(&target, new QKeyEvent(QEvent::KeyPress, key, modifiers, text));
    QCoreApplication::postEvent(&target, new QKeyEvent(QEvent::KeyRelease, key, modifiers, text));
}

void EditCommands::undos_Click() {
    postKey(Qt::Key_Z, Qt::ControlModifier, controlChar('Z'));
}

void EditCommands::cut_Click() {
    postKey(Qt::Key_X, Qt::ControlModifier, controlChar('X'));
    m_ws.state.UndoAvailable = true;
}

void EditCommands::copy_Click() {
    postKey(Qt::Key_C, Qt::ControlModifier, controlChar('C'));
}

void EditCommands::PrintM_Click() {
    postKey(Qt::Key_V, Qt::ControlModifier, controlChar('V'));
    m_ws.state.UndoAvailable = true;
}

void EditCommands::Del_Click() {
    postKey(Qt::Key_Delete, Qt::NoModifier, QString());
    m_ws.state.UndoAvailable = true;
}

void EditCommands::clss_Click() {
    if (!m_ws.platform.prompts.ask(ClearQuestion))
        return;
    m_ws.snapshots.keepShown(); // the page can no longer be undone: its history can
    m_ws.views.Text1.setText(QString());
    m_ws.views.Text2.setText(QString());
    m_ws.state.UndoAvailable = false;
}

// Only the visible view is touched, and the focus stays where it is.
void EditCommands::AllSel_Click() {
    TextView& v = m_ws.views.visible();
    v.setSelStart(0);
    v.setSelLength(v.textLength());
}

// The caret stays at the former selection start in both views.
void EditCommands::ReSel_Click() {
    m_ws.views.Text1.setSelLength(0);
    m_ws.views.Text2.setSelLength(0);
}

void EditCommands::Clipcls_Click() {
    m_ws.platform.clipboard.clear();
}

void EditCommands::Text1_KeyPress(QChar) {
    m_ws.state.UndoAvailable = true;
}
void EditCommands::Text2_KeyPress(QChar) {
    m_ws.state.UndoAvailable = true;
}
