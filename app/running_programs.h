#pragma once
// Makes sure no watched mail program runs before a backup or restore.
#include <vector>
#include "controls.h"
#include "dialog.h"
#include "watch_list.h"

// True when the caller may go on: nothing watched runs (or the process list cannot
// be taken), or the user chose Ignore; false when the user cancelled.
bool CheckRunningPrograms();

class CProcessListDialog : public CDialog {
public:
    CProcessListDialog(const std::vector<ProcessEntry>& processes, CWnd* parent);
    std::vector<ProcessEntry> processes;
    bool ignoreChosen = false;
    CListCtrl processList;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnTerminateAll();
    void OnRetry();
    void OnIgnore();
    DECLARE_MESSAGE_MAP()
};
