#pragma once

#include <QStringList>

struct Workspace;
class PagesMenu;

// Files dropped onto a view: the Open dialog once per file.
class DropHandler {
public:
    DropHandler(Workspace& ws, PagesMenu& pages) : m_ws(ws), m_pages(pages) {}
    void Text1_OLEDragDrop(const QStringList& paths) { handleDrop(paths); }
    void Text2_OLEDragDrop(const QStringList& paths) { handleDrop(paths); }

private:
    void handleDrop(const QStringList& paths);
    Workspace& m_ws;
    PagesMenu& m_pages;
};
