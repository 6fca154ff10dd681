#include "files/drop_handler.h"

#include "files/open_dialog.h"
#include "platform/dialog_layout.h"
#include "platform/twips.h"
#include "session/workspace.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

std::unique_ptr<OpenDialog> DropHandler::load() {
    auto dialog = std::make_unique<OpenDialog>(m_ws, m_pages, &m_ws.window);
    dialog->listPages();
    return dialog;
}

QPoint DropHandler::placement(const OpenDialog& dialog) const {
    const QWidget* window = &m_ws.window;
    const QSize outer = dialog.outerSizePx();
    // The screen the main window is on, wherever it lies on the desktop.
    const QScreen* s = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    const QRect screen = s ? s->geometry() : QRect(0, 0, 1024, 768);
    return dialoglayout::placedIn(screen, twips::fromPx(outer.width(), window),
                                  twips::fromPx(outer.height(), window),
                                  dialoglayout::Vertical::BottomOnMiddle, window);
}

void DropHandler::showModal(OpenDialog& dialog) {
    if (answerDialog) {
        dialog.show();
        answerDialog(dialog);
        return;
    }
    dialog.exec();
}

void DropHandler::filesDropped(const QStringList& paths) {
    // A drop without files does nothing; nor does a drop that arrives while
    // the files of another are still being offered.
    if (paths.isEmpty() || m_inDrop)
        return;
    m_inDrop = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{m_inDrop};
    std::unique_ptr<OpenDialog> dialog = load();
    const QPoint at = placement(*dialog);
    dialog->move(at);
    const int n = int(paths.size());
    for (int i = 1; i <= n; ++i) {
        const QString& path = paths.at(i - 1);
        // Only ordinary files are offered; a folder or a file gone since the
        // drop is passed over without a word.
        if (!QFileInfo(path).isFile())
            continue;
        if (!dialog) {
            // The close box unloaded the dialog: it comes back as loaded,
            // in the same place.
            dialog = load();
            dialog->move(at);
        }
        dialog->offer(path, i, n);
        showModal(*dialog);
        if (dialog->closedByCloseBox())
            dialog.reset();
    }
    dialog.reset();
}
