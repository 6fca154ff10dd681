#include "intake/intake.h"

#include "files/file_commands.h"
#include "files/text_file.h"
#include "intake/distribution_dialog.h"
#include "session/pages_menu.h"
#include "session/workspace.h"
#include "store/keys.h"

#include <QFileInfo>

void CommandLineIntake::run(const QStringList& arguments) {
    const AppState& options = m_ws.state;
    // The names together make the empty string only when there are none.
    if (arguments.join(u' ').isEmpty() || options.ignoreCommandLine != 0)
        return;
    // An option is on when it is not 0, as the options dialog shows it.
    if (arguments.size() == 1 && options.singleFileToLastPage != 0 &&
        intoLastPage(arguments.constFirst()))
        return;

    DistributionDialog dialog(m_ws.store, m_ws.platform.prompts);
    dialog.tooLarge = [this](const QString& name) { offerTextEditor(m_ws, name); };
    dialog.beforeStoring = [this](int page) { m_ws.snapshots.keepStored(page); };
    dialog.setFileNames(arguments);
    if (dialog.entryCount() > 0 && options.fillBlankPages != 0) {
        fillBlankPages(dialog);
        if (dialog.entryCount() == 0)
            return;
    }
    dialog.centreOnScreen();
    dialog.exec();
}

bool CommandLineIntake::intoLastPage(const QString& name) {
    // Only an ordinary file qualifies (a folder, a pipe or a device does not),
    // and only one that can be read: a page is never emptied by a file that
    // is not there.
    if (name.isEmpty() || !QFileInfo(name).isFile())
        return false;
    const textfile::ReadResult file = textfile::ReadTextFile(name);
    if (file.failure == textfile::TooLarge) {
        // The file was named for this page: it is offered to the text editor.
        offerTextEditor(m_ws, name);
        return true;
    }
    if (!file.ok())
        return false;
    // The page start-up shows next.
    const int page = keys::shownPage(m_ws.store);
    m_ws.snapshots.keepStored(page); // the page as it was, before the file replaces it
    // Refused by the store: the dialog offers the file instead.
    return m_ws.store.WriteSetting(keys::page(page), file.text);
}

void CommandLineIntake::fillBlankPages(DistributionDialog& dialog) {
    int next = 0; // the first entry not tried yet
    for (int page = 1; page <= 9 && next < dialog.entryCount(); ++page) {
        if (!m_ws.store.ReadSetting(keys::page(page), QString()).isEmpty())
            continue; // a page with text is never overwritten
        while (next < dialog.entryCount()) {
            const QString name = dialog.entryName(next);
            const textfile::ReadResult file =
                name.isEmpty() ? textfile::ReadResult{QString(), textfile::BadFileName}
                               : textfile::ReadTextFile(name);
            if (file.failure == textfile::TooLarge) {
                // Offered to the text editor now; no page waits for it.
                offerTextEditor(m_ws, name);
                dialog.removeEntry(next);
                continue;
            }
            if (!file.ok()) {
                ++next; // left for the dialog, where a transfer says what is wrong
                continue;
            }
            // A store that refuses the page leaves this and every later
            // entry to the dialog, where a transfer says what is wrong.
            if (!m_ws.store.WriteSetting(keys::page(page), file.text))
                return;
            dialog.removeEntry(next);
            break;
        }
    }
}
