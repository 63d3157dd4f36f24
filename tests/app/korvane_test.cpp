// korvane.exe itself, started and worked from outside as a user would: the file
// type it registers, its command line, and closing it.
#include <gtest/gtest.h>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include "dialog_check.h"
#include "oe_fixture.h"
#include "regkey.h"
#include "res/resource.h"
#include "ui_driver.h"

namespace {

using namespace std::chrono_literals;

const wchar_t kTitle[] = L"Brisvale 2.9e";

std::wstring KorvanePath()
{
    const wchar_t* path = _wgetenv(L"BRISVALE_KORVANE");
    return path ? path : L"korvane.exe";
}

struct WindowQuery {
    DWORD pid;
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND w, LPARAM p)
{
    auto& q = *reinterpret_cast<WindowQuery*>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    wchar_t text[256] = {};
    GetWindowTextW(w, text, 256);
    if (owner != q.pid || wcscmp(text, q.title) != 0)
        return TRUE;
    q.found = w;
    return FALSE;
}

// One run of korvane.exe; ended by force if a test leaves it running.
class Korvane {
public:
    explicit Korvane(const std::wstring& args)
    {
        std::wstring command = L"\"" + KorvanePath() + L"\"" + (args.empty() ? L"" : L" " + args);
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            throw uitest::Failure("cannot start korvane.exe");
        CloseHandle(pi.hThread);
        process = pi.hProcess;
        pid = pi.dwProcessId;
    }
    ~Korvane()
    {
        if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
        }
        CloseHandle(process);
    }
    Korvane(const Korvane&) = delete;
    Korvane& operator=(const Korvane&) = delete;

    bool Running() const { return WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }
    // Its top-level window with this title, shown or not; nullptr when it has none.
    HWND Window(const wchar_t* title) const
    {
        WindowQuery q{pid, title, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&q));
        return q.found;
    }
    HWND WaitWindow(const wchar_t* title) const
    {
        HWND w = nullptr;
        uitest::require([&] { return (w = Window(title)) != nullptr; }, uitest::narrow(title));
        return w;
    }

    // Asks the main window to close, as its close button does; returns the question.
    HWND AskToClose(HWND main) const
    {
        PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
        HWND box = uitest::wait_window(L"Confirm exit", L"#32770", pid);
        std::vector<std::wstring> texts = uitest::texts(box, L"Static");
        EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), L"Exit Brisvale 2.9e, Are you sure?"));
        return box;
    }
    // Closes with Yes and waits for the program to end.
    void Close(HWND main)
    {
        uitest::press(AskToClose(main), IDYES);
        EXPECT_EQ(0u, uitest::wait_exit(process));
    }

    HANDLE process = nullptr;
    DWORD pid = 0;
};

std::wstring RegText(HKEY root, const std::wstring& key, const wchar_t* name = nullptr)
{
    CRegKey k;
    if (k.Open(root, key.c_str(), KEY_READ) != ERROR_SUCCESS)
        return L"(no key)";
    wchar_t text[1024];
    ULONG chars = 1024;
    return k.QueryStringValue(name, text, &chars) == ERROR_SUCCESS ? text : L"(no value)";
}

class KorvaneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        inst = oe_fixture::Load(oe_fixture::DefaultFolder());
        oe_fixture::Remove(inst);
        oe_fixture::Install(inst);
    }
    void TearDown() override { oe_fixture::Remove(inst); }
    oe_fixture::Installation inst;
};

// Every start writes the archive type for the shell, whose open verb starts this program.
TEST_F(KorvaneTest, RegistersTheArchiveTypeAndShowsTheMainWindow)
{
    CRegKey classes;
    ASSERT_EQ(ERROR_SUCCESS, classes.Open(HKEY_CLASSES_ROOT, L""));
    classes.RecurseDeleteKey(L".bvk2");
    classes.RecurseDeleteKey(L"Brisvale Archive");

    Korvane korvane(L"");
    HWND main = uitest::wait_window(kTitle, nullptr, korvane.pid);
    EXPECT_EQ(L"Brisvale Archive", RegText(HKEY_CLASSES_ROOT, L".bvk2"));
    EXPECT_EQ(L"Restore Brisvale Archive", RegText(HKEY_CLASSES_ROOT, L"Brisvale Archive\\shell\\Open"));
    const std::wstring exe = RegText(HKEY_CLASSES_ROOT, L"Brisvale Archive\\shell\\Open\\command");
    EXPECT_EQ(0u, exe.find(L"\"")) << uitest::narrow(exe);
    EXPECT_NE(std::wstring::npos, exe.find(L"korvane.exe\" \"%1\"")) << uitest::narrow(exe);
    EXPECT_TRUE(IsWindowVisible(main));
    korvane.Close(main);
}

// "-s" and "/s" start with the main window hidden; the switch is case-sensitive.
TEST_F(KorvaneTest, TheSwitchSHidesTheMainWindow)
{
    const struct {
        const wchar_t* args;
        bool shown;
    } cases[] = {{L"-s", false}, {L"/s", false}, {L"-S", true}, {L"/S", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(uitest::narrow(c.args));
        Korvane korvane(c.args);
        HWND main = korvane.WaitWindow(kTitle);
        if (c.shown) {
            uitest::require([&] { return IsWindowVisible(main) != FALSE; }, "shown");
        } else {
            std::this_thread::sleep_for(1500ms);
            EXPECT_FALSE(IsWindowVisible(main));
        }
        // Hidden or not, a close request from outside asks first.
        korvane.Close(main);
    }
}

// An archive named on the command line opens the restore wizard alone, with the
// path filled in, whatever switch comes with it; closing the wizard ends the program.
TEST_F(KorvaneTest, AnArchiveOnTheCommandLineOpensTheWizardAlone)
{
    const std::wstring archive = L"C:\\backups\\mail 1.bvk2";
    for (const wchar_t* before : {L"", L"-s "}) {
        SCOPED_TRACE(uitest::narrow(before));
        Korvane korvane(before + (L"\"" + archive + L"\""));
        HWND wizard = uitest::wait_window(L"Outlook Express Restore Wizard", nullptr, korvane.pid);
        HWND path = GetDlgItem(uitest::first_descendant(wizard, L"#32770"), IDC_ARCHIVE_PATH);
        ASSERT_NE(nullptr, path);
        EXPECT_EQ(archive, uitest::text(path));
        EXPECT_EQ(nullptr, korvane.Window(kTitle));

        uitest::press(wizard, IDCANCEL);
        HWND box = uitest::wait_window(L"Question", L"#32770", korvane.pid);
        uitest::press(box, IDYES);
        EXPECT_EQ(0u, uitest::wait_exit(korvane.process));
    }
}

// No keeps the program; Yes ends it about a second later, without asking again.
TEST_F(KorvaneTest, ClosingAsksAndEndsASecondAfterYes)
{
    Korvane korvane(L"");
    HWND main = uitest::wait_window(kTitle, nullptr, korvane.pid);
    capture_and_check(main, L"korvane-main");
    HWND box = korvane.AskToClose(main);
    capture_and_check(box, L"confirm-exit");  // the system's own box: its layout is not ours
    uitest::press(box, IDNO);
    uitest::wait_gone(box);
    std::this_thread::sleep_for(2s);
    EXPECT_TRUE(korvane.Running());
    EXPECT_TRUE(IsWindowVisible(main));

    uitest::press(korvane.AskToClose(main), IDYES);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(korvane.Running());
    EXPECT_EQ(0u, uitest::wait_exit(korvane.process));
}

}  // namespace
