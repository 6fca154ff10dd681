#include "app/program.h"

#include <QApplication>

#include <unistd.h>

QIcon programIcon() {
    QIcon compiledIn(QStringLiteral(":/icons/sorabun.svg"));
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        compiledIn.addFile(QStringLiteral(":/icons/%1x%1/sorabun.png").arg(size),
                           QSize(size, size));
    return QIcon::fromTheme(QStringLiteral("sorabun"), compiledIn);
}

namespace {
// Names the application, its icon and its Japanese texts before the window is
// made. The store's path depends on none of them: it is always
// sorabun/store.sqlite in the user's configuration folder.
QString nameApplication() {
    QApplication::setApplicationName(QStringLiteral("Sorabun"));
    QApplication::setDesktopFileName(QStringLiteral("sorabun"));
    QApplication::setWindowIcon(programIcon());
    // The window's shut-down ends the program, not the last window closing.
    QApplication::setQuitOnLastWindowClosed(false);
    installJapaneseTranslation();
    return SettingsStore::defaultPath();
}
} // namespace

Program::Program()
    : m_store(nameApplication()), m_platform{m_prompts, m_com, m_launcher, m_clipboard,
                                             [] { ::_exit(0); }},
      m_window(std::make_unique<MainWindow>(m_store, m_platform)) {
    m_prompts.setParent(m_window.get());
    m_com.setParent(m_window.get());
}

Program::~Program() = default;
