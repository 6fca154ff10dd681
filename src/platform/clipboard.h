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

// A clipboard of the program's own, shared with nobody: for runs that must
// not touch the desktop's (tests, measurements).
class MemoryClipboard : public Clipboard {
public:
    QString text() const override { return m_text; }
    void setText(const QString& t) override { m_text = t; }
    void clear() override { m_text.clear(); }

private:
    QString m_text;
};
