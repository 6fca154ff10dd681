#pragma once

#include <QString>

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // The clipboard's plain text; empty when it holds no text.
    virtual QString text() const = 0;
    virtual void setText(const QString& text) = 0;
    // Empties the clipboard, all formats.
    virtual void clear() = 0;
};

class QtClipboard : public Clipboard {
public:
    QString text() const override;
    void setText(const QString& text) override;
    void clear() override;
};
