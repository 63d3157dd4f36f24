// The owner of dialogs given no parent, and the worker start protocol.
#include <gtest/gtest.h>
#include <stdexcept>
#include "afxwin.h"
#include "prompt_recorder.h"
#include "ui_driver.h"

namespace {

class TestApp : public CWinApp {};

class Frame : public CWnd {
public:
    BOOL Make(const wchar_t* title, CWnd* owner = nullptr)
    {
        return CreateEx(0, AfxRegisterWndClass(0), title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 300, 200}, owner,
                        0);
    }
};

class Owner : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(main.Make(L"Main window"));
        app.m_pMainWnd = &main;
    }
    void TearDown() override { app.m_pMainWnd = nullptr; }
    TestApp app;
    Frame main;
};

TEST_F(Owner, NoParentMeansTheMainWindowsLastActivePopup)
{
    EXPECT_EQ(main.m_hWnd, SafeOwner(nullptr));
    Frame popup;
    ASSERT_TRUE(popup.Make(L"Popup", &main));
    SetActiveWindow(popup.m_hWnd);
    EXPECT_EQ(popup.m_hWnd, SafeOwner(nullptr));
}

TEST_F(Owner, AChildParentGivesItsTopLevelWindow)
{
    CStatic child;
    ASSERT_TRUE(child.Create(L"", WS_VISIBLE, RECT{0, 0, 10, 10}, &main, 5));
    EXPECT_EQ(main.m_hWnd, SafeOwner(child.m_hWnd));
}

TEST_F(Owner, WithoutAMainWindowTheActiveWindowOwns)
{
    app.m_pMainWnd = nullptr;
    Frame other;
    ASSERT_TRUE(other.Make(L"Other"));
    SetActiveWindow(other.m_hWnd);
    EXPECT_EQ(other.m_hWnd, SafeOwner(nullptr));
}

// A modal dialog with no parent disables the main window while it runs, and its
// message boxes are owned by it.
TEST_F(Owner, AModalDialogWithoutParentIsOwnedAndDisablesTheMainWindow)
{
    CDialog dlg(200);
    bool mainEnabled = true;
    HWND owner = nullptr;
    uitest::Driver driver([&] {
        HWND h = uitest::wait_window(L"Layer test", L"#32770", GetCurrentProcessId());
        mainEnabled = IsWindowEnabled(main.m_hWnd);
        owner = GetWindow(h, GW_OWNER);
        uitest::press(h, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_EQ("", driver.finish());
    EXPECT_FALSE(mainEnabled);
    EXPECT_EQ(main.m_hWnd, owner);
    EXPECT_TRUE(IsWindowEnabled(main.m_hWnd));
}

TEST_F(Owner, DestroyingTheMainWindowClearsItAndEndsTheLoop)
{
    main.DestroyWindow();
    EXPECT_EQ(nullptr, app.m_pMainWnd);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// ---- workers

struct Gate {
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> runs{0};
    ~Gate() { CloseHandle(release); }
};

UINT Quick(LPVOID p)
{
    static_cast<Gate*>(p)->runs++;
    return 0;
}

UINT Blocking(LPVOID p)
{
    auto* g = static_cast<Gate*>(p);
    WaitForSingleObject(g->release, INFINITE);
    g->runs++;
    return 0;
}

UINT Throwing(LPVOID)
{
    throw std::runtime_error("worker failed");
}

TEST(Worker, AWorkerThatEndsAtOnceStillClearsItsMark)
{
    for (int i = 0; i < 50; ++i) {
        Gate g;
        std::atomic<bool> running{false};
        ASSERT_TRUE(StartWorker(running, Quick, &g));
        EXPECT_TRUE(uitest::wait_until([&] { return !running.load(); }));
        EXPECT_EQ(1, g.runs.load());
    }
}

TEST(Worker, TheMarkStaysSetWhileTheWorkerRuns)
{
    Gate g;
    std::atomic<bool> running{false};
    ASSERT_TRUE(StartWorker(running, Blocking, &g));
    EXPECT_TRUE(running.load());
    SetEvent(g.release);
    EXPECT_TRUE(uitest::wait_until([&] { return !running.load(); }));
    EXPECT_EQ(1, g.runs.load());
}

TEST(Worker, AnExceptionIsReportedAndTheMarkCleared)
{
    PromptRecorder prompts;
    std::atomic<bool> running{false};
    ASSERT_TRUE(StartWorker(running, Throwing, nullptr));
    EXPECT_TRUE(uitest::wait_until([&] { return !running.load(); }));
    ASSERT_EQ(1u, prompts.seen().size());
    EXPECT_EQ(L"worker failed", prompts.seen()[0].text);
}

}  // namespace

namespace {

// The program entry: InitInstance, then the message loop until the main window goes.
class LoopApp : public CWinApp {
public:
    bool init = true;
    Frame frame;
    BOOL InitInstance() override
    {
        if (!frame.Make(L"Loop window"))
            return FALSE;
        m_pMainWnd = &frame;
        if (!init)
            return FALSE;
        frame.PostMessage(WM_CLOSE);
        return TRUE;
    }
};

TEST(Application, TheLoopRunsUntilTheMainWindowIsDestroyed)
{
    LoopApp app;
    EXPECT_EQ(0, AfxWinMain(GetModuleHandleW(nullptr), SW_SHOW));
    EXPECT_EQ(nullptr, app.m_pMainWnd);
    EXPECT_EQ(nullptr, app.frame.m_hWnd);
    EXPECT_EQ(L"classlib_test", app.m_appName);  // no title string: the program's name
}

TEST(Application, AFailedStartDestroysTheHalfMadeMainWindow)
{
    LoopApp app;
    app.init = false;
    AfxWinMain(GetModuleHandleW(nullptr), SW_SHOW);
    EXPECT_EQ(nullptr, app.frame.m_hWnd);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))  // the quit the destruction posted
        ;
}

}  // namespace
