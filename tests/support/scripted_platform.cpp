#include "support/scripted_platform.h"

#include <QTest>

namespace {
void fail(const QString& what) {
    QTest::qFail(qPrintable(what), __FILE__, __LINE__);
}
} // namespace

ScriptedPrompts::~ScriptedPrompts() {
    if (!m_answers.isEmpty() || !m_inputs.isEmpty())
        qWarning("ScriptedPrompts: answers left over at the end of the test");
}

Prompts::Answer ScriptedPrompts::messageBox(const QString& text, const QString& title,
                                            Buttons buttons, Answer defaultButton) {
    PromptCall call{PromptCall::Message, text, title, buttons, defaultButton, {}};
    calls.append(call);
    if (onPrompt)
        onPrompt(call);
    if (m_answers.isEmpty()) {
        fail(QStringLiteral("unexpected message box: [%1] %2").arg(title, text));
        switch (buttons) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::YesNo:
            return Answer::No;
        case Buttons::YesNoCancel:
            return Answer::Cancel;
        }
        return Answer::No;
    }
    const Answer a = m_answers.dequeue();
    const bool offered = buttons == Buttons::Ok
                             ? a == Answer::Ok
                             : a == Answer::Yes || a == Answer::No ||
                                   (a == Answer::Cancel && buttons == Buttons::YesNoCancel);
    if (!offered)
        fail(QStringLiteral("an answer the box does not offer: [%1] %2").arg(title, text));
    return a;
}

QString ScriptedPrompts::inputBox(const QString& prompt, const QString& title,
                                  const QString& defaultText) {
    PromptCall call{PromptCall::Input, prompt, title, Buttons::Ok, Answer::Ok, defaultText};
    calls.append(call);
    if (onPrompt)
        onPrompt(call);
    if (m_inputs.isEmpty()) {
        fail(QStringLiteral("unexpected input box: [%1] %2").arg(title, prompt));
        return QString();
    }
    return m_inputs.dequeue();
}

void ScriptedPrompts::verifyDone() {
    if (!m_answers.isEmpty() || !m_inputs.isEmpty())
        fail(QStringLiteral("%1 prompt answer(s) were never asked for")
                 .arg(m_answers.size() + m_inputs.size()));
    m_answers.clear();
    m_inputs.clear();
    calls.clear();
}

ScriptedCommonDialog::ScriptedCommonDialog() : m_printer(std::make_unique<QPrinter>()) {}
ScriptedCommonDialog::~ScriptedCommonDialog() = default;

void ScriptedCommonDialog::printToPdf(const QString& path) {
    m_printer->setOutputFormat(QPrinter::PdfFormat);
    m_printer->setOutputFileName(path);
}

bool ScriptedCommonDialog::takeFile(const char* what) {
    shown << QString::fromLatin1(what);
    flagsShown << flags;
    if (m_files.isEmpty()) {
        fail(QStringLiteral("unexpected %1 dialog").arg(QString::fromLatin1(what)));
        return false;
    }
    const QString path = m_files.dequeue();
    if (path.isEmpty())
        return false;
    fileName = path;
    return true;
}

bool ScriptedCommonDialog::showOpen() {
    return takeFile("open");
}
bool ScriptedCommonDialog::showSave() {
    return takeFile("save");
}

bool ScriptedCommonDialog::showFont() {
    shown << QStringLiteral("font");
    flagsShown << flags;
    if (m_fonts.isEmpty()) {
        fail(QStringLiteral("unexpected font dialog"));
        return false;
    }
    auto choose = m_fonts.dequeue();
    if (!choose)
        return false;
    choose(*this);
    return true;
}

bool ScriptedCommonDialog::showPrinter() {
    shown << QStringLiteral("print");
    flagsShown << flags;
    if (m_prints.isEmpty()) {
        fail(QStringLiteral("unexpected print dialog"));
        return false;
    }
    const auto [ok, selection] = m_prints.dequeue();
    if (!ok)
        return false;
    flags = selection ? (flags | PrintSelection) : (flags & ~PrintSelection);
    return true;
}

void ScriptedCommonDialog::verifyDone() {
    if (!m_files.isEmpty() || !m_fonts.isEmpty() || !m_prints.isEmpty())
        fail(QStringLiteral("common dialog answers were never asked for"));
    m_files.clear();
    m_fonts.clear();
    m_prints.clear();
}
