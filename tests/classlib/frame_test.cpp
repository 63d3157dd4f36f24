// Frame windows: docked bars and the view between them, command routing view ->
// frame -> application, accelerators, focus, and the frame going with its window.
#include <gtest/gtest.h>
#include <array>
#include "afxwin.h"
#include "prompt_recorder.h"

namespace {

class View : public CWnd {
public:
    int viewCommands = 0;
    int shared = 0;

protected:
    void OnViewCommand() { ++viewCommands; }
    void OnShared() { ++shared; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(View, CWnd)
    ON_COMMAND(402, &View::OnViewCommand)
    ON_COMMAND(403, &View::OnShared)
END_MESSAGE_MAP()

// A bar that takes F9 for itself.
class KeyBar : public CStatic {
public:
    int keys = 0;
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message != WM_KEYDOWN || msg->wParam != VK_F9)
            return FALSE;
        ++keys;
        return TRUE;
    }
};

class Frame : public CFrameWnd {
public:
    explicit Frame(bool* gone) : gone_(gone) {}
    ~Frame() override { *gone_ = true; }
    View view;
    CStatic top1, bottom;
    KeyBar top2;
    int frameCommands = 0;
    int shared = 0;

protected:
    int OnCreate(CREATESTRUCTW* cs)
    {
        if (CFrameWnd::OnCreate(cs) == -1)
            return -1;
        view.CreateEx(0, AfxRegisterWndClass(0), L"", WS_CHILD | WS_VISIBLE, RECT{0, 0, 0, 0}, this,
                      AFX_IDW_PANE_FIRST);
        top1.Create(L"top 1", WS_VISIBLE, RECT{0, 0, 10, 30}, this, 1);
        top2.Create(L"top 2", WS_VISIBLE, RECT{0, 0, 10, 20}, this, 2);
        bottom.Create(L"bottom", WS_VISIBLE, RECT{0, 0, 10, 22}, this, 3);
        DockBar(top1.m_hWnd, true);
        DockBar(bottom.m_hWnd, false);
        DockBar(top2.m_hWnd, true);
        return 0;
    }
    void OnFrameCommand() { ++frameCommands; }
    void OnShared() { ++shared; }
    DECLARE_MESSAGE_MAP()
private:
    bool* gone_;
};

BEGIN_MESSAGE_MAP(Frame, CFrameWnd)
    ON_WM_CREATE()
    ON_COMMAND(400, &Frame::OnFrameCommand)
    ON_COMMAND(403, &Frame::OnShared)
END_MESSAGE_MAP()

class App : public CWinApp {
public:
    int appCommands = 0;

protected:
    void OnAppCommand() { ++appCommands; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(App, CWinApp)
    ON_COMMAND(401, &App::OnAppCommand)
END_MESSAGE_MAP()

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame = new Frame(&gone);
        app.m_pMainWnd = frame;
        ASSERT_TRUE(frame->LoadFrame(300));
        hwnd = frame->m_hWnd;
    }
    void TearDown() override
    {
        if (IsWindow(hwnd))
            DestroyWindow(hwnd);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            ;  // the quit message the main window leaves
        app.m_pMainWnd = nullptr;
    }
    // A child's left, top, right and bottom in the frame's client area.
    std::array<LONG, 4> ChildRect(const CWnd& w) const
    {
        RECT r;
        GetWindowRect(w.m_hWnd, &r);
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
        return {r.left, r.top, r.right, r.bottom};
    }
    void KeyDown(UINT vk)
    {
        MSG msg = {frame->view.m_hWnd, WM_KEYDOWN, vk, 0, 0, {}};
        EXPECT_TRUE(frame->PreTranslateMessage(&msg));
    }

    App app;
    bool gone = false;
    Frame* frame = nullptr;
    HWND hwnd = nullptr;
};

TEST_F(FrameTest, LoadsItsTitleAndKeepsTheMenuUnshown)
{
    EXPECT_EQ(L"Frame test", frame->GetWindowText());
    EXPECT_EQ(nullptr, GetMenu(hwnd));
    ASSERT_NE(nullptr, frame->GetMenuResource());
    EXPECT_EQ(400u, GetMenuItemID(GetSubMenu(frame->GetMenuResource(), 0), 0));
}

// Top bars stack downwards in the order docked, bottom bars upwards, each at its own
// height and the full width; the view takes the rest, also after a resize.
TEST_F(FrameTest, BarsAlongTheEdgesAndTheViewBetween)
{
    for (SIZE size : {SIZE{600, 400}, SIZE{420, 300}}) {
        SetWindowPos(hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        RECT client;
        GetClientRect(hwnd, &client);
        using Box = std::array<LONG, 4>;
        EXPECT_EQ((Box{0, 0, client.right, 30}), ChildRect(frame->top1));
        EXPECT_EQ((Box{0, 30, client.right, 50}), ChildRect(frame->top2));
        EXPECT_EQ((Box{0, client.bottom - 22, client.right, client.bottom}), ChildRect(frame->bottom));
        EXPECT_EQ((Box{0, 50, client.right, client.bottom - 22}), ChildRect(frame->view));
    }
}

// A hidden bar gives its room to the view.
TEST_F(FrameTest, AHiddenBarTakesNoRoom)
{
    frame->top1.ShowWindow(SW_HIDE);
    frame->RecalcLayout();
    EXPECT_EQ(0, ChildRect(frame->top2)[1]);
    EXPECT_EQ(20, ChildRect(frame->view)[1]);
}

TEST_F(FrameTest, CommandsGoToTheViewThenTheFrameThenTheApplication)
{
    for (UINT id : {400u, 401u, 402u, 403u})
        SendMessageW(hwnd, WM_COMMAND, id, 0);
    EXPECT_EQ(1, frame->view.viewCommands);
    EXPECT_EQ(1, frame->frameCommands);
    EXPECT_EQ(1, app.appCommands);
    // The view comes first.
    EXPECT_EQ(1, frame->view.shared);
    EXPECT_EQ(0, frame->shared);
    EXPECT_FALSE(frame->OnCmdMsg(404, 0, true));
}

// Docked bars see the keys first, then the accelerators turn them into commands.
TEST_F(FrameTest, AcceleratorsBecomeCommands)
{
    KeyDown(VK_F5);
    KeyDown(VK_F6);
    KeyDown(VK_F9);
    EXPECT_EQ(1, app.appCommands);
    EXPECT_EQ(1, frame->view.viewCommands);
    EXPECT_EQ(1, frame->top2.keys);
    MSG other = {frame->view.m_hWnd, WM_KEYDOWN, VK_F7, 0, 0, {}};
    EXPECT_FALSE(frame->PreTranslateMessage(&other));
}

TEST_F(FrameTest, TheFocusGoesToTheView)
{
    frame->ShowWindow(SW_SHOW);
    SetForegroundWindow(hwnd);
    SetFocus(hwnd);
    EXPECT_EQ(frame->view.m_hWnd, GetFocus());
}

// The help commands reach the application, which reports a help file it cannot show.
TEST_F(FrameTest, AMissingHelpFileIsReported)
{
    app.m_helpPath = L"C:\\nowhere\\korvane.chm";
    for (UINT id : {57667u, 57669u, 57670u, 57671u}) {
        PromptRecorder prompts;
        SendMessageW(hwnd, WM_COMMAND, id, 0);
        ASSERT_EQ(1u, prompts.seen().size()) << id;
        EXPECT_EQ(L"Failed to launch help.", prompts.seen()[0].text);
    }
}

// The frame object goes with its window, and the main window's end ends the loop.
TEST_F(FrameTest, TheFrameGoesWithItsWindow)
{
    DestroyWindow(hwnd);
    EXPECT_TRUE(gone);
    EXPECT_EQ(nullptr, app.m_pMainWnd);
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
