#pragma once
// Page 3 of the restore wizard: the restore, run by a worker.
#include <atomic>
#include <vector>
#include "controls.h"
#include "data_restore.h"
#include "restore_wizard.h"

class CRestoreWizardPg3 : public CRestoreWizardBasicPage {
public:
    CRestoreWizardPg3();

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnQueryCancel() override;
    void OnRestore();
    void OnCancelRestore();
    LRESULT OnEngineProgress(WPARAM position, LPARAM upper);
    LRESULT OnEngineError(WPARAM detail, LPARAM message);
    LRESULT OnRestoreDone(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    friend UINT RestoreThreadProc(LPVOID page);
    // On the worker: restores the whole archive; errors are sent to the page.
    void RunRestore();

    std::atomic<bool> restoreThread{false};  // true exactly while the worker runs
    std::atomic<bool> stopRestore{false};
    CProgressCtrl progress;
    // The last run's outcome, written by the worker, read after it has ended.
    bool failed = false;
    std::vector<SkippedItem> skipped;
};

// Restores the archive of the page's context.
UINT RestoreThreadProc(LPVOID page);

// The warning for items a restore left out: their count and up to ten names.
std::wstring SkippedItemsText(const std::vector<SkippedItem>& skipped);
