#pragma once
// The backup progress dialog and its worker: writes the archive, item by item,
// and hands it to the transfer medium.
#include <atomic>
#include <string>
#include <vector>
#include "backup_job.h"
#include "controls.h"
#include "dialog.h"

class OutputMediaCopier;

// Rows of text with a state bitmap: 0 nothing yet, 1 running, 2 done, 3 failed.
class CProgItemList : public CListBox {
public:
    int AddRow(const wchar_t* text);
    void SetRowState(int index, int state);
    int GetRowState(int index) const;
    int GetRowCount() const { return int(rows_.size()); }
    void MeasureItem(MEASUREITEMSTRUCT* mis) override;
    void DrawItem(DRAWITEMSTRUCT* dis) override;

private:
    struct Row {
        CString text;
        int state = 0;
    };
    std::vector<Row> rows_;
};

class CBackupTransferDlg : public CDialog {
public:
    explicit CBackupTransferDlg(CWnd* parent = nullptr);
    ~CBackupTransferDlg() override;
    // Set by the caller before DoModal.
    BackupJob job;

    // The list of rows, for a look at their states.
    const CProgItemList& Rows() const { return rows; }

protected:
    std::atomic<bool> stop{false};
    bool finished = false;
    int lastPosition = 0;
    std::atomic<bool> failed{false};
    std::atomic<bool> running{false};  // the worker's running mark
    HANDLE workerThread_ = nullptr;
    OutputMediaCopier* copier = nullptr;
    CProgressCtrl totalBar;
    CProgressCtrl currentBar;
    CProgItemList rows;

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnStop();
    LRESULT OnEngineProgress(WPARAM position, LPARAM upper);
    LRESULT OnBackupStatus(WPARAM, LPARAM text);
    LRESULT OnBackupDone(WPARAM, LPARAM);
    LRESULT OnEngineError(WPARAM detail, LPARAM message);
    LRESULT OnItemState(WPARAM index, LPARAM state);
    LRESULT OnCopierStatus(WPARAM kind, LPARAM text);
    LRESULT OnCopierStart(WPARAM, LPARAM);
    LRESULT OnCopierProgress(WPARAM position, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    friend UINT BackupThreadProc(LPVOID dialog);
    // False (with the refusal shown) while the run has not ended.
    bool MayClose();
    void PrepareTransfer();
    // Marks the run failed and keeps what failed and where for the end's box.
    void Fail(const std::wstring& message, const std::wstring& path);
    // Why the transfer failed, for the end's box; before the copier goes.
    std::wstring TransferFailure() const;
    // The button's last text and the status line; the button then closes.
    void ShowEnd(const wchar_t* button, const wchar_t* status);

    // What the items left out, filled by the worker and read once it has ended.
    std::vector<std::wstring> leftOut_;
    int transferRow_ = -1;
    std::atomic<bool> transferStarted_{false};
    std::atomic<bool> transferFailed_{false};
    std::wstring transferError_;  // the component's first failure text
    struct Failure {
        std::wstring message;
        std::wstring path;
    };
    // Added by the worker before any transfer and by the handlers of what it sends
    // and of the copier's statuses, never at the same time; read at the end.
    std::vector<Failure> failures_;
};

// The worker: header and items into a new file beside the archive, which takes the
// archive's name only when every item is in it; then the transfer. Always ends by
// posting WM_BACKUP_DONE.
UINT BackupThreadProc(LPVOID dialog);
