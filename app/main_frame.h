#pragma once
// Korvane's main window: the ribbon, the list of backup items between it and the
// status bar, and the commands.
#include <atomic>
#include <deque>
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

    SchedulerProject schedulerProject{};      // the scheduler pages' record
    std::atomic<bool> itemSizeThread{false};  // true while ItemSizeThreadProc runs
    bool closing = false;                     // the user has confirmed the exit
    ProfileManager profiles;
    CCriticalSection lock;           // the timer and destroy handlers
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
    LRESULT OnItemNext(WPARAM, LPARAM next);
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
    // A row waiting for its item's size.
    struct SizeRow {
        BackupItem* item;
        int row;
    };
    // A copy of the current profile; empty when the current name is unknown.
    Profile CurrentProfile() const;
    // A checked row for the item, queued for the size worker, which starts when none runs.
    void AddItemRow(BackupItem* item);
    // The rows take the profile's checks: a row whose item the profile does not know
    // keeps its check, and an item it checks without a row gets one.
    void FollowProfile(const Profile& profile);

    std::vector<const BackupItem*> listed_;  // the items that have a row, not found ones included
    // Interface thread only: the worker takes its rows through WM_ITEM_NEXT.
    std::deque<SizeRow> sizeQueue_;
    bool sizing_ = false;  // a worker takes rows from the queue
    bool stopSizing_ = false;
    int commandDepth_ = 0;
};

// Sizes the rows the frame hands it, one by one, until the frame has none left or
// is closing. The rows change only through messages to the frame.
UINT ItemSizeThreadProc(LPVOID frame);
