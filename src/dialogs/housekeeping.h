#pragma once

struct Workspace;

// The options dialog, help, homepage, version, and the uninstall preparation.
class HousekeepingCommands {
public:
    explicit HousekeepingCommands(Workspace& ws) : m_ws(ws) {}
    void ComlineOP_Click(); // options_dialog.cpp
    void VrInfo_Click();
    void Help_Click();
    void HP_Click();
    void Uninst_Click();

private:
    Workspace& m_ws;
};
