// The running-programs check over real processes started under the watched name.
#include <gtest/gtest.h>
#include "dialog_check.h"
#include "prompt_recorder.h"
#include "res/resource.h"
#include "running_programs.h"
#include "ui_driver.h"
#include "ui_fixture.h"

namespace {

const wchar_t kTitle[] = L" These programs must be closed!";

HWND WaitList(HWND except = nullptr)
{
    HWND found = nullptr;
    uitest::require([&] { return (found = uitest::find_window(kTitle, L"#32770", GetCurrentProcessId(), except)); },
                    "process list");
    return found;
}

class RunningPrograms : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_common_controls();
        folder = scratch_folder(L"programs");
    }
    std::wstring folder;
};

TEST_F(RunningPrograms, NothingRunningMeansGoOnWithoutAsking)
{
    EXPECT_TRUE(CheckRunningPrograms());
}

TEST_F(RunningPrograms, TerminateAllEndsEveryCopyAndTheCheckPasses)
{
    RunningProgram first(folder, L"msimn.exe"), second(folder, L"MSIMN.EXE.copy");
    RunningProgram copy(folder, L"MsImN.exe");  // a second running copy, named in other letter case
    PromptRecorder prompts({IDYES});
    std::vector<std::wstring> rows;
    std::vector<DWORD> ids;
    std::vector<std::string> clipped;
    uitest::Driver driver([&] {
        HWND h = WaitList();
        HWND list = uitest::child(h, IDC_PROCESS_LIST);
        int n = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            wchar_t text[256] = {};
            LVITEMW it = {};
            it.pszText = text;
            it.cchTextMax = 256;
            it.iSubItem = 1;
            SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(i), reinterpret_cast<LPARAM>(&it));
            rows.push_back(text);
        }
        clipped = capture_and_check(h, L"running-programs");
        uitest::press(h, IDC_TERMINATE_ALL);
        uitest::wait_gone(h);
    });
    EXPECT_TRUE(CheckRunningPrograms());
    EXPECT_EQ("", driver.finish());
    EXPECT_EQ((std::vector<std::wstring>{L"Outlook Express", L"Outlook Express"}), rows);
    EXPECT_TRUE(first.Ended());
    EXPECT_TRUE(copy.Ended());
    EXPECT_TRUE(second.Running());  // not a watched name
    ASSERT_EQ(1u, prompts.seen().size());
    EXPECT_EQ(L"Terminate programs, are you sure?", prompts.seen()[0].text);
    EXPECT_EQ(L"Confirmation", prompts.seen()[0].caption);
    EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION), prompts.seen()[0].flags);
    EXPECT_EQ(std::vector<std::string>{}, clipped);
}

// Each way out of the dialog, with the program still running.
TEST_F(RunningPrograms, RetryAsksAgainIgnoreGoesOnCancelStops)
{
    RunningProgram mail(folder, L"msimn.exe");
    constexpr int kEnter = -1, kCloseBox = -2;
    struct Case {
        std::vector<int> presses;
        std::deque<int> answers;
        bool result;
    } cases[] = {
        {{IDC_RETRY, IDC_IGNORE}, {}, true},             // Retry shows a fresh dialog; Ignore goes on
        {{kEnter, IDC_IGNORE}, {}, true},                // Enter is Retry
        {{IDC_TERMINATE_ALL, IDCANCEL}, {IDNO}, false},  // Terminate All answered No looks again
        {{IDCANCEL}, {}, false},
        {{kCloseBox}, {}, false},
    };
    for (const Case& c : cases) {
        PromptRecorder prompts(c.answers);
        WORD defaultId = IDC_RETRY;
        uitest::Driver driver([&] {
            HWND previous = nullptr;
            for (int id : c.presses) {
                HWND h = WaitList(previous);
                if (id == kEnter) {
                    // OK would look the same from outside: the default button must be Retry.
                    defaultId = LOWORD(SendMessageW(h, DM_GETDEFID, 0, 0));
                    PostMessageW(uitest::child(h, IDC_PROCESS_LIST), WM_KEYDOWN, VK_RETURN, 0);
                } else if (id == kCloseBox) {
                    PostMessageW(h, WM_SYSCOMMAND, SC_CLOSE, 0);
                } else {
                    uitest::press(h, id);
                }
                uitest::wait_gone(h);
                previous = h;
            }
        });
        EXPECT_EQ(c.result, CheckRunningPrograms());
        EXPECT_EQ("", driver.finish());
        EXPECT_TRUE(mail.Running());
        EXPECT_EQ(IDC_RETRY, defaultId);
        EXPECT_EQ(c.answers.size(), prompts.seen().size());  // only Terminate All asks
    }
}

// A row whose process id now belongs to another program must not end it.
TEST_F(RunningPrograms, TerminateAllSparesAProcessThatReusedTheId)
{
    RunningProgram other(folder, L"notmail.exe");
    ProcessEntry stale = {};
    wcscpy(stale.exeName, L"msimn.exe");
    wcscpy(stale.displayName, L"Outlook Express");
    stale.processId = other.id();
    PromptRecorder prompts({IDYES});
    CProcessListDialog dlg({stale}, nullptr);
    uitest::Driver driver([&] {
        HWND h = WaitList();
        uitest::press(h, IDC_TERMINATE_ALL);
        uitest::wait_gone(h);
    });
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ("", driver.finish());
    EXPECT_TRUE(other.Running());
}

}  // namespace
