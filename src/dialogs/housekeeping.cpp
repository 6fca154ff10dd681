#include "dialogs/housekeeping.h"

#include "dialogs/history_dialog.h"
#include "dialogs/options_dialog.h"
#include "session/recovery_file.h"
#include "session/workspace.h"
#include "store/keys.h"
#include "store/page_history.h"
#include "store/settings_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifndef SORABUN_VERSION
#define SORABUN_VERSION "0.24"
#endif

namespace {

const QString UninstallTitle = QStringLiteral("アンインストール");

} // namespace

QString HousekeepingCommands::helpFileName() {
    return QStringLiteral("Velmirahelp.html");
}
QString HousekeepingCommands::desktopOpener() {
    return QStringLiteral("xdg-open");
}
QString HousekeepingCommands::homePage() {
    return QStringLiteral("https://sorabun.example.org/");
}

// ---- options and the page history ---------------------------------------------

void HousekeepingCommands::showOptions() {
    // Owned by the main window, so it stays above it and out of the taskbar.
    OptionsDialog dialog(m_ws.state, &m_ws.window);
    dialog.centreOnScreen();
    dialog.exec();
}

void HousekeepingCommands::showPageHistory() {
    HistoryDialog dialog(m_ws);
    dialog.listSnapshots();
    dialog.exec();
}

// ---- version ------------------------------------------------------------------

void HousekeepingCommands::showVersion() {
    const QString text = QStringLiteral("Sorabun Version ") + QStringLiteral(SORABUN_VERSION) +
                         QStringLiteral("       ") + QStringLiteral("\r\n\r\n") +
                         QStringLiteral("作者: Sorabun 開発チーム");
    m_ws.platform.prompts.notice(text, QStringLiteral("バージョン情報"));
}

// ---- help and homepage --------------------------------------------------------

QStringList HousekeepingCommands::defaultHelpDirectories() {
    QStringList dirs;
    if (QCoreApplication::instance())
        dirs << QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                QStringLiteral("/../share/sorabun"));
#ifdef SORABUN_DATADIR
    const QString installed = QDir::cleanPath(QStringLiteral(SORABUN_DATADIR));
    if (!dirs.contains(installed))
        dirs << installed;
#endif
    return dirs;
}

QString HousekeepingCommands::findHelpDocument(const QStringList& directories) {
    for (const QString& dir : directories) {
        if (dir.isEmpty())
            continue;
        const QFileInfo doc(QDir(dir).filePath(helpFileName()));
        if (doc.isFile() && doc.isReadable())
            return QDir::cleanPath(doc.absoluteFilePath());
    }
    return QString();
}

void HousekeepingCommands::showHelp() {
    const QString doc =
        findHelpDocument(helpDirectories.isEmpty() ? defaultHelpDirectories() : helpDirectories);
    if (doc.isEmpty()) {
        m_ws.platform.prompts.notice(QStringLiteral("ヘルプファイル（") + helpFileName() +
                                     QStringLiteral("）が見つかりませんでした。\r\n"
                                                    "Sorabun をインストールし直してください。"));
        return;
    }
    if (!m_ws.platform.launcher.start(desktopOpener(), {doc},
                                      Launcher::WindowState::MinimizedActive))
        m_ws.platform.prompts.notice(QStringLiteral("ヘルプを表示するプログラム（") +
                                     desktopOpener() +
                                     QStringLiteral("）を起動できませんでした。\r\n"
                                                    "次のファイルをブラウザーで開いてください: ") +
                                     doc);
}

void HousekeepingCommands::openHomePage() {
    if (!m_ws.platform.launcher.start(desktopOpener(), {homePage()},
                                      Launcher::WindowState::MinimizedActive))
        m_ws.platform.prompts.notice(QStringLiteral("ホームページを開くプログラム（") +
                                     desktopOpener() +
                                     QStringLiteral("）を起動できませんでした。\r\n"
                                                    "次のアドレスをブラウザーで開いてください: ") +
                                     homePage());
}

// ---- uninstall preparation ------------------------------------------------------

// True when a key of the program can still be read back after the erase: the
// erase failed (the store was locked or refused the change) and the memo is
// still there.
bool HousekeepingCommands::programDataLeft() const {
    const SettingsStore& store = m_ws.store;
    if (!store.isOpen())
        return false; // removed with its files, or there never was one
    const QString absent(QChar(0xFFFF));
    for (const QString& key : keys::all())
        if (store.ReadSetting(key, absent) != absent)
            return true;
    return false;
}

void HousekeepingCommands::prepareUninstall() {
    Prompts& prompts = m_ws.platform.prompts;
    const QString question =
        QStringLiteral("この操作をするとメモの内容がすべて削除されます。アンインストールの際は"
                       "必ずこの動作を行ってからアンインストールしてください") +
        QStringLiteral("\r\n") + QStringLiteral("アンインストールの準備を行ってよろしいですか？");
    if (!prompts.ask(question, UninstallTitle))
        return;

    SettingsStore& store = m_ws.store;
    store.DeleteAllSettings();
    // Closed and gone when nothing of anyone else is left in it: whatever
    // happens in this process from here on can no longer write a key back.
    store.removeIfEmpty();

    if (programDataLeft()) {
        // Nothing was erased: saying it was would leave the memo behind after
        // the program is removed. The program runs on and keeps everything.
        prompts.notice(
            QStringLiteral("メモの内容を削除できませんでした。メモはそのまま残っています。"
                           "\r\n"
                           "ほかに Sorabun を起動している場合はすべて終了してから、"
                           "もう一度アンインストールの準備を行ってください。"),
            UninstallTitle);
        return;
    }

    // The pages' history and damaged stores kept aside hold memo text too:
    // they go with the rest.
    // What cannot go is named, so nothing stays behind unsaid.
    QStringList staying = m_ws.snapshots.history().erase();
    for (QString& file : staying)
        file = QDir::toNativeSeparators(file);
    staying += eraseLeftovers(store.path());
    QString done = QStringLiteral("アンインストールの準備が完了しました。アプリケーションの追加と"
                                  "削除からSorabunをアンインストールしてください。");
    if (!staying.isEmpty())
        done += QStringLiteral("\r\n\r\n次のファイルには以前のメモが残っています。"
                               "不要であれば削除してください:\r\n") +
                staying.join(QStringLiteral("\r\n"));
    prompts.notice(done);
    m_ws.platform.endProcess();
}

QStringList HousekeepingCommands::eraseLeftovers(const QString& storePath) {
    QStringList staying;
    for (const QString& copy : SettingsStore::keptAsideCopies(storePath)) {
        const QFileInfo info(copy);
        if ((info.isFile() || info.isSymLink()) && QFile::remove(copy))
            continue;
        staying << QDir::toNativeSeparators(copy);
    }
    for (const QString& folder : {recovery::recoveryFolder(), recovery::runtimeFolder()})
        if (!folder.isEmpty() && QFileInfo(folder).isDir() && !QDir(folder).isEmpty())
            staying << QDir::toNativeSeparators(folder);
    return staying;
}
