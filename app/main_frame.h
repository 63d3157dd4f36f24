#pragma once
// Korvane's main window: the ribbon, the list of backup items between it and the
// status bar, and the commands.
#include <atomic>
#include <vector>
#include "child_view.h"
#include "frame.h"
#include "profiles.h"
#include "ribbon.h"
#include "scheduler_project.h"
#include "thread.h"

class BackupItem;

class CMainFrame : public CFrameWnd {
public:
    CMainFrame();

    SchedulerProject schedulerProject{};  // the scheduler pages' record
    std::atomic<bool> itemSizeThread{false};  // true while ItemSizeThreadProc runs
    bool closing = false;                     // the user has confirmed the exit
    ProfileManager profiles;
    CCriticalSection lock;  // the timer and destroy handlers
    std::vector<BackupItem*> items;  // owned; deleted when the window is destroyed
    CChildView view;
    CMFCRibbonBar ribbon;
    CMFCRibbonApplicationButton mainButton;
    CMFCRibbonStatusBar statusBar;

    // Counts the commands in progress, so a close waits for them (see OnClose).
    BOOL OnCmdMsg(UINT id, UINT code, bool probe = false) override;

protected:
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    int OnCreate(CREATESTRUCTW* cs);
    void OnClose();
    void OnTimer(UINT_PTR id);
    void OnDestroy();
    LRESULT OnItemState(WPARAM row, LPARAM state);
    LRESULT OnItemAdd(WPARAM, LPARAM item);
    LRESULT OnItemSize(WPARAM row, LPARAM size);
    void InitializeRibbon();

    void OnBackup();
    void OnRestoreWizard();
    void OnSelectAll();
    void OnSelectNone();
    void OnSelectProfile();
    void OnArchiveSettings();
    void OnCustomFolder();
    void OnOnlineSupport();
    void OnTrayExit();
    void OnNoAction() {}
    DECLARE_MESSAGE_MAP()

private:
    friend UINT ItemSizeThreadProc(LPVOID frame);
    // A copy of the current profile; empty when the current name is unknown.
    Profile CurrentProfile() const;

    // What the size worker works on, fixed before it starts: the items as they were
    // and the profile then current. Custom folders added meanwhile are not its concern.
    std::vector<BackupItem*> sizingItems_;
    Profile sizingProfile_;
    std::atomic<bool> stopSizing_{false};
    int commandDepth_ = 0;
};

// Adds a row for every item the profile checks, then sizes them one by one. The
// rows change only through messages to the frame; a stop is seen between items.
UINT ItemSizeThreadProc(LPVOID frame);
