#include "files/file_commands.h"

#include "files/text_file.h"
#include "platform/long_work.h"
#include "session/workspace.h"

#include <QAbstractTextDocumentLayout>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPrinter>
#include <QTextDocument>
#include <QTextOption>

#include <new>
#include <optional>

namespace {

const QString FileFilter =
    QStringLiteral("テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*");
const QString OpenTitle = QStringLiteral("開く");
const QString OutputTitle = QStringLiteral("ファイルに出力");
const QString ReadingLabel = QStringLiteral("ファイルを読み込んでいます…");

// The desktop's handler for text files stands for the system text editor.
const QString TextEditor = QStringLiteral("xdg-open");

// Print dialog flags: copies by the driver, no page numbers, and the
// selection range either preselected or not offered.
constexpr int PrintWithSelection = CommonDialog::PrintUseDevModeCopies |
                                   CommonDialog::PrintNoPageNums | CommonDialog::PrintSelection;
constexpr int PrintWithoutSelection = CommonDialog::PrintUseDevModeCopies |
                                      CommonDialog::PrintNoPageNums |
                                      CommonDialog::PrintNoSelection;
static_assert(PrintWithSelection == 0x40009 && PrintWithoutSelection == 0x4000c);

// Sets a view's whole text; false when the view could not take it (it then
// keeps what it had, as far as the toolkit allows).
bool setViewText(TextView& view, const QString& text) {
    try {
        view.setText(text);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

QString unrepresentableQuestion(qsizetype missing) {
    return QStringLiteral("このページにはシフトJISで表せない文字が %1 個あります。\r\n"
                          "はい＝UTF-8で出力（すべての文字をそのまま）\r\n"
                          "いいえ＝それらを「?」に置き換えてシフトJISで出力\r\n"
                          "キャンセル＝出力しない")
        .arg(missing);
}

} // namespace

void offerTextEditor(Workspace& ws, const QString& path) {
    if (!ws.platform.prompts.ask(
            QStringLiteral("ファイルが大きすぎます。ファイルのパスをワードパットに送りますか？"),
            OpenTitle))
        return;
    // An absolute path can never be taken for an option of the editor.
    const QString file = QFileInfo(path).absoluteFilePath();
    if (!ws.platform.launcher.start(TextEditor, {file}, Launcher::WindowState::MinimizedActive))
        ws.platform.prompts.notice(
            QStringLiteral("テキストエディターを起動できませんでした。\r\n") + file, OpenTitle);
}

FileCommands::Opened FileCommands::openAndRead() {
    CommonDialog& com = m_ws.platform.com;
    com.flags = CommonDialog::HideReadOnly;
    com.filter = FileFilter;
    com.dialogTitle = OpenTitle;
    if (!com.showOpen())
        return {};
    const QString path = com.fileName;
    LongWork::startsNow();
    textfile::ReadResult file = textfile::ReadTextFile(path);
    if (file.failure == textfile::TooLarge)
        return {QString(), path, true};
    if (!file.ok()) {
        m_ws.platform.prompts.notice(textfile::failureMessage(file.failure));
        return {};
    }
    m_ws.state.lastOpenedFile = path;
    return {std::move(file.text), path, false};
}

void FileCommands::openIntoPage() {
    const LongWork work(ReadingLabel);
    const Opened opened = openAndRead();
    Views& views = m_ws.views;
    bool tooLarge = opened.tooLarge || opened.text.size() > m_maxViewUnits;
    if (!tooLarge) {
        if (opened.text.isEmpty())
            return;
        m_ws.snapshots.keepShown(); // the page as it was, before the file replaces it
        // The wrapped view first, then the same text into the unwrapped one; a view that took the
        // text keeps it even when the other one cannot.
        tooLarge = !setViewText(views.wrappedView, opened.text);
        if (!tooLarge) {
            m_ws.state.undoAvailable = false;
            tooLarge = !setViewText(views.unwrappedView, opened.text);
        }
    }
    if (tooLarge)
        offerTextEditor(m_ws, opened.path);
}

void FileCommands::insertFileAtCaret() {
    Views& views = m_ws.views;
    TextView& shown = views.visible();
    if (shown.selLength() > 0 && !m_ws.platform.prompts.ask(QStringLiteral(
                                     "現在選択されている範囲は削除してよろしいですか？\r\n"
                                     "はい＝選択範囲を消してそこに挿入\r\n"
                                     "いいえ＝選択範囲の一番はじめの位置に挿入")))
        shown.setSelLength(0);

    const LongWork work(ReadingLabel);
    const Opened opened = openAndRead();
    // A file the views cannot take changes nothing, not even the selection.
    bool tooLarge = opened.tooLarge ||
                    shown.textLength() - shown.selLength() > m_maxViewUnits - opened.text.size();
    if (!tooLarge) {
        m_ws.snapshots.beforeSelectionReplaced();
        try {
            shown.replaceSelection(opened.text);
        } catch (const std::bad_alloc&) {
            tooLarge = true;
        }
    }
    if (!tooLarge) {
        m_ws.state.undoAvailable = false;
        tooLarge = !setViewText(views.hidden(), shown.text());
    }
    if (tooLarge)
        offerTextEditor(m_ws, opened.path);
}

void FileCommands::writeToFile() {
    CommonDialog& com = m_ws.platform.com;
    com.flags = CommonDialog::HideReadOnly;
    com.filter = FileFilter;
    com.dialogTitle = OutputTitle;
    if (!com.showSave())
        return;
    const QString path = com.fileName;

    // Only an ordinary file (read-only and hidden ones included) counts as
    // existing; a folder or device of that name is a failure.
    const QFileInfo existing(path);
    if (existing.exists()) {
        if (!existing.isFile()) {
            m_ws.platform.prompts.notice(textfile::failureMessage(textfile::PathFileAccess));
            return;
        }
        if (!m_ws.platform.prompts.ask(
                QStringLiteral("そのファイルは存在しています、上書きしてよろしいですか？"),
                QStringLiteral("上書き確認")))
            return;
    }

    int failure = textfile::None;
    try {
        const std::optional<QByteArray> bytes = bytesToWrite(m_ws.views.visible().text());
        if (!bytes)
            return;
        failure = textfile::writeWhole(path, *bytes);
    } catch (const std::bad_alloc&) {
        failure = textfile::OutOfMemory;
    }
    if (failure != textfile::None)
        m_ws.platform.prompts.notice(textfile::failureMessage(failure));
}

std::optional<QByteArray> FileCommands::bytesToWrite(const QString& page) {
    const QString text = page + QStringLiteral("\r\n");
    // Characters that code page 932 cannot hold would otherwise be written as
    // a substitute, a look-alike or not at all; the user decides first.
    const qsizetype missing = textfile::countUnrepresentable(text);
    if (!missing)
        return textfile::encode(text);
    switch (m_ws.platform.prompts.messageBox(unrepresentableQuestion(missing), OutputTitle,
                                             Prompts::Buttons::YesNoCancel)) {
    case Prompts::Answer::Yes:
        return textfile::encodeUtf8(text);
    case Prompts::Answer::No:
        return textfile::encode(textfile::replaceUnrepresentable(text));
    default:
        return std::nullopt;
    }
}

bool printText(QPrinter& printer, const QString& text) {
    // Every kind of line end breaks the line on paper.
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(u'\r', u'\n');

    QTextDocument doc;
    // Laid out for the printer itself, so the font has its real size on
    // paper and a page of the document is a page of paper within the
    // printer's margins. A document with a page size of its own is printed
    // without the page numbers the toolkit otherwise adds. The document keeps
    // its own small default margin: without it a line pushed to the next page
    // would also be put, clipped, at the foot of the page before (a search in
    // a PDF printout would find it twice).
    doc.documentLayout()->setPaintDevice(&printer);
    QTextOption option = doc.defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(8 *
                              QFontMetricsF(doc.defaultFont(), &printer).horizontalAdvance(u' '));
    doc.setDefaultTextOption(option);
    // The item's own line end closes the document's last line.
    doc.setPlainText(lines);
    const QSizeF page = printer.pageRect(QPrinter::DevicePixel).size();
    if (page.isEmpty())
        return false;
    doc.setPageSize(page);
    doc.print(&printer);
    return true;
}

void FileCommands::print() {
    CommonDialog& com = m_ws.platform.com;
    TextView& shown = m_ws.views.visible();
    com.flags = shown.selLength() > 0 ? PrintWithSelection : PrintWithoutSelection;
    if (!com.showPrinter())
        return;
    const QString text =
        (com.flags & CommonDialog::PrintSelection) ? shown.selText() : shown.text();
    // Print queues and PDF printers show the job under the title bar's name.
    com.printer().setDocName(QStringLiteral("Sorabun - ") +
                             QString::number(m_ws.state.currentPage));
    try {
        printText(com.printer(), text);
    } catch (const std::bad_alloc&) {
        // Printing fails silently.
    }
}
