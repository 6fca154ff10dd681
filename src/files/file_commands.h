#pragma once

#include <QString>

struct Workspace;

// Opening a file into the page or at the caret, output to a file, printing.
class FileCommands {
public:
    explicit FileCommands(Workspace& ws) : m_ws(ws) {}
    QString OpenAndReadFile();
    void OpenText_Click();
    void IntoText_Click();
    void FileOut_Click();
    void PrintOut_Click();

private:
    Workspace& m_ws;
};
