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
#include "ui_driver.h"
#include "ui_fixture.h"

namespace {

const wchar_t kManager[] = L"Profile manager";

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
    HWND combo = uitest::child(dlg, 1111), list = uitest::child(dlg, 1112);
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
        HWND list = uitest::child(h, 1112);
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
        HWND label = uitest::child(h, 1063);
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

}  // namespace
