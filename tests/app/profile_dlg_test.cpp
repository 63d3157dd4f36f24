// The profile manager and the name dialog, run for real over the product's
// profile key in the prefix's registry, driven by real clicks and typing.
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include "backup_item.h"
#include "default_items.h"
#include "dialog_check.h"
#include "profile_dlg.h"
#include "prompt_recorder.h"
#include "records.h"
#include "regkey.h"
#include "res/resource.h"
#include "ui_driver.h"
#include "ui_fixture.h"

namespace {

const wchar_t kManager[] = L"Profile manager";
const wchar_t kNameTitle[] = L"Enter Profile name";
const wchar_t kExists[] = L"Sorry, Profile name already exists, please change the  name and try again!";
const wchar_t kEmpty[] = L"Please enter a name before you press OK button!";
const wchar_t kBadName[] =
    L"A profile name cannot contain \"\\\" or be longer than 255 characters, please change the name and try again!";

std::wstring ProfileKey(const std::wstring& name)
{
    return std::wstring(kProfilesRoot) + L"\\" + name;
}

// The stored ticks of a profile by entry name; empty when it is not stored.
std::map<std::wstring, bool> StoredTicks(const std::wstring& profile)
{
    std::map<std::wstring, bool> ticks;
    CRegKey k;
    if (k.Open(HKEY_CURRENT_USER, ProfileKey(profile).c_str(), KEY_READ) != ERROR_SUCCESS)
        return ticks;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD chars = 256, bytes = sizeof(ProfileEntryRecord);
        ProfileEntryRecord r = {};
        if (RegEnumValueW(k, i, name, &chars, nullptr, nullptr, reinterpret_cast<BYTE*>(&r), &bytes))
            break;
        ticks[std::wstring(r.name, wcsnlen(r.name, 256))] = r.checked != 0;
    }
    return ticks;
}

std::wstring CurrentProfile()
{
    return ProfileManager().GetCurrent();
}

// Subkeys of the profile root, in enumeration order.
std::vector<std::wstring> StoredProfiles()
{
    std::vector<std::wstring> names;
    CRegKey k;
    if (k.Open(HKEY_CURRENT_USER, kProfilesRoot, KEY_READ) != ERROR_SUCCESS)
        return names;
    wchar_t name[1024];
    for (DWORD i = 0;; ++i) {
        DWORD chars = 1024;
        if (k.EnumKey(i, name, &chars) != ERROR_SUCCESS)
            break;
        names.push_back(name);
    }
    return names;
}

// What the dialog shows: the profiles, the selected one, the rows and their ticks.
struct Shown {
    std::vector<std::wstring> profiles;
    std::wstring selected;
    std::vector<std::wstring> rows;
    std::vector<bool> ticks;
};

Shown Read(HWND dlg)
{
    Shown s;
    HWND combo = uitest::child(dlg, IDC_PROFILE_COMBO), list = uitest::child(dlg, IDC_PROFILE_ITEMS);
    int count = int(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        s.profiles.push_back(CComboBox::GetLBText(combo, i));
    int sel = int(SendMessageW(combo, CB_GETCURSEL, 0, 0));
    s.selected = sel >= 0 ? CComboBox::GetLBText(combo, sel) : L"";
    int rows = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < rows; ++i) {
        // The list belongs to the dialog's thread; its text is fetched through the control.
        wchar_t text[512] = {};
        LVITEMW it = {};
        it.pszText = text;
        it.cchTextMax = 512;
        SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(i), reinterpret_cast<LPARAM>(&it));
        s.rows.push_back(text);
        s.ticks.push_back(((SendMessageW(list, LVM_GETITEMSTATE, WPARAM(i), LVIS_STATEIMAGEMASK) >> 12) - 1) != 0);
    }
    return s;
}

// Types a name into the name dialog, which "New" has opened, and confirms it with Enter.
HWND TypeNewName(HWND dlg, const std::wstring& name)
{
    uitest::click(uitest::child(dlg, IDC_NEW_PROFILE));
    HWND nameDlg = uitest::wait_window(kNameTitle, L"#32770", GetCurrentProcessId());
    if (!name.empty())
        uitest::type(uitest::child(nameDlg, IDC_PROFILE_NAME), name);
    uitest::key(uitest::child(nameDlg, IDC_PROFILE_NAME), VK_RETURN);
    return nameDlg;
}

// Waits until the name dialog has gone and the manager, back in its own loop, has
// done what the answer asked.
void WaitDone(HWND nameDlg, HWND manager)
{
    uitest::wait_gone(nameDlg);
    SendMessageW(manager, WM_NULL, 0, 0);
}

class ProfileDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_common_controls();
        SHDeleteKeyW(HKEY_CURRENT_USER, kProfilesRoot);
        for (const wchar_t* folder : {L"C:\\Mail\\One", L"C:\\Mail\\Two", L"C:\\Mail\\Three"})
            owned.emplace_back(MakeCustomFolderItem(folder));
        for (auto& item : owned)
            items.push_back(item.get());
    }
    void TearDown() override { SHDeleteKeyW(HKEY_CURRENT_USER, kProfilesRoot); }

    // Runs the dialog with a driver script given its window; returns the script's failure or "".
    std::string Run(const std::function<void(HWND)>& script)
    {
        CProfileDialog dlg;
        dlg.items = &items;
        uitest::Driver driver([&] {
            HWND h = uitest::wait_window(kManager, L"#32770", GetCurrentProcessId());
            script(h);
            if (IsWindow(h)) {
                uitest::press(h, IDCANCEL);
                uitest::wait_gone(h);
            }
        });
        result = dlg.DoModal();
        return driver.finish(std::chrono::milliseconds(120000));
    }

    std::vector<std::unique_ptr<BackupItem>> owned;
    std::vector<BackupItem*> items;
    INT_PTR result = 0;
    const std::wstring one = L"Custom Folder - C:\\Mail\\One", two = L"Custom Folder - C:\\Mail\\Two",
                       three = L"Custom Folder - C:\\Mail\\Three";
};

TEST_F(ProfileDialog, TheFirstOpenMakesDefaultWithEveryItemTicked)
{
    Shown shown;
    std::vector<std::string> clipped;
    COLORREF note = 0;
    std::wstring column;
    int columnWidth = 0, listWidth = 0;
    EXPECT_EQ("", Run([&](HWND h) {
                  shown = Read(h);
                  clipped = capture_and_check(h, L"profile-manager");
                  HWND list = uitest::child(h, IDC_PROFILE_ITEMS);
                  RECT r;
                  GetClientRect(list, &r);
                  listWidth = r.right;
                  columnWidth = int(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
                  wchar_t heading[64] = {};
                  LVCOLUMNW c = {};
                  c.mask = LVCF_TEXT;
                  c.pszText = heading;
                  c.cchTextMax = 64;
                  SendMessageW(list, LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&c));
                  column = heading;
                  // The colour the dialog gives the note's text.
                  HWND label = uitest::child(h, IDC_PROFILE_NOTE);
                  HDC dc = GetDC(label);
                  SendMessageW(h, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label));
                  note = GetTextColor(dc);
                  ReleaseDC(label, dc);
              }));
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(std::vector<std::wstring>{L"Default"}, shown.profiles);
    EXPECT_EQ(L"Default", shown.selected);
    EXPECT_EQ((std::vector<std::wstring>{one, two, three}), shown.rows);
    EXPECT_EQ((std::vector<bool>{true, true, true}), shown.ticks);
    EXPECT_EQ((std::map<std::wstring, bool>{{one, true}, {two, true}, {three, true}}), StoredTicks(L"Default"));
    EXPECT_EQ(L"Default", CurrentProfile());
    EXPECT_EQ(L"Backup item", column);
    EXPECT_EQ(listWidth - 20, columnWidth);
    EXPECT_EQ(RGB(255, 0, 0), note);
    EXPECT_EQ(std::vector<std::string>{}, clipped);
}

TEST_F(ProfileDialog, EveryTickByClickOrSpaceIsStoredAtOnce)
{
    std::map<std::wstring, bool> afterClick, afterSpace, afterNone, afterAll;
    EXPECT_EQ("", Run([&](HWND h) {
                  HWND list = uitest::child(h, IDC_PROFILE_ITEMS);
                  click_list_check(list, 1);
                  afterClick = StoredTicks(L"Default");
                  uitest::key(list, VK_HOME);
                  uitest::key(list, VK_SPACE);
                  afterSpace = StoredTicks(L"Default");
                  uitest::click(uitest::child(h, IDC_SELECT_NO_ITEMS));
                  afterNone = StoredTicks(L"Default");
                  uitest::key(uitest::child(h, IDC_SELECT_ALL_ITEMS), VK_SPACE);
                  afterAll = StoredTicks(L"Default");
              }));
    EXPECT_EQ((std::map<std::wstring, bool>{{one, true}, {two, false}, {three, true}}), afterClick);
    EXPECT_EQ((std::map<std::wstring, bool>{{one, false}, {two, false}, {three, true}}), afterSpace);
    EXPECT_EQ((std::map<std::wstring, bool>{{one, false}, {two, false}, {three, false}}), afterNone);
    EXPECT_EQ((std::map<std::wstring, bool>{{one, true}, {two, true}, {three, true}}), afterAll);
}

TEST_F(ProfileDialog, ANewProfileStartsUntickedAndBecomesCurrent)
{
    PromptRecorder prompts;
    Shown shown, switched;
    std::vector<std::string> clipped;
    std::wstring currentAfterNew, currentAfterSwitch;
    EXPECT_EQ("", Run([&](HWND h) {
                  uitest::click(uitest::child(h, IDC_NEW_PROFILE));
                  HWND nameDlg = uitest::wait_window(kNameTitle, L"#32770", GetCurrentProcessId());
                  clipped = capture_and_check(nameDlg, L"profile-name");
                  uitest::type(uitest::child(nameDlg, IDC_PROFILE_NAME), L"Work");
                  uitest::click(uitest::child(nameDlg, IDOK));
                  WaitDone(nameDlg, h);
                  shown = Read(h);
                  currentAfterNew = CurrentProfile();
                  // Back to Default with the keyboard: its ticks come back.
                  uitest::key(uitest::child(h, IDC_PROFILE_COMBO), VK_HOME);
                  switched = Read(h);
                  currentAfterSwitch = CurrentProfile();
              }));
    EXPECT_TRUE(prompts.seen().empty());
    EXPECT_EQ((std::vector<std::wstring>{L"Default", L"Work"}), shown.profiles);
    EXPECT_EQ(L"Work", shown.selected);
    EXPECT_EQ((std::vector<bool>{false, false, false}), shown.ticks);
    EXPECT_EQ((std::map<std::wstring, bool>{{one, false}, {two, false}, {three, false}}), StoredTicks(L"Work"));
    EXPECT_EQ(L"Work", currentAfterNew);
    EXPECT_EQ(L"Default", switched.selected);
    EXPECT_EQ((std::vector<bool>{true, true, true}), switched.ticks);
    EXPECT_EQ(L"Default", currentAfterSwitch);
    EXPECT_EQ(std::vector<std::string>{}, clipped);
}

// Empty names, names that cannot be one registry key, and names already taken in
// any letter case are refused with a box; nothing is created.
TEST_F(ProfileDialog, NamesThatCannotBeAProfileOfTheirOwnAreRefused)
{
    ProfileManager existing;
    existing.LoadAll(items);
    existing.Add(Profile(items, L"Work"));
    PromptRecorder prompts;
    const std::wstring tooLong(256, L'x');
    std::vector<bool> nameDialogOpen;
    Shown shown;
    EXPECT_EQ("", Run([&](HWND h) {
                  // The name dialog keeps asking after each refusal; Cancel ends it.
                  HWND nameDlg = TypeNewName(h, L"");
                  nameDialogOpen.push_back(IsWindowVisible(nameDlg) != FALSE);
                  HWND edit = uitest::child(nameDlg, IDC_PROFILE_NAME);
                  for (const std::wstring& name : {std::wstring(L"Mail\\Work"), tooLong}) {
                      uitest::set_text(edit, L"");
                      uitest::type(edit, name);
                      uitest::key(edit, VK_RETURN);
                      nameDialogOpen.push_back(IsWindowVisible(nameDlg) != FALSE);
                  }
                  uitest::click(uitest::child(nameDlg, IDCANCEL));
                  WaitDone(nameDlg, h);
                  // Taken names reach the manager, which refuses them.
                  for (const wchar_t* name : {L"Work", L"wORK", L"default"}) {
                      WaitDone(TypeNewName(h, name), h);
                  }
                  shown = Read(h);
              }));
    EXPECT_EQ((std::vector<bool>{true, true, true}), nameDialogOpen);
    std::vector<std::wstring> texts;
    for (const PromptRecord& p : prompts.seen()) {
        texts.push_back(p.text);
        EXPECT_EQ(L"Error", p.caption);
        EXPECT_EQ(UINT(MB_ICONERROR), p.flags & MB_ICONMASK);
    }
    EXPECT_EQ((std::vector<std::wstring>{kEmpty, kBadName, kBadName, kExists, kExists, kExists}), texts);
    EXPECT_EQ((std::vector<std::wstring>{L"Default", L"Work"}), shown.profiles);
    EXPECT_EQ((std::vector<std::wstring>{L"Default", L"Work"}), StoredProfiles());
    // Work's entries were not overwritten by a profile of another case.
    EXPECT_EQ((std::map<std::wstring, bool>{{one, false}, {two, false}, {three, false}}), StoredTicks(L"Work"));
}

TEST_F(ProfileDialog, ANameOf255CharactersIsAccepted)
{
    const std::wstring longest(255, L'y');
    Shown shown;
    EXPECT_EQ("", Run([&](HWND h) {
                  WaitDone(TypeNewName(h, longest), h);
                  shown = Read(h);
              }));
    EXPECT_EQ(longest, shown.selected);
    EXPECT_EQ((std::vector<std::wstring>{L"Default", longest}), StoredProfiles());
    EXPECT_EQ(longest, CurrentProfile());
}

TEST_F(ProfileDialog, DeletingEveryProfileLeavesAnEmptyDialogAndTheCurrentNameAlone)
{
    ProfileManager existing;
    existing.LoadAll(items);
    existing.Add(Profile(items, L"Work"));
    Shown afterFirst, afterLast;
    std::wstring currentAfterFirst;
    EXPECT_EQ("", Run([&](HWND h) {
                  uitest::click(uitest::child(h, IDC_DELETE_PROFILE));  // Default, the current one
                  afterFirst = Read(h);
                  currentAfterFirst = CurrentProfile();
                  uitest::click(uitest::child(h, IDC_DELETE_PROFILE));
                  afterLast = Read(h);
                  uitest::click(uitest::child(h, IDC_DELETE_PROFILE));  // nothing left to delete
              }));
    EXPECT_EQ(std::vector<std::wstring>{L"Work"}, afterFirst.profiles);
    EXPECT_EQ(L"Work", afterFirst.selected);
    EXPECT_EQ(3u, afterFirst.rows.size());
    EXPECT_EQ(L"Work", currentAfterFirst);
    EXPECT_TRUE(afterLast.profiles.empty());
    EXPECT_TRUE(afterLast.rows.empty());
    EXPECT_TRUE(StoredProfiles().empty());
    EXPECT_EQ(L"Work", CurrentProfile());
}

// The stored current name names no profile: the first entry is shown and the first
// stored profile becomes current. Items the profile does not know are unticked.
TEST_F(ProfileDialog, AStaleCurrentNameAndAnItemTheProfileDoesNotKnow)
{
    Profile beta(items, L"Beta"), alpha(items, L"alpha");
    beta.CheckAll(true);
    alpha.CheckAll(true);
    beta.Save(kProfilesRoot);
    alpha.Save(kProfilesRoot);
    ProfileManager().SetCurrent(L"Gone");
    owned.emplace_back(MakeCustomFolderItem(L"C:\\Mail\\Four"));
    items.push_back(owned.back().get());
    Shown shown;
    EXPECT_EQ("", Run([&](HWND h) { shown = Read(h); }));
    EXPECT_EQ((std::vector<std::wstring>{L"alpha", L"Beta"}), shown.profiles);
    EXPECT_EQ(L"alpha", shown.selected);
    EXPECT_EQ(StoredProfiles().front(), CurrentProfile());
    EXPECT_EQ((std::vector<bool>{true, true, true, false}), shown.ticks);
}

// Change notifications for every row at once (row -1), or for a row without its
// key record, are not taken as a tick of any item.
TEST_F(ProfileDialog, NotificationsWithoutARowOrItsKeyAreIgnored)
{
    std::map<std::wstring, bool> stored;
    Shown shown;
    EXPECT_EQ("", Run([&](HWND h) {
                  HWND list = uitest::child(h, IDC_PROFILE_ITEMS);
                  NMLISTVIEW nm = {};
                  nm.hdr.hwndFrom = list;
                  nm.hdr.idFrom = IDC_PROFILE_ITEMS;
                  nm.hdr.code = LVN_ITEMCHANGED;
                  nm.iItem = -1;
                  nm.uChanged = LVIF_STATE;
                  nm.uNewState = INDEXTOSTATEIMAGEMASK(1);
                  nm.uOldState = INDEXTOSTATEIMAGEMASK(2);
                  SendMessageW(h, WM_NOTIFY, IDC_PROFILE_ITEMS, reinterpret_cast<LPARAM>(&nm));
                  // A row of the list's own, without a key record, unticked by the user.
                  LVITEMW it = {};
                  it.mask = LVIF_TEXT;
                  it.iItem = 3;
                  it.pszText = const_cast<wchar_t*>(L"stray");
                  int row = int(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it)));
                  click_list_check(list, row);
                  click_list_check(list, row);
                  shown = Read(h);
                  stored = StoredTicks(L"Default");
              }));
    EXPECT_EQ(4u, shown.rows.size());
    EXPECT_EQ((std::map<std::wstring, bool>{{one, true}, {two, true}, {three, true}}), stored);
}

}  // namespace
