#pragma once

#include <QPoint>
#include <QStringList>
#include <functional>
#include <memory>

struct Workspace;
class PagesMenu;
class OpenDialog;

// Files dropped onto a view: the Open dialog once per file.
class DropHandler {
public:
    DropHandler(Workspace& ws, PagesMenu& pages) : m_ws(ws), m_pages(pages) {}
    // Files dropped onto either view: the Open dialog once for each.
    void filesDropped(const QStringList& paths);

    // When set, called with the dialog shown instead of waiting for it
    // modally; it answers as a person would (OK, Cancel or the close box).
    std::function<void(OpenDialog&)> answerDialog;

private:
    std::unique_ptr<OpenDialog> load();
    // Top-left (pixels) that puts the dialog's bottom edge on the screen's
    // middle line, horizontally centred.
    QPoint placement(const OpenDialog& dialog) const;
    void showModal(OpenDialog& dialog);

    Workspace& m_ws;
    PagesMenu& m_pages;
    bool m_inDrop = false;
};
