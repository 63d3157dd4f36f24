// The backup settings dialog over the real "preference.dat" and quick settings of
// the test prefix, driven by typing and clicking; and the archive-name pattern.
#include <gtest/gtest.h>
#include <cstring>
#include "archive_name.h"
#include "backup_dlg.h"
#include "dialog_check.h"
#include "preference.h"
#include "preference_path.h"
#include "prompt_recorder.h"
#include "quick_settings.h"
#include "res/resource.h"
#include "ui_driver.h"
#include "ui_fixture.h"

namespace {

constexpr int kName = IDC_FILENAME, kStart = IDC_START_BACKUP, kClose = IDCANCEL, kBrowse = IDC_BROWSE,
              kGenerate = IDC_GENERATE, kCompress = IDC_COMPRESS, kProtected = IDC_PASSWORD_PROTECTED,
              kPassword = IDC_PASSWORD, kAgain = IDC_PASSWORD_AGAIN, kTransfer = IDC_TRANSFER, kToFtp = IDC_TO_FTP,
              kToDisc = IDC_TO_CDDVD, kShow = IDC_SHOW_DEFAULTS, kSettings = IDC_SETTINGS_GROUP,
              kOutput = IDC_OUTPUT_GROUP;

// 2026-12-09 14:05:07 local time.
ui::ClockSeam FixedClock()
{
    return [] { return CTime(2026, 12, 9, 14, 5, 7).GetTime(); };
}

ArchivePreference Pattern(const wchar_t* folder, const wchar_t* format, uint8_t stamp, int32_t position)
{
    ArchivePreference p;
    std::memset(&p, 0, sizeof p);
    CopyBounded(p.outputFolder, folder);
    CopyBounded(p.baseName, L"BAK");
    CopyBounded(p.timeStampFormat, format);
    p.addTimeStamp = stamp;
    p.timeStampPosition = position;
    return p;
}

TEST(ArchiveName, FollowsThePatternAndSurvivesADamagedFormat)
{
    ui::Override<ui::ClockSeam> clock(ui::clock, FixedClock());
    std::wstring tooLong;
    for (int i = 0; i < 49; ++i)
        tooLong += L"%B";  // "December" 49 times
    struct Case {
        ArchivePreference pref;
        std::wstring name;
    } cases[] = {
        {Pattern(L"C:\\Backup", L"%Y-%m-%d", 1, 1), L"C:\\Backup\\2026-12-09 - BAK.bvk2"},
        {Pattern(L"C:\\Backup", L"%Y-%m-%d", 1, 2), L"C:\\Backup\\BAK - 2026-12-09.bvk2"},
        {Pattern(L"C:\\Backup", L"%Y-%m-%d", 0, 1), L"C:\\Backup\\BAK.bvk2"},
        {Pattern(L"C:\\Backup\\", L"%Y-%m-%d", 0, 2), L"C:\\Backup\\BAK.bvk2"},
        {Pattern(L"", L"%Y-%m-%d", 0, 2), L"BAK.bvk2"},
        {Pattern(L"C:\\Backup", tooLong.c_str(), 1, 1), L"C:\\Backup\\ - BAK.bvk2"},  // does not fit 127
        {Pattern(L"C:\\Backup", L"%Y-%Q", 1, 1), L"C:\\Backup\\ - BAK.bvk2"},         // not a conversion
        {Pattern(L"C:\\Backup", L"%Y-%m-%d", 1, 7), L"C:\\Backup\\BAK - 2026-12-09.bvk2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.name, MakeArchiveFileName(c.pref)) << uitest::narrow(c.name);
    // A format without its terminator is read no further than its field.
    ArchivePreference open = Pattern(L"C:\\B", L"", 1, 2);
    std::fill(std::begin(open.timeStampFormat), std::end(open.timeStampFormat), L'y');
    EXPECT_EQ(L"C:\\B\\BAK - " + std::wstring(100, L'y') + L".bvk2", MakeArchiveFileName(open));
}

int Height(HWND h)
{
    RECT r;
    GetWindowRect(h, &r);
    return r.bottom - r.top;
}

bool Shown(HWND dlg, int id)
{
    return IsWindowVisible(GetDlgItem(dlg, id)) != FALSE;
}

// Clears an edit (not a user's act) and types the text into it as a user would.
void Retype(HWND edit, const std::wstring& text)
{
    uitest::set_text(edit, L"");
    uitest::type(edit, text);
}

class BackupDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_common_controls();
        DeleteFileW(preference_path().c_str());
        DeleteFileW(QuickSettingsPath().c_str());
        folder = scratch_folder(L"backup-dialog");
    }
    void TearDown() override
    {
        DeleteFileW(preference_path().c_str());
        DeleteFileW(QuickSettingsPath().c_str());
    }
    // Runs the dialog while the script drives it; the script must end it.
    INT_PTR Run(CBackupDialog& dlg, const std::function<void(HWND)>& script)
    {
        uitest::Driver driver([&] {
            HWND h = uitest::wait_window(L"Backup", L"#32770", GetCurrentProcessId());
            script(h);
            uitest::wait_gone(h);
        });
        INT_PTR result = dlg.DoModal();
        EXPECT_EQ("", driver.finish());
        return result;
    }
    void StorePreference(const ArchivePreference& archive)
    {
        PreferenceFile record;
        record.Clear();
        record.archive = archive;
        CopyBounded(record.ftp.host, L"127.0.0.1");
        CopyBounded(record.cddvd.device, L"Disc");
        record.Save(kPreferenceFileName);
    }
    ui::Override<ui::ClockSeam> clock{ui::clock, FixedClock()};
    std::wstring folder;
};

// Compact by default; "Show default settings" grows the window and shows the
// option groups at once, and the choice is remembered, also after "Close".
TEST_F(BackupDialog, ShowsTheOptionsOnDemandAndRemembersTheChoice)
{
    CBackupDialog dlg;
    int compact = 0, expanded = 0, compactAgain = 0;
    bool hiddenAtFirst = false, shownThen = false, hiddenAgain = false;
    std::wstring name;
    POINT centre = {};
    std::vector<std::string> clippedCompact, clippedExpanded;
    EXPECT_EQ(IDCANCEL, Run(dlg, [&](HWND h) {
                  compact = Height(h);
                  name = uitest::text(uitest::child(h, kName));
                  hiddenAtFirst = !Shown(h, kSettings) && !Shown(h, kOutput) && !Shown(h, kCompress) && Shown(h, kShow);
                  RECT r;
                  GetWindowRect(h, &r);
                  centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
                  clippedCompact = capture_and_check(h, L"backup-compact");
                  uitest::click(uitest::child(h, kShow));
                  uitest::require([&] { return Height(h) == 500; }, "expanded window");
                  expanded = Height(h);
                  shownThen = Shown(h, kSettings) && Shown(h, kOutput) && Shown(h, kPassword) && Shown(h, kToDisc);
                  clippedExpanded = capture_and_check(h, L"backup-expanded");
                  uitest::click(uitest::child(h, kShow));
                  uitest::require([&] { return Height(h) == 165; }, "compact window");
                  compactAgain = Height(h);
                  hiddenAgain = !Shown(h, kSettings) && !Shown(h, kPassword);
                  uitest::click(uitest::child(h, kShow));
                  uitest::click(uitest::child(h, kCompress));
                  uitest::click(uitest::child(h, kClose));
              }));
    EXPECT_EQ(165, compact);
    EXPECT_EQ(500, expanded);
    EXPECT_EQ(165, compactAgain);
    EXPECT_TRUE(hiddenAtFirst);
    EXPECT_TRUE(shownThen);
    EXPECT_TRUE(hiddenAgain);
    EXPECT_EQ(L"", name);  // no "preference.dat" yet
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((work.left + work.right) / 2, centre.x, 1);
    EXPECT_NEAR((work.top + work.bottom) / 2, centre.y, 1);
    EXPECT_EQ(std::vector<std::string>{}, clippedCompact);
    EXPECT_EQ(std::vector<std::string>{}, clippedExpanded);
    const std::string stored = read_file(QuickSettingsPath());
    ASSERT_EQ(516u, stored.size());
    EXPECT_EQ(1, stored[0]);    // compress
    EXPECT_EQ(0, stored[1]);    // password protected
    EXPECT_EQ(0, stored[514]);  // transfer
    EXPECT_EQ(1, stored[515]);  // show default settings
    // The next dialog opens as this one was left.
    CBackupDialog again;
    int height = 0;
    bool compressTicked = false;
    Run(again, [&](HWND h) {
        height = Height(h);
        compressTicked = uitest::is_checked(uitest::child(h, kCompress));
        uitest::key(uitest::child(h, kName), VK_ESCAPE);
    });
    EXPECT_EQ(500, height);
    EXPECT_TRUE(compressTicked);
}

TEST_F(BackupDialog, GeneratesTheNameFromThePreferenceFile)
{
    StorePreference(Pattern(folder.c_str(), L"%Y-%m-%d", 1, 2));
    PromptRecorder prompts;
    CBackupDialog dlg;
    std::wstring atOpen, typed, generated;
    Run(dlg, [&](HWND h) {
        HWND name = uitest::child(h, kName);
        atOpen = uitest::text(name);
        Retype(name, L"C:\\typed.bvk2");
        typed = uitest::text(name);
        uitest::click(uitest::child(h, kGenerate));
        uitest::require([&] { return uitest::text(name) != typed; }, "generated name");
        generated = uitest::text(name);
        DeleteFileW(preference_path().c_str());
        uitest::click(uitest::child(h, kGenerate));
        uitest::require([&] { return prompts.seen().size() == 1; }, "error box");
        uitest::click(uitest::child(h, kClose));
    });
    const std::wstring expected = folder + L"\\BAK - 2026-12-09.bvk2";
    EXPECT_EQ(expected, atOpen);
    EXPECT_EQ(L"C:\\typed.bvk2", typed);
    EXPECT_EQ(expected, generated);
    ASSERT_EQ(1u, prompts.seen().size());
    EXPECT_EQ(
        L"Before you generate a filename for current output archive, please open the preference window from "
        L"main-menu and setup the generate options!",
        prompts.seen()[0].text);
    EXPECT_EQ(L"Error", prompts.seen()[0].caption);
    EXPECT_EQ(UINT(MB_ICONERROR), prompts.seen()[0].flags);
}

// The control of the dialog's thread that has the keyboard focus.
HWND Focused(HWND dlg)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dlg, nullptr), &info);
    return info.hwndFocus;
}

// Each refusal shows its box and leaves the dialog open with the focus where the
// correction goes: typing then replaces what was refused.
TEST_F(BackupDialog, RefusesWhatCannotMakeAnArchive)
{
    PromptRecorder prompts;
    CBackupDialog dlg;
    std::vector<std::wstring> typedLong;
    std::vector<int> focusAfter;
    INT_PTR result = Run(dlg, [&](HWND h) {
        auto start = [&] {
            const size_t boxes = prompts.seen().size() + 1;
            uitest::click(uitest::child(h, kStart));
            uitest::require([&] { return prompts.seen().size() == boxes; }, "refusal " + std::to_string(boxes));
            focusAfter.push_back(GetDlgCtrlID(Focused(h)));
        };
        start();  // no name
        uitest::type(uitest::child(h, kName), folder + L"\\new.bvk2");
        uitest::click(uitest::child(h, kShow));
        uitest::click(uitest::child(h, kProtected));
        start();  // protected without a password
        uitest::type(uitest::child(h, kPassword), L"abc");
        uitest::type(uitest::child(h, kAgain), L"abd");
        start();  // the two differ
        // Longer than the archive's check block holds: the boxes take it whole,
        // and the start refuses it.
        for (const wchar_t* typed : {L"123456789012", L"fifteen-chars!!"}) {
            uitest::type(uitest::child(h, kPassword), typed);
            uitest::type(uitest::child(h, kAgain), typed);
            typedLong.push_back(uitest::text(uitest::child(h, kPassword)));
            start();
        }
        uitest::type(uitest::child(h, kPassword), L"12345678901");
        uitest::type(uitest::child(h, kAgain), L"12345678901");
        uitest::key(uitest::child(h, kAgain), VK_RETURN);  // Enter starts too
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ((std::vector<std::wstring>{L"123456789012", L"fifteen-chars!!"}), typedLong);
    EXPECT_EQ((std::vector<int>{kName, kPassword, kPassword, kPassword, kPassword}), focusAfter);
    const std::wstring texts[] = {
        L"Please enter a correct filename into the archive name box!",
        L"Your password can not be empty, please enter the password before you starting backup process!",
        L"Please enter the correct password twice in the password boxes!",
        L"Your password can not be longer than 11 characters!",
        L"Your password can not be longer than 11 characters!",
    };
    auto seen = prompts.seen();
    ASSERT_EQ(std::size(texts), seen.size());
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(texts[i], seen[i].text);
        EXPECT_EQ(L"Error", seen[i].caption);
        EXPECT_EQ(UINT(MB_ICONERROR), seen[i].flags);
    }
    EXPECT_EQ(folder + L"\\new.bvk2", dlg.job.archivePath);
    EXPECT_TRUE(dlg.job.passwordProtected);
    EXPECT_STREQ(L"12345678901", dlg.job.password);
}

// The save box's choice is used as it is; a typed name of an existing file is
// replaced only after the user agrees.
TEST_F(BackupDialog, AnExistingArchiveIsReplacedOnlyAfterAsking)
{
    const std::wstring existing = folder + L"\\old.bvk2";
    write_file(existing, "good archive");
    ui::FileChoice asked;
    ui::Override<ui::FileSeam> files(ui::chooseFile, [&](const ui::FileChoice& c) {
        asked = c;
        return std::optional<std::wstring>(existing);
    });
    {
        PromptRecorder prompts;
        CBackupDialog dlg;
        EXPECT_EQ(IDOK, Run(dlg, [&](HWND h) {
                      uitest::click(uitest::child(h, kBrowse));
                      uitest::require([&] { return uitest::text(uitest::child(h, kName)) == existing; }, "chosen name");
                      uitest::click(uitest::child(h, kStart));
                  }));
        EXPECT_TRUE(prompts.seen().empty());  // the save box has asked already
        EXPECT_EQ(existing, dlg.job.archivePath);
        EXPECT_TRUE(asked.save);
        EXPECT_EQ(L"bvk2", asked.defaultExt);
        EXPECT_EQ(L"", asked.fileName);
        EXPECT_EQ(L"Brisvale 2.9e Archive(*.bvk2)|*.bvk2|Any files(*.*)|*.*||", asked.filter);
        EXPECT_EQ(DWORD(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT), asked.flags);
    }
    PromptRecorder prompts({IDNO, IDYES});
    CBackupDialog dlg;
    bool openAfterNo = false;
    EXPECT_EQ(IDOK, Run(dlg, [&](HWND h) {
                  uitest::type(uitest::child(h, kName), existing);
                  uitest::click(uitest::child(h, kStart));
                  uitest::require([&] { return prompts.seen().size() == 1; }, "question");
                  uitest::wait_until([] { return false; }, uitest::milliseconds(300));
                  openAfterNo = IsWindowVisible(h) != FALSE;
                  uitest::click(uitest::child(h, kStart));
              }));
    EXPECT_TRUE(openAfterNo);
    auto seen = prompts.seen();
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(existing + L" already exists. Do you want to replace it?", seen[0].text);
    EXPECT_EQ(L"Confirmation", seen[0].caption);
    EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION), seen[0].flags);
    EXPECT_EQ("good archive", read_file(existing));  // nothing written yet
}

// A remembered password flag opens the dialog with its boxes ready; the job gets
// every option and the medium's block.
TEST_F(BackupDialog, RememberedOptionsFillTheJob)
{
    StorePreference(Pattern(folder.c_str(), L"%Y-%m-%d", 0, 2));
    _BackupSettings remembered = {};
    remembered.compress = 1;
    remembered.passwordProtected = 1;
    remembered.transfer = 1;
    SaveQuickSettings(remembered);
    for (int medium : {kToFtp, kToDisc}) {
        CBackupDialog dlg;
        int height = 0;
        bool ready = false;
        EXPECT_EQ(IDOK, Run(dlg, [&](HWND h) {
                      height = Height(h);
                      ready = Shown(h, kPassword) && IsWindowEnabled(uitest::child(h, kPassword)) &&
                              IsWindowEnabled(uitest::child(h, kAgain)) &&
                              uitest::is_checked(uitest::child(h, kCompress)) &&
                              uitest::is_checked(uitest::child(h, kTransfer)) &&
                              IsWindowEnabled(uitest::child(h, kToDisc));
                      uitest::type(uitest::child(h, kPassword), L"pw 12");
                      uitest::type(uitest::child(h, kAgain), L"pw 12");
                      uitest::click(uitest::child(h, medium));
                      uitest::click(uitest::child(h, kStart));
                  }));
        EXPECT_EQ(500, height);
        EXPECT_TRUE(ready);
        EXPECT_EQ(folder + L"\\BAK.bvk2", dlg.job.archivePath);
        EXPECT_TRUE(dlg.job.compress);
        EXPECT_TRUE(dlg.job.passwordProtected);
        EXPECT_STREQ(L"pw 12", dlg.job.password);
        EXPECT_TRUE(dlg.job.transfer);
        if (medium == kToFtp) {
            EXPECT_EQ(1, dlg.job.mediaType);
            ASSERT_EQ(4704, dlg.job.GetMediaPreferenceSize());
            EXPECT_STREQ(L"127.0.0.1", static_cast<const _PreferenceFTP*>(dlg.job.GetMediaPreference())->host);
        } else {
            EXPECT_EQ(2, dlg.job.mediaType);
            ASSERT_EQ(402, dlg.job.GetMediaPreferenceSize());
            EXPECT_STREQ(L"Disc", static_cast<const _PreferenceCDDVD*>(dlg.job.GetMediaPreference())->device);
        }
    }
    const std::string stored = read_file(QuickSettingsPath());
    ASSERT_EQ(516u, stored.size());
    EXPECT_EQ(std::string(512, '\0'), stored.substr(2, 512));  // the password never reaches the file
    EXPECT_EQ(1, stored[1]);
}

}  // namespace
