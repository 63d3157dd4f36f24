#include "main_frame.h"
#include <shellapi.h>
#include <algorithm>
#include <mutex>
#include "additional_folder_dlg.h"
#include "app_messages.h"
#include "backup_dlg.h"
#include "backup_transfer_dlg.h"
#include "backup_item.h"
#include "default_items.h"
#include "korvane_app.h"
#include "preference_sheet.h"
#include "profile_dlg.h"
#include "res/resource.h"
#include "restore_wizard.h"
#include "running_programs.h"

namespace {

constexpr UINT_PTR kClosingTimer = 1002;
constexpr wchar_t kSupportPage[] = L"https://www.brisvale.example/support";

// The row kind of an item: a registry item shows the registry image, a folder the folder image.
int32_t RowKind(const BackupItem* item)
{
    switch (item->get_kind()) {
    case 1:
        return kKindRegistry;
    case 2:
        return kKindFolder;
    default:
        return kKindNone;
    }
}

}  // namespace

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
    ON_WM_CREATE()
    ON_WM_CLOSE()
    ON_WM_TIMER()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_ITEM_STATE, &CMainFrame::OnItemState)
    ON_MESSAGE(WM_ITEM_NEXT, &CMainFrame::OnItemNext)
    ON_MESSAGE(WM_ITEM_SIZE, &CMainFrame::OnItemSize)
    ON_COMMAND(ID_BACKUP, &CMainFrame::OnBackup)
    ON_COMMAND(ID_RESTORE_WIZARD, &CMainFrame::OnRestoreWizard)
    ON_COMMAND(ID_SELECT_ALL, &CMainFrame::OnSelectAll)
    ON_COMMAND(ID_SELECT_NONE, &CMainFrame::OnSelectNone)
    ON_COMMAND(ID_SELECT_PROFILE, &CMainFrame::OnSelectProfile)
    ON_COMMAND(ID_PREFERENCE_ARCHIVE, &CMainFrame::OnArchiveSettings)
    ON_COMMAND(ID_ADDITIONAL_FOLDER, &CMainFrame::OnCustomFolder)
    ON_COMMAND(ID_ONLINE_SUPPORT, &CMainFrame::OnOnlineSupport)
    ON_COMMAND(ID_TRAY_EXIT, &CMainFrame::OnTrayExit)
    // Kept enabled, doing nothing: the scheduler and the other preference pages.
    ON_COMMAND(ID_SCHEDULER_SETTINGS, &CMainFrame::OnNoAction)
    ON_COMMAND(ID_START_SCHEDULER, &CMainFrame::OnNoAction)
    ON_COMMAND(ID_CANCEL_SCHEDULER, &CMainFrame::OnNoAction)
    ON_COMMAND(ID_PREFERENCE_WIZARD, &CMainFrame::OnNoAction)
    ON_COMMAND(ID_PREFERENCE_FTP, &CMainFrame::OnNoAction)
    ON_COMMAND(ID_PREFERENCE_CDDVD, &CMainFrame::OnNoAction)
END_MESSAGE_MAP()

CMainFrame::CMainFrame() = default;

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTW& cs)
{
    if (!CFrameWnd::PreCreateWindow(cs))
        return FALSE;
    // The children cover the whole client area.
    cs.dwExStyle &= ~WS_EX_CLIENTEDGE;
    cs.lpszClass = AfxRegisterWndClass(0);
    return cs.lpszClass != nullptr;
}

int CMainFrame::OnCreate(CREATESTRUCTW* cs)
{
    if (CFrameWnd::OnCreate(cs) == -1)
        return -1;
    if (!view.Create(WS_CHILD | WS_VISIBLE | WS_BORDER, RECT{0, 0, 0, 0}, this, AFX_IDW_PANE_FIRST))
        return -1;
    ribbon.Create(this);
    if (!statusBar.Create(this))
        return -1;
    InitializeRibbon();
    statusBar.AddElement(L"F1 = HELP");
    statusBar.AddExtendedElement(L" ");
    DockBar(ribbon.m_hWnd, true);
    DockBar(statusBar.m_hWnd, false);

    BuildDefaultItems(items);
    profiles.LoadAll(items);
    const Profile current = CurrentProfile();
    for (BackupItem* item : items)
        if (current.IsChecked(MakeProfileEntry(item)))
            AddItemRow(item);
    return 0;
}

void CMainFrame::InitializeRibbon()
{
    mainButton.SetImage(IDB_MAIN);
    mainButton.SetText(L"\nf");
    mainButton.SetToolTipText(kProductTitle);
    ribbon.SetApplicationButton(&mainButton, SIZE{45, 45});

    CMFCRibbonMainPanel* menu = ribbon.AddMainCategory(L"Main", IDB_RIBBON_SMALL, IDB_RIBBON_LARGE);
    menu->Add(ID_HELP_FINDER, L"Help Topics", 9);
    menu->Add(ID_ONLINE_SUPPORT, L"Online Support", 9);
    menu->AddSeparator();
    menu->AddToBottom(ID_APP_EXIT, L"Exit");

    CMFCRibbonCategory* home = ribbon.AddCategory(L"Home", IDB_RIBBON_SMALL, IDB_RIBBON_LARGE);
    CMFCRibbonPanel* backup = home->AddPanel(L"Backup and Restore");
    backup->Add(ID_BACKUP, L"Backup", 0);
    // The menu that would offer it is not shown, so the ribbon does.
    backup->Add(ID_ADDITIONAL_FOLDER, L"Additional Folder", 1);
    backup->Add(ID_RESTORE_WIZARD, L"Restore Wizard", 2);
    CMFCRibbonPanel* selection = home->AddPanel(L"Selection");
    selection->Add(ID_SELECT_ALL, L"Select All", 11);
    selection->Add(ID_SELECT_NONE, L"Select None", 12);
    selection->Add(ID_SELECT_PROFILE, L"Select Profile", 13);
    home->AddPanel(L"Preference")->Add(ID_PREFERENCE_ARCHIVE, L"Archive Settings", 6);
    home->AddPanel(L"Help")->Add(ID_HELP_FINDER, L"Help Topics", 9);

    ribbon.AddToTabs(ID_APP_ABOUT, L"About");
}

BOOL CMainFrame::OnCmdMsg(UINT id, UINT code, bool probe)
{
    if (probe)
        return CFrameWnd::OnCmdMsg(id, code, true);
    struct Running {
        int& depth;
        explicit Running(int& d) : depth(++d) {}
        ~Running() { --depth; }
    } running(commandDepth_);
    return CFrameWnd::OnCmdMsg(id, code);
}

Profile CMainFrame::CurrentProfile() const
{
    Profile profile;
    profiles.Find(profiles.GetCurrent(), profile);
    return profile;
}

// ---- closing

void CMainFrame::OnClose()
{
    if (closing) {
        // The window goes only when no command (a backup, the restore wizard, any
        // dialog) is running and the size worker has stopped; until then the
        // closing timer asks again every second.
        if (commandDepth_ > 0 || !IsWindowEnabled() || itemSizeThread)
            return;
        CFrameWnd::OnClose();
        return;
    }
    CString text;
    text.Format(L"Exit %ls, Are you sure?", kProductTitle);
    if (MessageBox(text.c_str(), L"Confirm exit", MB_YESNO | MB_ICONQUESTION) == IDYES) {
        closing = true;
        stopSizing_ = true;
        SetTimer(kClosingTimer, 1000);
    }
}

void CMainFrame::OnTimer(UINT_PTR id)
{
    std::lock_guard<CCriticalSection> guard(lock);
    if (id == kClosingTimer && closing)
        PostMessage(WM_CLOSE);
    CFrameWnd::OnTimer(id);
}

void CMainFrame::OnDestroy()
{
    std::lock_guard<CCriticalSection> guard(lock);
    // A window destroyed without the close above may still have the size worker
    // inside an item: stop it and wait, answering what it sends meanwhile.
    stopSizing_ = true;
    while (itemSizeThread) {
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_SENDMESSAGE);
    }
    for (BackupItem* item : items)
        delete item;
    items.clear();
    CFrameWnd::OnDestroy();
}

// ---- the size worker and its rows

UINT ItemSizeThreadProc(LPVOID param)
{
    const HWND hwnd = static_cast<CMainFrame*>(param)->m_hWnd;
    CMainFrame::SizeRow next{};
    while (::SendMessageW(hwnd, WM_ITEM_NEXT, 0, reinterpret_cast<LPARAM>(&next))) {
        ::PostMessageW(hwnd, WM_ITEM_STATE, WPARAM(next.row), kRowRunning);
        try {
            uint64_t size = next.item->get_size();
            ::SendMessageW(hwnd, WM_ITEM_SIZE, WPARAM(next.row), reinterpret_cast<LPARAM>(&size));
            ::PostMessageW(hwnd, WM_ITEM_STATE, WPARAM(next.row), kRowDone);
        } catch (...) {
            ::PostMessageW(hwnd, WM_ITEM_STATE, WPARAM(next.row), kRowFailed);
        }
    }
    return 0;
}

void CMainFrame::AddItemRow(BackupItem* item)
{
    CBakItemsListBox& list = view.list;
    const int row = list.AddItem(item->get_name().c_str());
    if (row < 0)
        return;
    list.SetCheck(row, true);
    list.SetItemData(row, reinterpret_cast<DWORD_PTR>(item));
    list.SetItemKind(row, RowKind(item));
    listed_.push_back(item);
    sizeQueue_.push_back({item, row});
    if (sizing_)
        return;
    // The worker that last found the queue empty is on its way out: let it go first.
    while (itemSizeThread)
        ::Sleep(1);
    sizing_ = StartWorker(itemSizeThread, ItemSizeThreadProc, this);
}

LRESULT CMainFrame::OnItemNext(WPARAM, LPARAM next)
{
    if (stopSizing_ || sizeQueue_.empty()) {
        sizing_ = false;
        return FALSE;
    }
    *reinterpret_cast<SizeRow*>(next) = sizeQueue_.front();
    sizeQueue_.pop_front();
    return TRUE;
}

void CMainFrame::FollowProfile(const Profile& profile)
{
    CBakItemsListBox& list = view.list;
    for (int row = 0; row < list.GetCount(); ++row) {
        // A row not found has no item and stays unchecked.
        const auto* item = reinterpret_cast<const BackupItem*>(list.GetItemData(row));
        if (!item)
            continue;
        const ProfileEntry entry = MakeProfileEntry(item);
        if (profile.IsChecked(entry))
            list.SetCheck(row, true);
        else if (profile.LeavesOut(entry))
            list.SetCheck(row, false);
    }
    for (BackupItem* item : items)
        if (std::find(listed_.begin(), listed_.end(), item) == listed_.end() &&
            profile.IsChecked(MakeProfileEntry(item)))
            AddItemRow(item);
}

LRESULT CMainFrame::OnItemSize(WPARAM row, LPARAM size)
{
    view.list.SetItemSize(int(row), *reinterpret_cast<const uint64_t*>(size));
    return 0;
}

LRESULT CMainFrame::OnItemState(WPARAM row, LPARAM state)
{
    CBakItemsListBox& list = view.list;
    const int r = int(row);
    if (r < 0 || r >= list.GetCount())
        return 0;
    list.SetItemState(r, int32_t(state));
    if (state == kRowFailed) {
        // Not found: the row has no item any more and cannot be backed up.
        list.SetItemData(r, 0);
        list.SetCheck(r, false);
    }
    return 0;
}

// ---- commands

void CMainFrame::OnBackup()
{
    CBakItemsListBox& list = view.list;
    const int count = list.GetCount();
    int first = 0;
    while (first < count && !list.GetCheck(first))
        ++first;
    if (first == count) {
        MessageBox(L"No items has been checked, please select one or more items before you starting backup process!",
                   L"Error", MB_ICONERROR | MB_OK);
        return;
    }
    CBackupDialog settings;
    if (settings.DoModal() != IDOK)
        return;
    CBackupTransferDlg transfer;
    transfer.job = settings.job;
    // Exactly the rows shown checked: they follow the current profile already.
    for (int row = 0; row < count; ++row) {
        auto* item = reinterpret_cast<BackupItem*>(list.GetItemData(row));
        if (list.GetCheck(row) && item)
            transfer.job.AddItem(item);
    }
    if (CheckRunningPrograms())
        transfer.DoModal();
}

void CMainFrame::OnRestoreWizard()
{
    RunRestoreWizard(this, nullptr);
}

void CMainFrame::OnSelectAll()
{
    CBakItemsListBox& list = view.list;
    for (int row = 0; row < list.GetCount(); ++row)
        list.SetCheck(row, true);
}

void CMainFrame::OnSelectNone()
{
    CBakItemsListBox& list = view.list;
    for (int row = 0; row < list.GetCount(); ++row)
        list.SetCheck(row, false);
}

void CMainFrame::OnSelectProfile()
{
    const Profile before = CurrentProfile();
    CProfileDialog dlg(this);
    dlg.items = &items;
    dlg.DoModal();
    profiles.LoadAll(items);
    // The rows follow a profile that was changed or chosen; checks the user set in
    // the list stay while the profile stays as it was.
    const Profile after = CurrentProfile();
    const auto same = [](const ProfileEntry& a, const ProfileEntry& b) { return a == b && a.checked == b.checked; };
    if (after.name != before.name || !std::ranges::equal(after.entries, before.entries, same))
        FollowProfile(after);
}

void CMainFrame::OnArchiveSettings()
{
    ShowPreferenceSheet(this);
}

void CMainFrame::OnCustomFolder()
{
    CAdditionalFolderDialog dlg;
    if (dlg.DoModal() != IDOK)
        return;
    const std::wstring name = kCustomFolderPrefix + dlg.folder;
    for (const BackupItem* item : items) {
        if (item->get_name() == name) {
            MessageBox(L"Sorry, you cannot add this folder because the custom folder is already exist!", L"Error",
                       MB_ICONERROR);
            return;
        }
    }
    BackupItem* item = MakeCustomFolderItem(dlg.folder);
    items.push_back(item);
    AddItemRow(item);
}

void CMainFrame::OnOnlineSupport()
{
    ::ShellExecuteW(nullptr, L"open", kSupportPage, nullptr, nullptr, SW_SHOWNORMAL);
}

void CMainFrame::OnTrayExit()
{
    PostMessage(WM_CLOSE);
}
