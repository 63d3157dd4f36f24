// The preference sheet over the real "preference.dat" of the test prefix.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <cstring>
#include "copier_harness.h"
#include "dialog_check.h"
#include "preference.h"
#include "preference_path.h"
#include "preference_sheet.h"
#include "prompt_recorder.h"
#include "res/resource.h"
#include "ui_driver.h"
#include "ui_fixture.h"

namespace {

constexpr int kFolder = IDC_FOLDER, kName = IDC_FILENAME, kStamp = IDC_ADD_STAMP, kBefore = IDC_STAMP_BEFORE,
              kAfter = IDC_STAMP_AFTER, kFormat = IDC_STAMP_FORMAT, kPreview = IDC_PREVIEW;

std::wstring ComboText(HWND combo)
{
    int sel = int(SendMessageW(combo, CB_GETCURSEL, 0, 0));
    if (sel < 0)
        return L"";
    wchar_t text[256] = {};
    SendMessageW(combo, CB_GETLBTEXT, WPARAM(sel), reinterpret_cast<LPARAM>(text));
    return text;
}

std::vector<std::wstring> ComboEntries(HWND combo)
{
    std::vector<std::wstring> out;
    for (int i = 0, n = int(SendMessageW(combo, CB_GETCOUNT, 0, 0)); i < n; ++i) {
        wchar_t text[256] = {};
        SendMessageW(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
        out.push_back(text);
    }
    return out;
}

// Clears an edit (not a user's act) and types the text into it as a user would.
void Retype(HWND edit, const std::wstring& text)
{
    uitest::set_text(edit, L"");
    uitest::type(edit, text);
}

class PreferenceSheet : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_common_controls();
        DeleteFileW(preference_path().c_str());
        folder = scratch_folder(L"preference");
    }
    void TearDown() override { DeleteFileW(preference_path().c_str()); }

    // Runs the sheet with a script that gets the sheet and its page.
    void Run(const std::function<void(HWND sheet, HWND page)>& script)
    {
        uitest::Driver driver([&] {
            HWND sheet = uitest::wait_window(L"Preference", L"#32770", GetCurrentProcessId());
            HWND page = nullptr;
            uitest::require([&] { return (page = HWND(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0))); }, "page");
            script(sheet, page);
            uitest::wait_gone(sheet);
        });
        ShowPreferenceSheet(nullptr);
        EXPECT_EQ("", driver.finish());
    }
    // A stored record with these archive settings.
    void Store(const wchar_t* outputFolder, const wchar_t* format, uint8_t stamp, int32_t position)
    {
        PreferenceFile record;
        record.Clear();
        CopyBounded(record.archive.outputFolder, outputFolder);
        CopyBounded(record.archive.baseName, L"Mail");
        CopyBounded(record.archive.timeStampFormat, format);
        record.archive.addTimeStamp = stamp;
        record.archive.timeStampPosition = position;
        CopyBounded(record.ftp.host, L"ftp.example");
        record.Save(L"preference.dat");
    }
    PreferenceFile Saved()
    {
        PreferenceFile record;
        record.Clear();
        record.Load(L"preference.dat");
        return record;
    }
    // 2026-12-09 14:05:07 local time, for every sample and preview.
    ui::Override<ui::ClockSeam> clock{ui::clock, [] { return CTime(2026, 12, 9, 14, 5, 7).GetTime(); }};
    std::wstring folder;
};

TEST_F(PreferenceSheet, TheFirstRunShowsTheDefaultsAndCancelKeepsThem)
{
    std::wstring shownFolder, shownName, shownFormat, preview;
    bool stamp = false, after = false, help = true, apply = true;
    std::vector<std::wstring> entries;
    std::vector<std::string> clipped;
    std::string savedBeforeOk;
    Run([&](HWND sheet, HWND page) {
        savedBeforeOk = read_file(preference_path());
        shownFolder = uitest::text(uitest::child(page, kFolder));
        shownName = uitest::text(uitest::child(page, kName));
        stamp = uitest::is_checked(uitest::child(page, kStamp));
        after = uitest::is_checked(uitest::child(page, kAfter));
        shownFormat = ComboText(uitest::child(page, kFormat));
        entries = ComboEntries(uitest::child(page, kFormat));
        preview = uitest::text(uitest::child(page, kPreview));
        HWND h = GetDlgItem(sheet, IDHELP), a = GetDlgItem(sheet, 0x3021);  // Apply
        help = h && IsWindowVisible(h);
        apply = a && IsWindowVisible(a);
        clipped = capture_and_check(sheet, L"preference");
        Retype(uitest::child(page, kName), L"Changed");
        uitest::press(sheet, IDCANCEL);
    });
    EXPECT_EQ(shell_folder(CSIDL_PERSONAL), shownFolder);
    EXPECT_EQ(L"BAK", shownName);
    EXPECT_TRUE(stamp);
    EXPECT_TRUE(after);
    EXPECT_EQ(L"December 09, 2026@14.05.07.PM", shownFormat);
    EXPECT_EQ(shell_folder(CSIDL_PERSONAL) + L"\\BAK - December 09, 2026@14.05.07.PM.bvk2", preview);
    EXPECT_EQ((std::vector<std::wstring>{L"02.05.07 PM", L"12-09-2026@02-05 PM", L"12-09-2026@02-05-07 PM",
                                         L"2026-12-09", L"2026-12-09 14.05", L"December 09",
                                         L"December 09, 2026@14.05.07.PM", L"December Dec, 2026",
                                         L"Wednesday, December 09, 2026"}),
              entries);
    EXPECT_FALSE(help);
    EXPECT_FALSE(apply);
    EXPECT_EQ(std::vector<std::string>{}, clipped);
    EXPECT_EQ(13506u, savedBeforeOk.size());  // the defaults were saved before the sheet showed
    EXPECT_EQ(savedBeforeOk, read_file(preference_path()));
}

// Typing into a field whose every change refreshes the page keeps the caret where
// the user put it: clicking after "BAK" and typing "XYZ" gives "BAKXYZ".
TEST_F(PreferenceSheet, TypedTextKeepsItsOrder)
{
    std::wstring name, preview;
    Run([&](HWND sheet, HWND page) {
        HWND edit = uitest::child(page, kName);
        RECT r;
        GetClientRect(edit, &r);
        uitest::click_at(edit, r.right - 4, r.bottom / 2);  // after the text
        uitest::type(edit, L"XYZ");
        uitest::key(edit, VK_HOME);
        uitest::type(edit, L"1");
        name = uitest::text(edit);
        preview = uitest::text(uitest::child(page, kPreview));
        uitest::press(sheet, IDOK);
    });
    EXPECT_EQ(L"1BAKXYZ", name);
    EXPECT_EQ(shell_folder(CSIDL_PERSONAL) + L"\\1BAKXYZ - December 09, 2026@14.05.07.PM.bvk2", preview);
    EXPECT_STREQ(L"1BAKXYZ", Saved().archive.baseName);
}

// The folder is checked first; the sheet stays until both fields are right.
TEST_F(PreferenceSheet, InvalidFieldsKeepTheSheetOpenUntilCorrected)
{
    Store(folder.c_str(), L"%Y-%m-%d", 1, 1);
    PromptRecorder prompts;
    auto boxes = [&] { return prompts.seen().size(); };
    Run([&](HWND sheet, HWND page) {
        Retype(uitest::child(page, kFolder), folder + L"\\missing");
        uitest::set_text(uitest::child(page, kName), L"");
        uitest::press(sheet, IDOK);
        uitest::require([&] { return boxes() == 1; }, "folder message");
        Retype(uitest::child(page, kFolder), folder);
        uitest::press(sheet, IDOK);
        uitest::require([&] { return boxes() == 2; }, "file name message");
        // Pasted rather than typed: no room for its terminator.
        uitest::set_text(uitest::child(page, kName), std::wstring(2048, L'n'));
        uitest::press(sheet, IDOK);
        uitest::require([&] { return boxes() == 3; }, "long file name message");
        Retype(uitest::child(page, kName), L"Weekly");
        uitest::press(sheet, IDOK);
    });
    auto seen = prompts.seen();
    ASSERT_EQ(3u, seen.size());
    EXPECT_EQ(L"Folder is invalid, please check it!", seen[0].text);
    EXPECT_EQ(L"Filename is invalid, please check it!", seen[1].text);
    EXPECT_EQ(L"Filename is invalid, please check it!", seen[2].text);
    for (const PromptRecord& p : seen) {
        EXPECT_EQ(L"Error", p.caption);
        EXPECT_EQ(UINT(MB_ICONERROR), p.flags);
    }
    std::string bytes = read_file(preference_path());
    ASSERT_EQ(13506u, bytes.size());
    PreferenceFile saved = Saved();
    EXPECT_EQ(folder, saved.archive.outputFolder);
    EXPECT_STREQ(L"Weekly", saved.archive.baseName);
    EXPECT_STREQ(L"%Y-%m-%d", saved.archive.timeStampFormat);
    EXPECT_EQ(1, saved.archive.timeStampPosition);
    EXPECT_EQ(1, bytes[8392]);
    EXPECT_STREQ(L"ftp.example", saved.ftp.host);  // the other blocks pass through
}

TEST_F(PreferenceSheet, TheStampControlsFollowTheCheckBox)
{
    Store(folder.c_str(), L"%Y-%m-%d", 1, 1);
    std::wstring withStamp, withoutStamp;
    bool disabled = false, enabledAgain = false;
    Run([&](HWND sheet, HWND page) {
        withStamp = uitest::text(uitest::child(page, kPreview));
        uitest::set_check(uitest::child(page, kStamp), false);
        withoutStamp = uitest::text(uitest::child(page, kPreview));
        disabled = !IsWindowEnabled(uitest::child(page, kBefore)) && !IsWindowEnabled(uitest::child(page, kAfter)) &&
                   !IsWindowEnabled(uitest::child(page, kFormat));
        uitest::set_check(uitest::child(page, kStamp), true);
        enabledAgain = IsWindowEnabled(uitest::child(page, kBefore)) && IsWindowEnabled(uitest::child(page, kFormat));
        uitest::press(sheet, IDOK);
    });
    EXPECT_EQ(folder + L"\\2026-12-09 - Mail.bvk2", withStamp);
    EXPECT_EQ(folder + L"\\Mail.bvk2", withoutStamp);
    EXPECT_TRUE(disabled);
    EXPECT_TRUE(enabledAgain);
    EXPECT_EQ(1, Saved().archive.addTimeStamp);
}

// The stored format is selected when it is one of the list; otherwise the first.
TEST_F(PreferenceSheet, AFormatOutsideTheListBecomesTheFirst)
{
    struct Case {
        const wchar_t* stored;
        const wchar_t* shown;
        const wchar_t* saved;
    } cases[] = {
        {L"%I.%M.%S %p", L"02.05.07 PM", L"%I.%M.%S %p"},
        {L"%j", L"December 09, 2026@14.05.07.PM", L"%B %d, %Y@%H.%M.%S.%p"},
    };
    for (const Case& c : cases) {
        Store(folder.c_str(), c.stored, 1, 2);
        std::wstring shown;
        Run([&](HWND sheet, HWND page) {
            shown = ComboText(uitest::child(page, kFormat));
            uitest::press(sheet, IDOK);
        });
        EXPECT_EQ(c.shown, shown);
        EXPECT_STREQ(c.saved, Saved().archive.timeStampFormat);
    }
}

TEST_F(PreferenceSheet, BrowsingSetsTheFolderUnlessNothingIsChosen)
{
    Store(L"C:\\", L"%Y-%m-%d", 0, 2);
    std::optional<std::wstring> answer = folder;
    std::wstring title;
    ui::Override<ui::FolderSeam> folders(ui::chooseFolder, [&](HWND, const std::wstring& t) {
        title = t;
        return answer;
    });
    std::wstring chosen, kept, preview;
    Run([&](HWND sheet, HWND page) {
        uitest::press(page, IDC_BROWSE);
        uitest::require([&] { return uitest::text(uitest::child(page, kFolder)) == folder; }, "chosen folder");
        chosen = uitest::text(uitest::child(page, kFolder));
        preview = uitest::text(uitest::child(page, kPreview));
        answer = std::nullopt;
        title.clear();
        uitest::press(page, IDC_BROWSE);
        uitest::require([&] { return !title.empty(); }, "second browse");
        kept = uitest::text(uitest::child(page, kFolder));
        uitest::press(sheet, IDOK);
    });
    EXPECT_EQ(L"Select a folder for output archive:", title);
    EXPECT_EQ(folder, chosen);
    EXPECT_EQ(folder + L"\\Mail.bvk2", preview);
    EXPECT_EQ(folder, kept);
    EXPECT_EQ(folder, Saved().archive.outputFolder);
}

// The FTP and CD/DVD pages, with the disc component registered in the prefix.
class TransferPages : public PreferenceSheet {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(S_OK, CallComponentsDll("DllRegisterServer")); }
    void SetUp() override
    {
        PreferenceSheet::SetUp();
        ASSERT_EQ(S_OK, OleInitialize(nullptr));
    }
    void TearDown() override
    {
        SetEnvironmentVariableW(L"BRISVALE_DISC_FOLDERS", nullptr);
        OleUninitialize();
        PreferenceSheet::TearDown();
    }
    // A record with these transfer blocks.
    void StoreTransfer(int32_t port, const wchar_t* device)
    {
        PreferenceFile record;
        record.Clear();
        CopyBounded(record.archive.outputFolder, folder.c_str());
        CopyBounded(record.archive.baseName, L"Mail");
        record.ftp.port = port;
        CopyBounded(record.ftp.host, L"old.example");
        CopyBounded(record.cddvd.device, device);
        record.Save(L"preference.dat");
    }
    static HWND Page(HWND sheet, int index)
    {
        SendMessageW(sheet, PSM_SETCURSEL, WPARAM(index), 0);
        HWND page = nullptr;
        uitest::require(
            [&] {
                page = HWND(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
                return page && GetDlgItem(page, index == 1 ? IDC_FTP_HOST : IDC_CDDVD_DEVICE);
            },
            "page " + std::to_string(index));
        return page;
    }
};

TEST_F(TransferPages, TheFtpPageEditsTheAccount)
{
    StoreTransfer(0, L"");
    PromptRecorder prompts;
    std::wstring shownPort, shownHost;
    int upper = 0;
    std::vector<std::string> clipped;
    Run([&](HWND sheet, HWND) {
        HWND page = Page(sheet, 1);
        shownPort = uitest::text(uitest::child(page, IDC_FTP_PORT));
        shownHost = uitest::text(uitest::child(page, IDC_FTP_HOST));
        SendMessageW(uitest::child(page, IDC_FTP_PORT_SPIN), UDM_GETRANGE32, 0, reinterpret_cast<LPARAM>(&upper));
        clipped = capture_and_check(sheet, L"preference-ftp");
        Retype(uitest::child(page, IDC_FTP_HOST), L"ftp.example.org");
        Retype(uitest::child(page, IDC_FTP_PORT), L"abc");
        uitest::type(uitest::child(page, IDC_FTP_USER), L"backup");
        uitest::type(uitest::child(page, IDC_PASSWORD), L"s3cret");
        uitest::type(uitest::child(page, IDC_FTP_DIRECTORY), L"/archives");
        uitest::click(uitest::child(page, 1052));
        uitest::press(sheet, IDOK);
        uitest::require([&] { return prompts.seen().size() == 1; }, "integer message");
        Retype(uitest::child(page, IDC_FTP_PORT), L"2121");
        uitest::press(sheet, IDOK);
    });
    EXPECT_EQ(L"21", shownPort);
    EXPECT_EQ(L"old.example", shownHost);
    EXPECT_EQ(65535, upper);
    EXPECT_EQ(std::vector<std::string>{}, clipped);
    ASSERT_EQ(1u, prompts.seen().size());
    EXPECT_EQ(L"Enter an integer.", prompts.seen()[0].text);
    PreferenceFile saved = Saved();
    EXPECT_STREQ(L"ftp.example.org", saved.ftp.host);
    EXPECT_EQ(2121, saved.ftp.port);
    EXPECT_STREQ(L"backup", saved.ftp.user);
    EXPECT_STREQ(L"s3cret", saved.ftp.password);
    EXPECT_STREQ(L"/archives", saved.ftp.directory);
    EXPECT_EQ(1, saved.ftp.passive);

    // An untouched port of 0 is stored as the 21 it showed.
    StoreTransfer(0, L"");
    Run([&](HWND sheet, HWND) {
        Page(sheet, 1);
        uitest::press(sheet, IDOK);
    });
    EXPECT_EQ(21, Saved().ftp.port);
}

// The writers the component lists, sorted; the stored one selected by its beginning
// in any case; a stored writer the list lacks is kept.
TEST_F(TransferPages, TheDiscPageChoosesAmongTheListedWriters)
{
    SetEnvironmentVariableW(L"BRISVALE_DISC_FOLDERS",
                            (L"Zeta Writer=" + folder + L"\\z;alpha drive=" + folder + L"\\a").c_str());
    StoreTransfer(21, L"ALPHA");
    std::vector<std::wstring> listed;
    std::wstring selected;
    std::vector<std::string> clipped;
    Run([&](HWND sheet, HWND) {
        HWND page = Page(sheet, 2);
        listed = ComboEntries(uitest::child(page, 1051));
        selected = ComboText(uitest::child(page, 1051));
        clipped = capture_and_check(sheet, L"preference-disc");
        uitest::click(uitest::child(page, 1054));
        uitest::press(sheet, IDOK);
    });
    EXPECT_EQ((std::vector<std::wstring>{L"alpha drive", L"Zeta Writer"}), listed);
    EXPECT_EQ(L"alpha drive", selected);
    EXPECT_EQ(std::vector<std::string>{}, clipped);
    EXPECT_STREQ(L"alpha drive", Saved().cddvd.device);
    EXPECT_EQ(1, Saved().cddvd.erase);

    SetEnvironmentVariableW(L"BRISVALE_DISC_FOLDERS", nullptr);  // no writer now
    StoreTransfer(21, L"Old Writer");
    Run([&](HWND sheet, HWND) {
        HWND page = Page(sheet, 2);
        listed = ComboEntries(uitest::child(page, 1051));
        uitest::press(sheet, IDOK);
    });
    EXPECT_TRUE(listed.empty());
    EXPECT_STREQ(L"Old Writer", Saved().cddvd.device);
}

// Without the component the page says so and keeps the stored writer.
TEST_F(TransferPages, AMissingDiscComponentIsReported)
{
    StoreTransfer(21, L"Old Writer");
    ASSERT_EQ(S_OK, CallComponentsDll("DllUnregisterServer"));
    PromptRecorder prompts;
    Run([&](HWND sheet, HWND) {
        Page(sheet, 2);
        uitest::require([&] { return prompts.seen().size() == 1; }, "component message");
        uitest::press(sheet, IDOK);
    });
    ASSERT_EQ(S_OK, CallComponentsDll("DllRegisterServer"));
    ASSERT_EQ(1u, prompts.seen().size());
    EXPECT_EQ(L"CD/DVD burner ActiveX failed to initialize! You need to re-install the backup software and try again!",
              prompts.seen()[0].text);
    EXPECT_EQ(L"Error", prompts.seen()[0].caption);
    EXPECT_STREQ(L"Old Writer", Saved().cddvd.device);
}

// A file error escapes the sheet to the command that opened it, which reports it.
class Opener : public CWnd {
public:
    Opener() { CreateEx(0, AfxRegisterWndClass(0), L"Opener", WS_OVERLAPPEDWINDOW, RECT{0, 0, 100, 100}, nullptr, 0); }

protected:
    void OnPreferences() { ShowPreferenceSheet(this); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Opener, CWnd)
    ON_COMMAND(32806, &Opener::OnPreferences)
END_MESSAGE_MAP()

TEST_F(PreferenceSheet, AnUnreadableFileIsReportedByTheCommand)
{
    Store(folder.c_str(), L"%Y-%m-%d", 0, 2);
    HANDLE lock = CreateFileW(preference_path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    PromptRecorder prompts;
    Opener opener;
    opener.SendMessage(WM_COMMAND, 32806);
    CloseHandle(lock);
    auto seen = prompts.seen();
    ASSERT_EQ(1u, seen.size());
    // The sheet names the file "Preference.dat"; file names match without regard to case.
    EXPECT_NE(nullptr, StrStrIW(seen[0].text.c_str(), preference_path().c_str())) << uitest::narrow(seen[0].text);
    EXPECT_EQ(UINT(MB_ICONERROR), seen[0].flags & MB_ICONMASK);
    EXPECT_EQ(nullptr, uitest::find_window(L"Preference", L"#32770", GetCurrentProcessId()));
}

}  // namespace
