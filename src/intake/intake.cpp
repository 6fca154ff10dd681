#include "intake/intake.h"

#include "editor/pages_menu.h"
#include "editor/workspace.h"
#include "files/file_commands.h"
#include "files/text_file.h"
#include "intake/distribution_dialog.h"
#include "store/keys.h"

#include <QFileInfo>

void CommandLineIntake::run(const QStringList& arguments) {
    const AppState& options = m_ws.state;
    // The names together make the empty string only when there are none.
    if (arguments.join(u' ').isEmpty() || options.ComLine != 0)
        return;
    // An option is on when it is not 0, as the options dialog shows it.
    if (arguments.size() == 1 && options.NoeNumOP != 0 && intoLastPage(arguments.constFirst()))
        return;

    DistributionDialog form3(m_ws.store, m_ws.platform.prompts);
    form3.tooLarge = [this](const QString& name) { offerTextEditor(m_ws, name); };
    form3.beforeStoring = [this](int page) { m_ws.snapshots.keepStored(page); };
    form3.setFileNames(arguments);
    if (form3.entryCount() > 0 && options.AutoOP != 0) {
        fillBlankPages(form3);
        if (form3.entryCount() == 0)
            return;
    }
    form3.centreOnScreen();
    form3.exec();
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

void CommandLineIntake::fillBlankPages(DistributionDialog& form3) {
    int next = 0; // the first entry not tried yet
    for (int page = 1; page <= 9 && next < form3.entryCount(); ++page) {
        if (!m_ws.store.ReadSetting(keys::page(page), QString()).isEmpty())
            continue; // a page with text is never overwritten
        while (next < form3.entryCount()) {
            const QString name = form3.entryName(next);
            const textfile::ReadResult file =
                name.isEmpty() ? textfile::ReadResult{QString(), textfile::BadFileName}
                               : textfile::ReadTextFile(name);
            if (file.failure == textfile::TooLarge) {
                // Offered to the text editor now; no page waits for it.
                offerTextEditor(m_ws, name);
                form3.removeEntry(next);
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
            form3.removeEntry(next);
            break;
        }
    }
}
