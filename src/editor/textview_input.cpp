// Keys, the input method, drops and the clipboard of the text view.

#include "editor/textview.h"

#include "platform/long_work.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

#include <algorithm>

namespace {

constexpr char16_t Del = 0x7F;

bool hasLocalFile(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); });
}

// Files dropped are taken, except while a file is read or a page is built:
// they would land in half a page.
bool takesDrop(const QMimeData* data) {
    return hasLocalFile(data) && !LongWork::running();
}

// A file drop only reads the files: it is taken as a copy (or a link) so the
// source never deletes them as it would after a move.
void acceptFileDrop(QDropEvent* e) {
    if (e->possibleActions() & Qt::CopyAction) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else if (e->possibleActions() & Qt::LinkAction) {
        e->setDropAction(Qt::LinkAction);
        e->accept();
    } else {
        e->acceptProposedAction();
    }
}

// The character a key press types, as charTyped reports it; none for keys
// that type nothing (Delete, arrows, function keys).
std::optional<QChar> typedBy(const QKeyEvent* e, bool enter, bool ctrlOrAlt) {
    const int key = e->key();
    if (key == Qt::Key_Delete)
        return std::nullopt;
    if (enter && !ctrlOrAlt)
        return QChar(u'\r');
    const QString t = e->text();
    if (t.isEmpty() || t[0] == QChar(Del))
        return std::nullopt;
    // Ctrl+letter types its control character, whatever text the platform
    // attached to the event.
    const Qt::KeyboardModifiers mods = e->modifiers();
    if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier) && key >= Qt::Key_A &&
        key <= Qt::Key_Z)
        return QChar(char16_t(key - Qt::Key_A + 1));
    return t[0];
}

// Whether a key press replaces the selection: a character typed, a line
// break, a deletion or a cut. A paste goes through insertFromMimeData.
bool replacesSelection(const QKeyEvent* e) {
    for (const auto key :
         {QKeySequence::Cut, QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfWord,
          QKeySequence::DeleteEndOfLine, QKeySequence::DeleteCompleteLine})
        if (e->matches(key))
            return true;
    const int k = e->key();
    if (k == Qt::Key_Backspace || k == Qt::Key_Delete || k == Qt::Key_Return ||
        k == Qt::Key_Enter || k == Qt::Key_Tab)
        return true;
    const QString t = e->text();
    return !t.isEmpty() && t[0].isPrint() &&
           !(e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
}

} // namespace

void TextView::announceIfReplacingMost() {
    if (selectionHoldsMost())
        emit replacingMost();
}

void TextView::untagInsertionFormat() {
    const QTextCursor c = textCursor();
    if (c.hasSelection())
        return;
    QTextCharFormat f = c.charFormat();
    if (!f.hasProperty(doctext::OriginalChar))
        return;
    f.clearProperty(doctext::OriginalChar);
    setCurrentCharFormat(f);
}

void TextView::keyPressEvent(QKeyEvent* e) {
    buildIfShown();
    const int key = e->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    const Qt::KeyboardModifiers mods = e->modifiers();
    const bool ctrlOrAlt = mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!isReadOnly() && replacesSelection(e))
        announceIfReplacingMost();
    untagInsertionFormat();
    if (enter && (mods & Qt::ShiftModifier) && !ctrlOrAlt) {
        // Shift+Enter would insert a line separator; a new line here is a CR LF.
        QKeyEvent plain(e->type(), key, mods & ~Qt::ShiftModifier, e->text(), e->isAutoRepeat(),
                        e->count());
        QPlainTextEdit::keyPressEvent(&plain);
        e->setAccepted(plain.isAccepted());
    } else {
        QPlainTextEdit::keyPressEvent(e);
    }
    if (const std::optional<QChar> typed = typedBy(e, enter, ctrlOrAlt))
        emit charTyped(*typed);
}

// An input-method commit emits charTyped once for each UTF-16 unit committed.
void TextView::inputMethodEvent(QInputMethodEvent* e) {
    buildIfShown();
    if (!isReadOnly() && (!e->commitString().isEmpty() || !e->preeditString().isEmpty()))
        announceIfReplacingMost();
    untagInsertionFormat();
    const QString committed = e->commitString();
    QPlainTextEdit::inputMethodEvent(e);
    for (const QChar c : committed)
        emit charTyped(c);
}

// Entering is the first move over the view: both are answered alike.
void TextView::dragEnterEvent(QDragEnterEvent* e) {
    dragMoveEvent(e);
}

void TextView::dragMoveEvent(QDragMoveEvent* e) {
    if (takesDrop(e->mimeData()))
        acceptFileDrop(e);
    else
        e->ignore();
}

void TextView::dropEvent(QDropEvent* e) {
    if (!takesDrop(e->mimeData())) {
        e->ignore();
        return;
    }
    QStringList paths;
    for (const QUrl& u : e->mimeData()->urls()) {
        if (u.isLocalFile())
            paths << u.toLocalFile();
    }
    acceptFileDrop(e);
    emit filesDropped(paths);
}

// Files are never pasted as text; web addresses carrying text still are.
bool TextView::canInsertFromMimeData(const QMimeData* source) const {
    if (hasLocalFile(source))
        return false;
    return QPlainTextEdit::canInsertFromMimeData(source);
}

void TextView::insertFromMimeData(const QMimeData* source) {
    if (hasLocalFile(source))
        return;
    buildIfShown();
    if (!isReadOnly())
        announceIfReplacingMost();
    untagInsertionFormat();
    QPlainTextEdit::insertFromMimeData(source);
}

// A copy holds the selected text as it is (CR LF, lone CR and LF, no-break
// spaces), not the document's display form.
QMimeData* TextView::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    data->setText(selText());
    return data;
}
