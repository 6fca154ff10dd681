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

    void MenuEdit_Click();
    void undos_Click();
    void cut_Click();
    void copy_Click();
    void PrintM_Click();
    void Del_Click();
    void clss_Click();
    void AllSel_Click();
    void ReSel_Click();
    void Clipcls_Click();
    void Text1_KeyPress(QChar c);
    void Text2_KeyPress(QChar c);

    // The question clss_Click asks before emptying the page.
    static const QString ClearQuestion;

    // The menu items whose state this class keeps (handed over by the menu bar).
    struct Items {
        QAction* undos = nullptr;
        QAction* cut = nullptr;
        QAction* copy = nullptr;
        QAction* PrintM = nullptr;
        QAction* Del = nullptr;
        QAction* clss = nullptr;
        QAction* AllSel = nullptr;
        QAction* ReSel = nullptr;
        QAction* Clipcls = nullptr;
    } items;

private:
    // Focuses the visible view and queues a key press (and its release) for
    // it; the view handles the key once control is back in the event loop.
    void postKey(Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text);

    Workspace& m_ws;
};
