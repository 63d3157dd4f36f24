#include "profile_dlg.h"
#include "backup_item.h"
#include "profile_name_dlg.h"
#include "res/resource.h"

CProfileDialog::CProfileDialog(CWnd* parent) : CDialog(IDD_PROFILE, parent), profiles(kProfilesRoot) {}

BEGIN_MESSAGE_MAP(CProfileDialog, CDialog)
    ON_CBN_SELCHANGE(IDC_PROFILE_COMBO, &CProfileDialog::OnProfileChanged)
    ON_NOTIFY(LVN_ITEMCHANGED, IDC_PROFILE_ITEMS, &CProfileDialog::OnItemChanged)
    ON_BN_CLICKED(IDC_NEW_PROFILE, &CProfileDialog::OnNewProfile)
    ON_BN_CLICKED(IDC_DELETE_PROFILE, &CProfileDialog::OnDeleteProfile)
    ON_BN_CLICKED(IDC_SELECT_ALL_ITEMS, &CProfileDialog::OnSelectAll)
    ON_BN_CLICKED(IDC_SELECT_NO_ITEMS, &CProfileDialog::OnSelectNone)
    ON_WM_CTLCOLOR()
    ON_WM_DESTROY()
END_MESSAGE_MAP()

void CProfileDialog::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_PROFILE_ITEMS, itemList);
    DDX_Control(dx, IDC_PROFILE_COMBO, profileCombo);
}

BOOL CProfileDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    itemList.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    profiles.LoadAll(*items);
    FillProfileCombo();
    RECT client;
    itemList.GetClientRect(&client);
    itemList.InsertColumn(0, L"Backup item", LVCFMT_LEFT, client.right - 20);
    FillItemList();
    return TRUE;
}

CString CProfileDialog::SelectedProfile() const
{
    int sel = profileCombo.GetCurSel();
    return sel == CB_ERR ? CString() : profileCombo.GetLBText(sel);
}

void CProfileDialog::FillProfileCombo()
{
    const std::wstring current = profiles.GetCurrent();
    profileCombo.ResetContent();
    for (const Profile& profile : profiles.GetProfiles()) {
        int index = profileCombo.AddString(profile.name.c_str());
        if (profile.name == current)
            profileCombo.SetCurSel(index);
    }
    if (profileCombo.GetCurSel() == CB_ERR && profileCombo.GetCount() > 0) {
        profileCombo.SetCurSel(0);
        profiles.SetCurrent(profiles.GetProfiles().front().name);
    }
}

void CProfileDialog::FillItemList()
{
    ClearItemList();
    if (profileCombo.GetCurSel() == CB_ERR)
        return;
    Profile profile;
    if (!profiles.Find(SelectedProfile(), profile))
        return;
    trackChanges = false;
    for (const BackupItem* item : *items) {
        int row = itemList.InsertItem(itemList.GetItemCount(), item->get_name().c_str());
        if (row < 0)
            continue;
        auto* key = new ProfileEntry(MakeProfileEntry(item));
        itemList.SetItemData(row, reinterpret_cast<DWORD_PTR>(key));
        itemList.SetCheck(row, profile.IsChecked(*key));
    }
    trackChanges = true;
}

void CProfileDialog::ClearItemList()
{
    // Rows go before their key records, so no notification meets a freed record.
    const bool tracking = trackChanges;
    trackChanges = false;
    std::vector<ProfileEntry*> keys;
    for (int row = 0; row < itemList.GetItemCount(); ++row)
        keys.push_back(reinterpret_cast<ProfileEntry*>(itemList.GetItemData(row)));
    itemList.DeleteAllItems();
    for (ProfileEntry* key : keys)
        delete key;
    trackChanges = tracking;
}

void CProfileDialog::OnProfileChanged()
{
    FillItemList();
    if (profileCombo.GetCurSel() != CB_ERR)
        profiles.SetCurrent(SelectedProfile());
}

void CProfileDialog::OnItemChanged(NMHDR* nm, LRESULT* result)
{
    *result = 0;
    if (!trackChanges)
        return;
    // A change of every row at once comes as row -1; a row being inserted has no key yet.
    const int row = reinterpret_cast<NMLISTVIEW*>(nm)->iItem;
    const auto* key = row >= 0 ? reinterpret_cast<const ProfileEntry*>(itemList.GetItemData(row)) : nullptr;
    if (!key)
        return;
    const bool ticked = itemList.GetCheck(row) != FALSE;
    if (profileCombo.GetCurSel() == CB_ERR)
        return;
    const CString name = SelectedProfile();
    Profile profile;
    profiles.Find(name, profile);
    ProfileEntry entry = *key;
    entry.checked = ticked;
    profile.SetChecked(entry);
    profile.Save(kProfilesRoot);
    profiles.Update(name, profile);
}

void CProfileDialog::OnNewProfile()
{
    CProfileNameDialog dlg;
    if (dlg.DoModal() != IDOK)
        return;
    // Names differing only in letter case would share one registry key: they count as the same.
    if (profiles.Exists(dlg.name)) {
        MessageBox(L"Sorry, Profile name already exists, please change the  name and try again!", L"Error",
                   MB_OK | MB_ICONERROR);
        return;
    }
    profiles.Add(Profile(*items, dlg.name));
    profileCombo.SetCurSel(profileCombo.AddString(dlg.name.c_str()));
    profiles.SetCurrent(dlg.name);
    FillItemList();
}

void CProfileDialog::OnDeleteProfile()
{
    const int sel = profileCombo.GetCurSel();
    if (sel == CB_ERR)
        return;
    profiles.Delete(SelectedProfile());
    profileCombo.DeleteString(sel);
    if (profileCombo.GetCount() > 0) {
        profileCombo.SetCurSel(0);
        profiles.SetCurrent(profileCombo.GetLBText(0));
    }
    FillItemList();
}

void CProfileDialog::OnSelectAll()
{
    for (int row = 0; row < itemList.GetItemCount(); ++row)
        itemList.SetCheck(row, TRUE);
}

void CProfileDialog::OnSelectNone()
{
    for (int row = 0; row < itemList.GetItemCount(); ++row)
        itemList.SetCheck(row, FALSE);
}

HBRUSH CProfileDialog::OnCtlColor(HDC dc, HWND control, UINT type)
{
    HBRUSH brush = CDialog::OnCtlColor(dc, control, type);
    if (::GetDlgCtrlID(control) == IDC_PROFILE_NOTE)
        ::SetTextColor(dc, RGB(255, 0, 0));
    return brush;
}

void CProfileDialog::OnDestroy()
{
    CDialog::OnDestroy();
    ClearItemList();
}
