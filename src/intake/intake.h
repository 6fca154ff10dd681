#pragma once

#include <QStringList>

struct Workspace;
class DistributionDialog;

// Files named on the command line, taken into pages at start-up before the
// main window is shown. Pages are written only through the store.
//
// The system hands the names over already split: each argument is one file
// name, so a name with a space in it stays one name.
class CommandLineIntake {
public:
    explicit CommandLineIntake(Workspace& ws) : m_ws(ws) {}
    void run(const QStringList& arguments);

private:
    // One file and the option for it: straight into the page shown last.
    bool intoLastPage(const QString& name);
    // The files go into blank pages in order, as far as the pages reach. An
    // entry that cannot be read stays in the list and its page stays blank
    // for the next file.
    void fillBlankPages(DistributionDialog& dialog);

    Workspace& m_ws;
};
