#pragma once

#include "platform/platform.h"

#include <QPrinter>
#include <QStringList>
#include <chrono>
#include <memory>

// The platform seams as a benchmark needs them: every question is answered at
// once with its default button, the Open dialog returns the file queued, and
// the moment of the last message is kept.
namespace bench {

using Clock = std::chrono::steady_clock;

class AnsweringPrompts : public Prompts {
public:
    Answer messageBox(const QString& text, const QString&, Buttons buttons,
                      Answer defaultButton) override {
        lastMessage = text;
        lastMessageAt = Clock::now();
        ++messages;
        return buttons == Buttons::Ok ? Answer::Ok : defaultButton;
    }
    QString inputBox(const QString&, const QString&, const QString& defaultText) override {
        return defaultText;
    }
    QString lastMessage;
    Clock::time_point lastMessageAt;
    int messages = 0;
};

class ChoosingDialog : public CommonDialog {
public:
    bool showOpen() override {
        if (files.isEmpty())
            return false;
        fileName = files.takeFirst();
        return true;
    }
    bool showSave() override { return showOpen(); }
    bool showFont() override { return false; }
    bool showPrinter() override { return false; }
    QPrinter& printer() override {
        if (!m_printer)
            m_printer = std::make_unique<QPrinter>();
        return *m_printer;
    }
    QStringList files;

private:
    std::unique_ptr<QPrinter> m_printer;
};

class NoLauncher : public Launcher {
public:
    bool start(const QString&, const QStringList&, WindowState) override { return false; }
};

} // namespace bench
