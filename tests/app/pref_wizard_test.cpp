// The preference wizard's five pages in a wizard sheet of the test's own, over the
// real "preference.dat" of the test prefix, and the prompt that offers the wizard.
#include <gtest/gtest.h>
#include <ole2.h>
#include <deque>
#include <functional>
#include "copier_harness.h"
#include "dialog_check.h"
#include "eng_except.h"
#include "pref_wizard.h"
#include "preference_path.h"
#include "prompt_recorder.h"
#include "prompt_setup_pref_dlg.h"
#include "res/resource.h"
#include "ui_driver.h"
#include "ui_fixture.h"

namespace {

constexpr int kBack = 0x3023, kNext = 0x3024, kFinish = 0x3025;
// The sheet's own caption, which the title bar never shows: each page's caption replaces it.
const wchar_t kWizard[] = L"Preference wizard";
const wchar_t kWelcomeCaption[] = L"Initialize preference wizard: Welcome";
const wchar_t* const kTitles[] = {L"Welcome to preference initialize wizard",
                                  L"Initialize filename generator and default folder", L"Initialize FTP settings",
                                  L"Initialize CD/DVD writable device", L"Initialization finish"};
enum PageIndex { kWelcomePage, kArchivePage, kFtpPage, kCdPage, kFinishPage };

HWND CurrentPage(HWND sheet)
{
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

HWND Control(HWND sheet, int id)
{
    return uitest::child(CurrentPage(sheet), id);
}

// Waits until the wizard shows page `index`.
HWND WaitPage(HWND sheet, int index)
{
    uitest::require(
        [&] {
            HWND page = CurrentPage(sheet);
            return page && uitest::text(GetDlgItem(page, IDC_WIZ_TITLE)) == kTitles[index];
        },
        "page " + uitest::narrow(kTitles[index]));
    return CurrentPage(sheet);
}

// The sheet's buttons a user can press now, e.g. "Back Next Cancel".
std::string Buttons(HWND sheet)
{
    std::string out;
    for (auto [id, name] : {std::pair{kBack, "Back"}, {kNext, "Next"}, {kFinish, "Finish"}, {IDCANCEL, "Cancel"}}) {
        HWND b = GetDlgItem(sheet, id);
        if (b && IsWindowVisible(b) && IsWindowEnabled(b))
            out += (out.empty() ? "" : " ") + std::string(name);
    }
    return out;
}

// The buttons show what the page posted once the sheet has handled it.
std::string WaitButtons(HWND sheet, const std::string& expected)
{
    uitest::wait_until([&] { return Buttons(sheet) == expected; }, std::chrono::milliseconds(3000));
    return Buttons(sheet);
}

void Press(HWND sheet, int id)
{
    uitest::click(uitest::child(sheet, id));
}

// Types text over what the edit holds, as a person selects it all first.
void Type(HWND edit, const std::wstring& text)
{
    uitest::key(edit, VK_HOME);
    uitest::key(edit, VK_END, false, true);
    uitest::key(edit, VK_DELETE);
    uitest::type(edit, text);
}

void Type(HWND sheet, int id, const std::wstring& text)
{
    Type(Control(sheet, id), text);
}

// Picks a drop-down list's entry with the arrow keys.
void Choose(HWND combo, int index)
{
    uitest::key(combo, VK_HOME);
    for (int i = 0; i < index; ++i)
        uitest::key(combo, VK_DOWN);
}

// Every message box is recorded; once the scripted answers run out each gets Yes,
// so that a failed script can always close the wizard.
struct WizardPrompts : PromptRecorder {
    explicit WizardPrompts(std::deque<int> answers = {}) : PromptRecorder(std::move(answers), IDYES) {}
};

class PrefWizard : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(S_OK, CallComponentsDll("DllRegisterServer")); }
    void SetUp() override
    {
        init_common_controls();
        DeleteFileW(preference_path().c_str());
        folder = scratch_folder(L"wizard");
        SetEnvironmentVariableW(L"BRISVALE_DISC_FOLDERS",
                                (L"Zeta Writer=" + folder + L";alpha drive=" + folder).c_str());
    }
    void TearDown() override
    {
        SetEnvironmentVariableW(L"BRISVALE_DISC_FOLDERS", nullptr);
        DeleteFileW(preference_path().c_str());
    }

    // Runs the wizard over the stored record while the script drives it, and saves
    // the record after Finish, as whoever offers the wizard would.
    INT_PTR Run(const std::function<void(HWND sheet)>& script)
    {
        OleInitialize(nullptr);
        PreferenceFile record;
        record.Clear();
        try {
            record.Load(kPreferenceFileName);
        } catch (const EngExcept::EFileNotFound&) {
        }
        CPropertySheet sheet(kWizard);
        sheet.SetWizardMode();
        sheet.m_psh.dwFlags &= ~PSH_HASHELP;
        CInitPrefWelcome welcome(&record, &sheet);
        CInitPrefArchive archive(&record, &sheet);
        CInitPrefFTP ftp(&record, &sheet);
        CInitPrefCD cd(&record, &sheet);
        CInitPrefFinish finish(&record, &sheet);
        for (CPropertyPage* page : std::initializer_list<CPropertyPage*>{&welcome, &archive, &ftp, &cd, &finish}) {
            page->m_psp.dwFlags &= ~PSP_HASHELP;
            sheet.AddPage(page);
        }
        uitest::Driver driver([&] {
            HWND h = uitest::wait_window(kWelcomeCaption, L"#32770", GetCurrentProcessId());
            WaitPage(h, kWelcomePage);
            script(h);
            uitest::wait_gone(h);
        });
        INT_PTR result = sheet.DoModal();
        if (result == ID_WIZFINISH)
            record.Save(kPreferenceFileName);
        EXPECT_EQ("", driver.finish());
        OleUninitialize();
        return result;
    }
    // From the welcome page to a filled archive page's successor.
    void PassArchivePage(HWND sheet)
    {
        Press(sheet, kNext);
        WaitPage(sheet, kArchivePage);
        Type(sheet, IDC_FOLDER, folder);
        Type(sheet, IDC_FILENAME, L"Weekly");
        Press(sheet, kNext);
        WaitPage(sheet, kFtpPage);
    }
    // From the FTP page through the CD/DVD page to Finish.
    void FinishFromFtpPage(HWND sheet)
    {
        Press(sheet, kNext);
        WaitPage(sheet, kCdPage);
        Press(sheet, kNext);
        WaitPage(sheet, kFinishPage);
        Press(sheet, kFinish);
    }
    // A stored record whose FTP and CD/DVD blocks the wizard must keep unless told.
    void StoreAccount()
    {
        PreferenceFile record;
        record.Clear();
        CopyBounded(record.archive.baseName, L"Old");
        CopyBounded(record.ftp.host, L"ftp.stored");
        record.ftp.port = 990;
        CopyBounded(record.ftp.user, L"keeper");
        CopyBounded(record.cddvd.device, L"Stored Writer");
        record.cddvd.erase = 1;
        record.Save(kPreferenceFileName);
    }
    PreferenceFile Saved()
    {
        PreferenceFile record;
        record.Clear();
        record.Load(kPreferenceFileName);
        return record;
    }
    // 2026-12-09 14:05:07 local time, for every sample and preview.
    ui::Override<ui::ClockSeam> clock{ui::clock, [] { return CTime(2026, 12, 9, 14, 5, 7).GetTime(); }};
    std::wstring folder;
};

// The main path: every page typed and clicked through, then Finish; each page's
// buttons and picture.
TEST_F(PrefWizard, WalkingThroughStoresWhatEveryPageHolds)
{
    WizardPrompts prompts;
    std::vector<std::string> buttons, clipped;
    std::vector<std::wstring> captions;
    std::wstring previewAfter, previewBefore, previewNoStamp;
    bool stampDisabled = false, ftpDisabled = false, cdDisabled = false;
    std::vector<std::wstring> writers;
    INT_PTR result = Run([&](HWND sheet) {
        auto look = [&](const wchar_t* name) {
            // The wizard's title bar, which shows the current page's caption.
            if (captions.empty() || captions.back() != uitest::text(sheet))
                captions.push_back(uitest::text(sheet));
            for (const std::string& c : capture_and_check(sheet, name))
                clipped.push_back(uitest::narrow(name) + ": " + c);
        };
        buttons.push_back(WaitButtons(sheet, "Next Cancel"));
        look(L"wizard_welcome");
        Press(sheet, kNext);

        WaitPage(sheet, kArchivePage);
        buttons.push_back(WaitButtons(sheet, "Back Next Cancel"));
        stampDisabled = !IsWindowEnabled(Control(sheet, IDC_STAMP_BEFORE)) &&
                        !IsWindowEnabled(Control(sheet, IDC_STAMP_AFTER)) &&
                        !IsWindowEnabled(Control(sheet, IDC_WIZ_STAMP_FORMAT));
        look(L"wizard_archive");
        Type(Control(sheet, IDC_FOLDER), folder);
        Type(Control(sheet, IDC_FILENAME), L"Weekly");
        previewNoStamp = uitest::text(Control(sheet, IDC_WIZ_PREVIEW));
        uitest::click(Control(sheet, IDC_WIZ_ADD_STAMP));
        previewBefore = uitest::text(Control(sheet, IDC_WIZ_PREVIEW));
        uitest::click(Control(sheet, IDC_STAMP_AFTER));
        // The list is sorted by sample: "2026-12-09" comes right after "12-09-2026@02-05-07 PM".
        HWND formats = Control(sheet, IDC_WIZ_STAMP_FORMAT);
        Choose(formats, 3);
        previewAfter = uitest::text(Control(sheet, IDC_WIZ_PREVIEW));
        look(L"wizard_archive_filled");
        Press(sheet, kNext);

        WaitPage(sheet, kFtpPage);
        buttons.push_back(WaitButtons(sheet, "Back Next Cancel"));
        ftpDisabled =
            !IsWindowEnabled(Control(sheet, IDC_FTP_HOST)) && !IsWindowEnabled(Control(sheet, IDC_FTP_PORT)) &&
            !IsWindowEnabled(Control(sheet, IDC_FTP_PASSIVE)) && !IsWindowEnabled(Control(sheet, IDC_HOST_LABEL));
        look(L"wizard_ftp");
        uitest::click(Control(sheet, IDC_USE_FTP));
        Type(Control(sheet, IDC_FTP_HOST), L"ftp.example.org");
        Type(Control(sheet, IDC_FTP_PORT), L"2121");
        Type(Control(sheet, IDC_FTP_USER), L"mail");
        Type(Control(sheet, IDC_PASSWORD), L"s3cret!");
        Type(Control(sheet, IDC_FTP_DIRECTORY), L"/backups/mail");
        uitest::click(Control(sheet, IDC_FTP_PASSIVE));
        look(L"wizard_ftp_filled");
        Press(sheet, kNext);

        WaitPage(sheet, kCdPage);
        buttons.push_back(WaitButtons(sheet, "Back Next Cancel"));
        cdDisabled =
            !IsWindowEnabled(Control(sheet, IDC_WIZ_DEVICE)) && !IsWindowEnabled(Control(sheet, IDC_CDDVD_ERASE));
        HWND devices = Control(sheet, IDC_WIZ_DEVICE);
        for (int i = 0, n = int(SendMessageW(devices, CB_GETCOUNT, 0, 0)); i < n; ++i)
            writers.push_back(CComboBox::GetLBText(devices, i));
        look(L"wizard_cd");
        uitest::click(Control(sheet, IDC_USE_CD));
        Choose(devices, 1);
        uitest::click(Control(sheet, IDC_CDDVD_ERASE));
        Press(sheet, kNext);

        WaitPage(sheet, kFinishPage);
        buttons.push_back(WaitButtons(sheet, "Back Finish Cancel"));
        look(L"wizard_finish");
        Press(sheet, kFinish);
    });
    EXPECT_EQ(ID_WIZFINISH, result);
    EXPECT_EQ((std::vector<std::string>{"Next Cancel", "Back Next Cancel", "Back Next Cancel", "Back Next Cancel",
                                        "Back Finish Cancel"}),
              buttons);
    EXPECT_EQ(std::vector<std::string>{}, clipped);
    EXPECT_EQ((std::vector<std::wstring>{L"Initialize preference wizard: Welcome",
                                         L"Initialize preference wizard: Archive filename generator",
                                         L"Initialize preference wizard: FTP settings",
                                         L"Initialize preference wizard: CD/DVD writer settings",
                                         L"Initialize preference wizard: Welcome"}),
              captions);
    EXPECT_EQ(0u, prompts.seen().size());
    EXPECT_TRUE(stampDisabled);
    EXPECT_TRUE(ftpDisabled);
    EXPECT_TRUE(cdDisabled);
    EXPECT_EQ(folder + L"\\Weekly.bvk2", previewNoStamp);
    EXPECT_EQ(folder + L"\\December 09, 2026@14.05.07.PM - Weekly.bvk2", previewBefore);
    EXPECT_EQ(folder + L"\\Weekly - 2026-12-09.bvk2", previewAfter);
    EXPECT_EQ((std::vector<std::wstring>{L"alpha drive", L"Zeta Writer"}), writers);

    std::string bytes = read_file(preference_path());
    ASSERT_EQ(13506u, bytes.size());
    PreferenceFile saved = Saved();
    EXPECT_EQ(folder, saved.archive.outputFolder);
    EXPECT_STREQ(L"Weekly", saved.archive.baseName);
    EXPECT_STREQ(L"%Y-%m-%d", saved.archive.timeStampFormat);
    EXPECT_EQ(1, saved.archive.addTimeStamp);
    EXPECT_EQ(2, saved.archive.timeStampPosition);
    EXPECT_STREQ(L"ftp.example.org", saved.ftp.host);
    EXPECT_EQ(2121, saved.ftp.port);
    EXPECT_STREQ(L"mail", saved.ftp.user);
    EXPECT_STREQ(L"s3cret!", saved.ftp.password);
    EXPECT_STREQ(L"/backups/mail", saved.ftp.directory);
    EXPECT_EQ(1, saved.ftp.passive);
    EXPECT_STREQ(L"Zeta Writer", saved.cddvd.device);
    EXPECT_EQ(1, saved.cddvd.erase);
}

// The folder is checked before the base name; the page stays until both are right.
TEST_F(PrefWizard, TheArchivePageRefusesAMissingFolderOrBaseName)
{
    WizardPrompts prompts;
    struct Case {
        std::wstring folder, name;
        const wchar_t* message;
    } cases[] = {
        {L"", L"", L"Please enter a valid default folder path!"},
        {folder + L"\\missing", L"Weekly", L"Please enter a valid default folder path!"},
        {folder, L"",
         L"The base filename has not been filled, please enter a base filename for your output archive file!"},
        {folder, L"Weekly", nullptr},
    };
    std::vector<int> stayed;
    Run([&](HWND sheet) {
        Press(sheet, kNext);
        WaitPage(sheet, kArchivePage);
        for (const Case& c : cases) {
            Type(sheet, IDC_FOLDER, c.folder);
            Type(sheet, IDC_FILENAME, c.name);
            size_t before = prompts.seen().size();
            Press(sheet, kNext);
            if (c.message)
                uitest::require([&] { return prompts.seen().size() == before + 1; }, "message");
            else
                WaitPage(sheet, kFtpPage);
            stayed.push_back(uitest::text(GetDlgItem(CurrentPage(sheet), IDC_WIZ_TITLE)) == kTitles[kArchivePage]);
        }
        Press(sheet, kBack);
        WaitPage(sheet, kArchivePage);
        stayed.push_back(uitest::text(Control(sheet, IDC_FILENAME)) == L"Weekly");  // kept on the way back
        Press(sheet, IDCANCEL);
    });
    EXPECT_EQ((std::vector<int>{1, 1, 1, 0, 1}), stayed);
    auto seen = prompts.seen();
    ASSERT_EQ(4u, seen.size());  // three refusals and the cancel question
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(cases[i].message, seen[i].text);
        EXPECT_EQ(L"Error", seen[i].caption);
        EXPECT_EQ(UINT(MB_ICONERROR), seen[i].flags);
    }
}

// With the box ticked: host, port and user are checked in that order; only a
// negative port is wrong; text that is no number gets the exchange's own message.
// After a pass the user comes back with Back for the next case.
TEST_F(PrefWizard, TheFtpPageChecksTheAccountWhenTicked)
{
    WizardPrompts prompts;
    struct Case {
        const wchar_t* host;
        const wchar_t* port;
        const wchar_t* user;
        const wchar_t* message;
    } cases[] = {
        {L"", L"21", L"mail", L"Invalid host name!"},
        {L"ftp.example.org", L"-1", L"mail", L"Port number is wrong!"},
        {L"ftp.example.org", L"-65536", L"mail", L"Port number is wrong!"},
        {L"ftp.example.org", L"21x", L"mail", L"Enter an integer."},
        {L"ftp.example.org", L"", L"mail", L"Enter an integer."},
        {L"ftp.example.org", L"21", L"", L"Invalid user name!"},
        {L"", L"-1", L"", L"Invalid host name!"},
        {L"ftp.example.org", L"65536", L"mail", nullptr},
        {L"ftp.example.org", L"0", L"mail", nullptr},
    };
    std::vector<std::wstring> messages;
    std::vector<int> passed;
    INT_PTR result = Run([&](HWND sheet) {
        PassArchivePage(sheet);
        uitest::click(Control(sheet, IDC_USE_FTP));
        for (const Case& c : cases) {
            Type(sheet, IDC_FTP_HOST, c.host);
            Type(sheet, IDC_FTP_PORT, c.port);
            Type(sheet, IDC_FTP_USER, c.user);
            size_t before = prompts.seen().size();
            Press(sheet, kNext);
            if (c.message) {
                uitest::require([&] { return prompts.seen().size() == before + 1; }, "message");
                messages.push_back(prompts.seen().back().text);
                WaitPage(sheet, kFtpPage);
            } else {
                WaitPage(sheet, kCdPage);
                Press(sheet, kBack);
                WaitPage(sheet, kFtpPage);
            }
            passed.push_back(c.message == nullptr);
        }
        FinishFromFtpPage(sheet);
    });
    EXPECT_EQ(ID_WIZFINISH, result);
    std::vector<std::wstring> expected;
    for (const Case& c : cases)
        if (c.message)
            expected.push_back(c.message);
    EXPECT_EQ(expected, messages);
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0, 0, 0, 0, 1, 1}), passed);
    PreferenceFile saved = Saved();
    EXPECT_STREQ(L"ftp.example.org", saved.ftp.host);
    EXPECT_EQ(0, saved.ftp.port);
    EXPECT_STREQ(L"mail", saved.ftp.user);
}

// A refused account never reaches the record: unticked afterwards, the stored
// account is what Finish saves; put right, the corrected one is.
TEST_F(PrefWizard, ARefusedAccountIsNeverCollected)
{
    struct Case {
        bool untick;
        const wchar_t* host;
        int32_t port;
        const wchar_t* user;
    } cases[] = {
        {true, L"ftp.stored", 990, L"keeper"},
        {false, L"ftp.fixed.org", 2121, L"intruder"},
    };
    for (const Case& c : cases) {
        StoreAccount();
        WizardPrompts prompts;
        INT_PTR result = Run([&](HWND sheet) {
            PassArchivePage(sheet);
            uitest::click(Control(sheet, IDC_USE_FTP));
            Type(sheet, IDC_FTP_PORT, L"2121");
            Type(sheet, IDC_FTP_USER, L"intruder");
            Type(sheet, IDC_PASSWORD, L"typed");
            Press(sheet, kNext);  // no host
            uitest::require([&] { return prompts.seen().size() == 1; }, "host message");
            WaitPage(sheet, kFtpPage);
            if (c.untick)
                uitest::click(Control(sheet, IDC_USE_FTP));
            else
                Type(sheet, IDC_FTP_HOST, L"ftp.fixed.org");
            FinishFromFtpPage(sheet);
        });
        EXPECT_EQ(ID_WIZFINISH, result);
        ASSERT_EQ(1u, prompts.seen().size());
        EXPECT_EQ(L"Invalid host name!", prompts.seen()[0].text);
        PreferenceFile saved = Saved();
        EXPECT_STREQ(c.host, saved.ftp.host) << c.untick;
        EXPECT_EQ(c.port, saved.ftp.port) << c.untick;
        EXPECT_STREQ(c.user, saved.ftp.user) << c.untick;
        EXPECT_STREQ(c.untick ? L"" : L"typed", saved.ftp.password) << c.untick;
    }
}

// The boxes take no more than the record holds, and the port's arrows run 0 to 65535.
TEST_F(PrefWizard, TheFtpBoxesFitTheRecord)
{
    std::wstring host(120, L'h'), password(120, L'p');
    int low = -1, high = -1;
    std::wstring portUp, portTop;
    Run([&](HWND sheet) {
        PassArchivePage(sheet);
        uitest::click(Control(sheet, IDC_USE_FTP));
        Type(Control(sheet, IDC_FTP_HOST), host);
        Type(Control(sheet, IDC_PASSWORD), password);
        Type(Control(sheet, IDC_FTP_USER), L"mail");
        SendMessageW(Control(sheet, IDC_FTP_PORT_SPIN), UDM_GETRANGE32, WPARAM(&low), LPARAM(&high));
        Type(sheet, IDC_FTP_PORT, L"21");
        uitest::key(Control(sheet, IDC_FTP_PORT), VK_UP);
        portUp = uitest::text(Control(sheet, IDC_FTP_PORT));
        Type(sheet, IDC_FTP_PORT, L"65535");
        uitest::key(Control(sheet, IDC_FTP_PORT), VK_UP);
        portTop = uitest::text(Control(sheet, IDC_FTP_PORT));
        FinishFromFtpPage(sheet);
    });
    EXPECT_EQ(0, low);
    EXPECT_EQ(65535, high);
    EXPECT_EQ(L"22", portUp);
    EXPECT_EQ(L"65535", portTop);
    PreferenceFile saved = Saved();
    EXPECT_EQ(host.substr(0, 99), saved.ftp.host);
    EXPECT_EQ(password.substr(0, 99), saved.ftp.password);
    EXPECT_EQ(65535, saved.ftp.port);
}

// An unticked FTP page passes whatever its boxes hold and leaves the stored account
// alone; the CD/DVD page stores the writer it shows, none when nothing is chosen.
TEST_F(PrefWizard, AnUntickedFtpPageKeepsTheStoredAccount)
{
    StoreAccount();
    WizardPrompts prompts;
    INT_PTR result = Run([&](HWND sheet) {
        PassArchivePage(sheet);
        uitest::click(Control(sheet, IDC_USE_FTP));
        Type(Control(sheet, IDC_FTP_HOST), L"typed.but.unticked");
        uitest::click(Control(sheet, IDC_USE_FTP));
        FinishFromFtpPage(sheet);
    });
    EXPECT_EQ(ID_WIZFINISH, result);
    EXPECT_EQ(0u, prompts.seen().size());
    PreferenceFile saved = Saved();
    EXPECT_STREQ(L"Weekly", saved.archive.baseName);
    EXPECT_STREQ(L"ftp.stored", saved.ftp.host);
    EXPECT_EQ(990, saved.ftp.port);
    EXPECT_STREQ(L"keeper", saved.ftp.user);
    EXPECT_STREQ(L"", saved.cddvd.device);
    EXPECT_EQ(0, saved.cddvd.erase);
}

TEST_F(PrefWizard, TheCdPageWantsAWriterWhenTicked)
{
    WizardPrompts prompts;
    INT_PTR result = Run([&](HWND sheet) {
        PassArchivePage(sheet);
        Press(sheet, kNext);
        WaitPage(sheet, kCdPage);
        uitest::click(Control(sheet, IDC_USE_CD));
        Press(sheet, kNext);
        uitest::require([&] { return prompts.seen().size() == 1; }, "message");
        WaitPage(sheet, kCdPage);
        Choose(Control(sheet, IDC_WIZ_DEVICE), 0);
        Press(sheet, kNext);
        WaitPage(sheet, kFinishPage);
        Press(sheet, kFinish);
    });
    EXPECT_EQ(ID_WIZFINISH, result);
    auto seen = prompts.seen();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(L"Before you go next step, please select a writable device from drop-down list!", seen[0].text);
    EXPECT_EQ(L"Error", seen[0].caption);
    EXPECT_EQ(UINT(MB_ICONERROR), seen[0].flags);
    PreferenceFile saved = Saved();
    EXPECT_STREQ(L"alpha drive", saved.cddvd.device);
    EXPECT_EQ(0, saved.cddvd.erase);
}

// Cancel asks; No keeps the wizard, Yes ends it and nothing is saved.
TEST_F(PrefWizard, CancelAsksFirst)
{
    StoreAccount();
    std::string stored = read_file(preference_path());
    WizardPrompts prompts({IDNO});
    bool open = false;
    INT_PTR result = Run([&](HWND sheet) {
        PassArchivePage(sheet);
        Press(sheet, IDCANCEL);
        uitest::require([&] { return prompts.seen().size() == 1; }, "question");
        open = IsWindowVisible(sheet) && WaitPage(sheet, kFtpPage);
        Press(sheet, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_TRUE(open);
    auto seen = prompts.seen();
    ASSERT_EQ(2u, seen.size());
    for (const PromptRecord& p : seen) {
        EXPECT_EQ(L"Are you sure to exit initialize preference wizard?", p.text);
        EXPECT_EQ(L"Warning", p.caption);
        EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION), p.flags);
    }
    EXPECT_EQ(stored, read_file(preference_path()));
}

// ---- CPromptSetupPrefDlg

TEST(PromptSetupPref, RemembersTheBoxAndAnswersOkOrCancel)
{
    init_common_controls();
    struct Case {
        bool tick;
        int button;
        INT_PTR result;
        BOOL dontShow;
    } cases[] = {
        {true, IDOK, IDOK, TRUE},
        {false, IDCANCEL, IDCANCEL, FALSE},
    };
    for (const Case& c : cases) {
        CPromptSetupPrefDlg dlg;
        std::vector<std::string> clipped;
        std::wstring text;
        uitest::Driver driver([&] {
            HWND h = uitest::wait_window(L"Setup Preference?", L"#32770", GetCurrentProcessId());
            clipped = capture_and_check(h, L"prompt_setup_pref");
            text = uitest::text(uitest::child(h, IDC_DONT_SHOW_AGAIN));
            if (c.tick) {
                uitest::click(uitest::child(h, IDC_DONT_SHOW_AGAIN));
                uitest::require([&] { return dlg.dontShowAgain == TRUE; }, "member follows the box");
            }
            uitest::click(uitest::child(h, c.button));
            uitest::wait_gone(h);
        });
        EXPECT_EQ(c.result, dlg.DoModal());
        EXPECT_EQ("", driver.finish());
        EXPECT_EQ(std::vector<std::string>{}, clipped);
        EXPECT_EQ(L"Please don't show the prompt dialog-box on next time", text);
        EXPECT_EQ(c.dontShow, dlg.dontShowAgain);
    }
}

}  // namespace
