#pragma once

#include <QString>

// Message boxes and the input box: every place where the program asks the
// user something or tells them something.
class Prompts {
public:
    enum class Buttons { Ok, YesNo, YesNoCancel };
    enum class Answer { Ok, Yes, No, Cancel };

    virtual ~Prompts() = default;
    // Shows text with the given title and buttons and no icon; returns the button pressed.
    // Closing a Yes/No box without a choice answers No; closing a box with
    // Cancel answers Cancel.
    virtual Answer messageBox(const QString& text, const QString& title, Buttons buttons,
                              Answer defaultButton = Answer::Yes) = 0;
    // A one-line input box with OK and Cancel; Cancel gives the empty text.
    virtual QString inputBox(const QString& prompt, const QString& title,
                             const QString& defaultText) = 0;

    // A notice: one OK button. The title is the program's own unless the
    // command has a name of its own.
    void notice(const QString& text, const QString& title = QStringLiteral("Sorabun")) {
        messageBox(text, title, Buttons::Ok, Answer::Ok);
    }
    // A question: Yes and No, Yes the default; true for Yes.
    bool ask(const QString& text, const QString& title = QStringLiteral("Sorabun")) {
        return messageBox(text, title, Buttons::YesNo, Answer::Yes) == Answer::Yes;
    }
};

// The one window that owns the prompts (their parent); may be null.
class QWidget;

class QtPrompts : public Prompts {
public:
    explicit QtPrompts(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    Answer messageBox(const QString& text, const QString& title, Buttons buttons,
                      Answer defaultButton = Answer::Yes) override;
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultText) override;

private:
    QWidget* m_parent;
};

// Loads Qt's own Japanese texts, so standard buttons read はい, いいえ, キャンセル.
bool installJapaneseTranslation();
