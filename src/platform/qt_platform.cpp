#include "platform/clipboard.h"
#include "platform/common_dialog.h"
#include "platform/launcher.h"
#include "platform/prompts.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QInputDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPrinter>
#include <QProcess>
#include <QTranslator>

Prompts::Answer QtPrompts::messageBox(const QString& text, const QString& title, Buttons buttons,
                                      Answer defaultButton) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::NoButton, m_parent);
    if (buttons == Buttons::Ok) {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.exec();
        return Answer::Ok;
    }
    const bool cancel = buttons == Buttons::YesNoCancel;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No |
                           (cancel ? QMessageBox::Cancel : QMessageBox::NoButton));
    switch (defaultButton) {
    case Answer::No:
        box.setDefaultButton(QMessageBox::No);
        break;
    case Answer::Cancel:
        box.setDefaultButton(cancel ? QMessageBox::Cancel : QMessageBox::No);
        break;
    default:
        box.setDefaultButton(QMessageBox::Yes);
    }
    // Esc and the close box answer the safest choice.
    box.setEscapeButton(cancel ? QMessageBox::Cancel : QMessageBox::No);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return cancel ? Answer::Cancel : Answer::No;
    }
}

QString QtPrompts::inputBox(const QString& prompt, const QString& title,
                            const QString& defaultText) {
    QInputDialog dialog(m_parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    dialog.setInputMode(QInputDialog::TextInput);
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}

bool QtLauncher::start(const QString& program, const QStringList& arguments, WindowState) {
    // The window state is the started program's own business on this desktop;
    // what matters is that it runs on its own and nothing waits for it.
    return QProcess::startDetached(program, arguments);
}

QString QtClipboard::text() const {
    return QApplication::clipboard()->text();
}
void QtClipboard::setText(const QString& text) {
    QApplication::clipboard()->setText(text);
}
void QtClipboard::clear() {
    QApplication::clipboard()->clear();
}

CommonDialog::~CommonDialog() = default;

QtCommonDialog::QtCommonDialog(QWidget* parent) : m_parent(parent) {}
QtCommonDialog::~QtCommonDialog() = default;

QString nameFiltersFromFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts[i + 1];
        pattern.replace(u';', u' ');
        if (pattern == u"*.*")
            pattern = QStringLiteral("*");
        filters << parts[i] + QStringLiteral(" (") + pattern + u')';
    }
    return filters.join(QStringLiteral(";;"));
}

bool QtCommonDialog::showFile(bool save) {
    QFileDialog dialog(m_parent, dialogTitle);
    // Each entry is shown by its description alone, as the filter names it
    // ("テキストファイル(*.txt)"), and filters by its pattern.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilter(nameFiltersFromFilter(filter));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // The commands check existence and ask about overwriting themselves.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!fileName.isEmpty())
        dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    fileName = dialog.selectedFiles().constFirst();
    return true;
}

bool QtCommonDialog::showOpen() {
    return showFile(false);
}
bool QtCommonDialog::showSave() {
    return showFile(true);
}

QPrinter& QtCommonDialog::printer() {
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

bool installJapaneseTranslation() {
    static QTranslator translator;
    static const bool loaded =
        translator.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(&translator);
    return loaded;
}
