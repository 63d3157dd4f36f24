#pragma once
// The scheduler's project page: which items a scheduled backup holds and the archive
// it writes.
#include <vector>
#include "backup_item.h"
#include "controls.h"
#include "scheduler_page.h"

class CSPProject : public CSchedulerPage {
public:
    // The items offered are neither owned nor changed.
    CSPProject(SchedulerProject* project, const std::vector<BackupItem*>* items);

protected:
    CImageList images;
    const std::vector<BackupItem*>* items_;
    CString singleName;
    int compress = 0;
    int encrypt = 0;
    CListCtrl itemList;
    CString password;
    CString passwordAgain;
    CString preview;

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnKillActive() override;

    void FillItemList(const SchedulerProject& project);
    bool IsItemScheduled(const BackupItem& item) const;
    void UpdateNameMode();
    void UpdatePasswordState();
    void UpdateNamePreview();
    void OnBrowseArchive();
    void OnSetupName();
    void OnSelectAll() { CheckAll(TRUE); }
    void OnSelectNone() { CheckAll(FALSE); }
    void CheckAll(BOOL check);
    // A refusal in an error box; the page stays.
    BOOL Refuse(const wchar_t* text);
    DECLARE_MESSAGE_MAP()
};
