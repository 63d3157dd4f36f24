#pragma once
// The profile manager: creates, deletes and selects profiles, and ticks the backup
// items of the selected one. Every change goes to the registry at once.
#include <vector>
#include "controls.h"
#include "dialog.h"
#include "profiles.h"

class CProfileDialog : public CDialog {
public:
    explicit CProfileDialog(CWnd* parent = nullptr);

    ProfileManager profiles;
    bool trackChanges = true;  // off while the list is filled, so its ticks are not taken as the user's
    std::vector<BackupItem*>* items = nullptr;  // the main window's items; set before the dialog runs
    CListCtrl itemList;
    CComboBox profileCombo;

    BOOL OnInitDialog() override;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void FillProfileCombo();
    void FillItemList();
    void ClearItemList();
    CString SelectedProfile() const;  // "" when nothing is selected

    void OnProfileChanged();
    void OnItemChanged(NMHDR* nm, LRESULT* result);
    void OnNewProfile();
    void OnDeleteProfile();
    void OnSelectAll();
    void OnSelectNone();
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT type);
    void OnDestroy();
    DECLARE_MESSAGE_MAP()
};
