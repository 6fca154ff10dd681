#pragma once

#include <QChar>
#include <QString>
#include <Qt>

class QAction;
struct Workspace;

// The Edit menu: keystroke commands posted to the visible view, clearing the
// page, selecting, and the clipboard.
class EditCommands {
public:
    explicit EditCommands(Workspace& ws) : m_ws(ws) {}

    // The Edit menu opens: its items are enabled from the page on show.
    void updateItems();
    void undo();
    void cut();
    void copy();
    void paste();
    void deleteSelection();
    void clearPage();
    void selectAll();
    void deselect();
    void clearClipboard();
    // A character was typed into either view.
    void charTyped(QChar c);

    // The question clearPage asks before emptying the page.
    static const QString ClearQuestion;

    // The menu items whose state this class keeps (handed over by the menu
    // bar as it builds them).
    struct Items {
        QAction* undo = nullptr;
        QAction* cut = nullptr;
        QAction* copy = nullptr;
        QAction* paste = nullptr;
        QAction* deleteSelection = nullptr;
        QAction* clearPage = nullptr;
        QAction* selectAll = nullptr;
        QAction* deselect = nullptr;
        QAction* clearClipboard = nullptr;
    } items;

private:
    // Focuses the visible view and queues a key press (and its release) for
    // it; the view handles the key once control is back in the event loop.
    void postKey(Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text);

    Workspace& m_ws;
};
