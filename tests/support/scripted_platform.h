#pragma once

#include "platform/platform.h"

#include <QPrinter>
#include <QQueue>
#include <QStringList>
#include <functional>
#include <memory>

// Test doubles for the platform seams. Each records every call; the ones
// where a person would answer take their answers from a queue. A call that
// finds no answer queued, or an answer left over at the end, fails the test.

struct PromptCall {
    enum Kind { Message, Input } kind;
    QString text;
    QString title;
    Prompts::Buttons buttons = Prompts::Buttons::Ok;
    Prompts::Answer defaultButton = Prompts::Answer::Yes;
    QString defaultText;
};

class ScriptedPrompts : public Prompts {
public:
    ~ScriptedPrompts() override;
    void answer(Answer a) { m_answers.enqueue(a); }
    void answerInput(const QString& text) { m_inputs.enqueue(text); }
    Answer messageBox(const QString& text, const QString& title, Buttons buttons,
                      Answer defaultButton = Answer::Yes) override;
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultText) override;
    // Fails the test when answers are left over; clears the record.
    void verifyDone();

    QList<PromptCall> calls;
    // Runs inside a message box, as if the user looked at the window meanwhile.
    std::function<void(const PromptCall&)> onPrompt;

private:
    QQueue<Answer> m_answers;
    QQueue<QString> m_inputs;
};

class ScriptedCommonDialog : public CommonDialog {
public:
    ScriptedCommonDialog();
    ~ScriptedCommonDialog() override;
    // Next Open or Save dialog: the path chosen (empty = Cancel).
    void chooseFile(const QString& path) { m_files.enqueue(path); }
    void cancelFile() { m_files.enqueue(QString()); }
    // Next font dialog: a function that sets the properties as a user would
    // (null = Cancel).
    void chooseFont(std::function<void(CommonDialog&)> choose) {
        m_fonts.enqueue(std::move(choose));
    }
    // Next print dialog: OK with the given flags out (or Cancel).
    void choosePrint(bool ok, bool selection) { m_prints.enqueue({ok, selection}); }
    void verifyDone();

    bool showOpen() override;
    bool showSave() override;
    bool showFont() override;
    bool showPrinter() override;
    QPrinter& printer() override { return *m_printer; }
    // Printing goes to this PDF file.
    void printToPdf(const QString& path);

    QStringList shown; // "open", "save", "font", "print" in order
    QList<int> flagsShown;

private:
    bool takeFile(const char* what);
    QQueue<QString> m_files;
    QQueue<std::function<void(CommonDialog&)>> m_fonts;
    QQueue<QPair<bool, bool>> m_prints;
    std::unique_ptr<QPrinter> m_printer;
};

class ScriptedLauncher : public Launcher {
public:
    struct Call {
        QString program;
        QStringList arguments;
        WindowState state;
    };
    bool start(const QString& program, const QStringList& arguments,
               WindowState state = WindowState::Normal) override {
        calls.append({program, arguments, state});
        return startResult(program);
    }
    QList<Call> calls;
    std::function<bool(const QString&)> startResult = [](const QString&) { return true; };
};
