#pragma once

#include <QString>
#include <QStringList>

struct Workspace;

// The options dialog, help, homepage, version, the page history, and the
// uninstall preparation.
class HousekeepingCommands {
public:
    explicit HousekeepingCommands(Workspace& ws) : m_ws(ws) {}
    void showOptions(); // options_dialog.cpp
    void showVersion();
    void showHelp();
    void openHomePage();
    void prepareUninstall();
    // The history of the page on show, with its restore (history_dialog.cpp).
    void showPageHistory();

    // The help document's file name, and the program that hands a document or
    // an address to the desktop's own viewer (the browser, for both).
    static QString helpFileName();
    static QString desktopOpener();
    static QString homePage();

    // Folders searched for the help document, first match wins. Empty means
    // defaultHelpDirectories().
    QStringList helpDirectories;
    // The copy that came with this executable (<exe>/../share/sorabun, which
    // the build tree mirrors too), then the configured installation folder.
    static QStringList defaultHelpDirectories();
    // The absolute path of the readable help document in the first of these
    // folders that holds one, or empty.
    static QString findHelpDocument(const QStringList& directories);

    // Removes the damaged stores kept aside beside the store; returns what
    // stays (what could not be removed, and the recovery files, which the
    // user was told about and may still need).
    static QStringList eraseLeftovers(const QString& storePath);

private:
    bool programDataLeft() const;

    Workspace& m_ws;
};
