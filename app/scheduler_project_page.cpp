#include "scheduler_project_page.h"
#include <algorithm>
#include "archive_name.h"
#include "eng_except.h"
#include "file.h"
#include "gdi.h"
#include "preference.h"
#include "preference_sheet.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CSPProject, CSchedulerPage)
    ON_BN_CLICKED(IDC_PROJECT_SINGLE_MODE, &CSPProject::UpdateNameMode)
    ON_BN_CLICKED(IDC_PROJECT_GENERATED_MODE, &CSPProject::UpdateNameMode)
    ON_BN_CLICKED(IDC_PROJECT_BROWSE, &CSPProject::OnBrowseArchive)
    ON_BN_CLICKED(IDC_PROJECT_SETUP_NAME, &CSPProject::OnSetupName)
    ON_BN_CLICKED(IDC_PROJECT_ENCRYPT, &CSPProject::UpdatePasswordState)
    ON_BN_CLICKED(IDC_PROJECT_SELECT_ALL, &CSPProject::OnSelectAll)
    ON_BN_CLICKED(IDC_PROJECT_SELECT_NONE, &CSPProject::OnSelectNone)
END_MESSAGE_MAP()

namespace {

// What the record's fixed arrays hold, terminator included.
constexpr size_t kNameRoom = sizeof ScheduledItem::name / sizeof(wchar_t);
constexpr size_t kPasswordRoom = sizeof SchedulerProject::password / sizeof(wchar_t);
constexpr size_t kArchiveRoom = sizeof SchedulerProject::archiveFileName / sizeof(wchar_t);

}  // namespace

CSPProject::CSPProject(SchedulerProject* project, const std::vector<BackupItem*>* items)
    : CSchedulerPage(IDD_SCHEDULER_PROJECT, project, false), items_(items)
{
}

void CSPProject::DoDataExchange(CDataExchange* dx)
{
    CSchedulerPage::DoDataExchange(dx);
    DDX_Text(dx, IDC_PROJECT_SINGLE_NAME, singleName);
    DDX_Check(dx, IDC_PROJECT_COMPRESS, compress);
    DDX_Check(dx, IDC_PROJECT_ENCRYPT, encrypt);
    DDX_Control(dx, IDC_PROJECT_ITEMS, itemList);
    DDX_Text(dx, IDC_PROJECT_PASSWORD, password);
    DDX_Text(dx, IDC_PROJECT_PASSWORD2, passwordAgain);
    DDX_Text(dx, IDC_PROJECT_PREVIEW, preview);
}

BOOL CSPProject::OnInitDialog()
{
    CSchedulerPage::OnInitDialog();
    itemList.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    itemList.InsertColumn(0, L"Name with info.", LVCFMT_LEFT, 380);
    itemList.InsertColumn(1, L"Type", LVCFMT_LEFT, 100);
    images.Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 2);
    for (UINT id : {IDB_REGISTRY_ITEM, IDB_FOLDER_ITEM}) {
        CBitmap bitmap;
        bitmap.LoadBitmap(id);
        images.Add(bitmap, RGB(255, 0, 255));
    }
    itemList.SetImageList(images.GetSafeHandle(), LVSIL_SMALL);
    FillItemList(*project_);
    return TRUE;
}

void CSPProject::FillItemList(const SchedulerProject& project)
{
    for (BackupItem* item : *items_) {
        int32_t kind = item->get_kind();
        int row = itemList.InsertItem(itemList.GetItemCount(), item->get_name().c_str(), kind - 1);
        if (IsItemScheduled(*item))
            itemList.SetCheck(row, TRUE);
        itemList.SetItemText(row, 1, kind == 1 ? L"Registry" : L"Folder");
        itemList.SetItemData(row, DWORD_PTR(uint32_t(item->get_id())));
    }
    singleName = std::wstring(project.archiveFileName, wcsnlen(project.archiveFileName, kArchiveRoom));
    compress = project.compress ? 1 : 0;
    encrypt = project.encrypt ? 1 : 0;
    password = passwordAgain = std::wstring(project.password, wcsnlen(project.password, kPasswordRoom));
    UpdateData(FALSE);
    CheckRadioButton(IDC_PROJECT_SINGLE_MODE, IDC_PROJECT_GENERATED_MODE,
                     project.nameMode == 0 ? IDC_PROJECT_SINGLE_MODE : IDC_PROJECT_GENERATED_MODE);
    UpdateNameMode();
    UpdatePasswordState();
    UpdateNamePreview();
}

bool CSPProject::IsItemScheduled(const BackupItem& item) const
{
    std::wstring name = item.get_name();
    int32_t id = item.get_id();
    int count = std::clamp(project_->itemCount, 0, SchedulerProject::kMaxItems);
    for (int i = 0; i < count; ++i) {
        const ScheduledItem& entry = project_->items[i];
        if (entry.id == id && name == std::wstring(entry.name, wcsnlen(entry.name, kNameRoom)))
            return true;
    }
    return false;
}

void CSPProject::UpdateNameMode()
{
    bool single = IsDlgButtonChecked(IDC_PROJECT_SINGLE_MODE) == BST_CHECKED;
    ::EnableWindow(GetDlgItem(IDC_PROJECT_SINGLE_NAME), single);
    ::EnableWindow(GetDlgItem(IDC_PROJECT_BROWSE), single);
    ::EnableWindow(GetDlgItem(IDC_PROJECT_SETUP_NAME), !single);
    ::EnableWindow(GetDlgItem(IDC_PROJECT_PREVIEW), !single);
}

void CSPProject::UpdatePasswordState()
{
    UpdateData(TRUE);
    for (int id : {IDC_PROJECT_PASSWORD_LABEL, IDC_PROJECT_AGAIN_LABEL, IDC_PROJECT_PASSWORD, IDC_PROJECT_PASSWORD2})
        ::EnableWindow(GetDlgItem(id), encrypt != 0);
}

void CSPProject::UpdateNamePreview()
{
    // Without a readable "preference.dat" the preview stays as it was.
    try {
        PreferenceFile record;
        record.Clear();
        record.Load(kPreferenceFileName);
        UpdateData(TRUE);
        preview = MakeArchiveFileName(record.archive);
        UpdateData(FALSE);
    } catch (const EngExcept::Exception&) {
    } catch (const CFileException&) {
    }
}

void CSPProject::OnBrowseArchive()
{
    CString filter;
    filter.Format(L"%ls Archive(*%ls)|*%ls|Any files(*.*)|*.*||", L"Brisvale 2.9e", L".bvk2", L".bvk2");
    CFileDialog dialog(FALSE, L".bvk2", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter.c_str(), this);
    if (dialog.DoModal() != IDOK)
        return;
    UpdateData(TRUE);
    singleName = dialog.GetPathName();
    UpdateData(FALSE);
}

void CSPProject::OnSetupName()
{
    PreferenceFile record;
    record.Clear();
    try {
        record.Load(kPreferenceFileName);
    } catch (const EngExcept::Exception&) {
        // Missing: Load has saved the defaults and left them in the record.
    } catch (const CFileException&) {
        // Unreadable: the page starts from what Load left.
    }
    CPrArchivePage page;
    page.pref = record.archive;
    if (!RunPreferenceSheet(this, {&page}))
        return;
    // The other blocks are read again now, so that a file that could not be read is
    // never overwritten with blocks it did not give; a file error leaves this handler
    // and is reported there, with nothing written.
    record.Clear();
    try {
        record.Load(kPreferenceFileName);
    } catch (const EngExcept::EFileNotFound&) {
    }
    record.archive = page.pref;
    record.Save(kPreferenceFileName);
    UpdateNamePreview();
}

void CSPProject::CheckAll(BOOL check)
{
    for (int row = 0, n = itemList.GetItemCount(); row < n; ++row)
        itemList.SetCheck(row, check);
}

BOOL CSPProject::Refuse(const wchar_t* text)
{
    MessageBox(text, L"Error", MB_ICONERROR | MB_OK);
    return FALSE;
}

BOOL CSPProject::OnKillActive()
{
    UpdateData(TRUE);
    bool single = IsDlgButtonChecked(IDC_PROJECT_SINGLE_MODE) == BST_CHECKED;
    if (singleName.empty() && single)
        return Refuse(L"Please enter or choose an archive filename!");
    // The record keeps texts whole or not at all: a cut name or password would
    // silently be another one.
    if (singleName.size() >= kArchiveRoom)
        return Refuse(L"The archive filename is too long, please choose a shorter one!");
    if (encrypt && (password != passwordAgain || password.empty() || password.size() >= kPasswordRoom))
        return Refuse(L"Invalid password, please check and enter your password again!");
    int checked = 0;
    for (int row = 0, n = itemList.GetItemCount(); row < n; ++row) {
        if (!itemList.GetCheck(row))
            continue;
        ++checked;
        CString name = itemList.GetItemText(row, 0);
        if (name.size() >= kNameRoom) {
            CString text;
            text.Format(L"The item name is too long to be scheduled, please uncheck it: %ls", name.c_str());
            return Refuse(text.c_str());
        }
    }
    if (checked == 0)
        return Refuse(L"You must select one or more backup items by clicking the check-box!");
    if (checked > SchedulerProject::kMaxItems)
        return Refuse(L"You can select at most 50 items!");
    return CSchedulerPage::OnKillActive();
}

void CSPProject::OnOK()
{
    UpdateData(TRUE);
    SchedulerProject& p = *project_;
    p.compress = compress ? 1 : 0;
    p.encrypt = encrypt ? 1 : 0;
    // Too long for the record only with encryption off: dropped rather than cut, so
    // that encryption ticked later never takes a password other than the one typed.
    CopyBounded(p.password, password.size() < kPasswordRoom ? password.c_str() : L"");
    CopyBounded(p.archiveFileName, singleName.c_str());
    p.nameMode = IsDlgButtonChecked(IDC_PROJECT_GENERATED_MODE) == BST_CHECKED ? 1 : 0;
    std::memset(p.items, 0, sizeof p.items);
    int count = 0;
    for (int row = 0, n = itemList.GetItemCount(); row < n && count < SchedulerProject::kMaxItems; ++row) {
        if (!itemList.GetCheck(row))
            continue;
        CopyBounded(p.items[count].name, itemList.GetItemText(row, 0).c_str());
        p.items[count].id = int32_t(uint32_t(itemList.GetItemData(row)));
        ++count;
    }
    p.itemCount = count;
    CSchedulerPage::OnOK();
}
