// Message maps, command routing, reflection, subclassing and the exception boundary.
#include <gtest/gtest.h>
#include <algorithm>
#include <stdexcept>
#include <vector>
#include "afxwin.h"
#include "prompt_recorder.h"

namespace {

void InitControls()
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES};
    InitCommonControlsEx(&icc);
}

// A list view that takes its own clicks back from the parent.
class ReflectingList : public CListCtrl {
public:
    int clicks = 0;
    int commands = 0;

protected:
    void OnClick(NMHDR*, LRESULT* result)
    {
        ++clicks;
        *result = 7;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ReflectingList, CListCtrl)
    ON_NOTIFY_REFLECT(NM_CLICK, &ReflectingList::OnClick)
END_MESSAGE_MAP()

// An owner-drawn list box that draws its own items.
class DrawnList : public CListBox {
public:
    std::vector<UINT> drawn;
    void DrawItem(DRAWITEMSTRUCT* d) override { drawn.push_back(d->itemID); }
    void MeasureItem(MEASUREITEMSTRUCT* m) override { m->itemHeight = 12; }
};

class RoutingDialog : public CDialog {
public:
    RoutingDialog() : CDialog(200) {}
    ReflectingList list;
    DrawnList drawnList;
    int go = 0;
    UINT lastRange = 0;
    int parentClicks = 0;
    bool parentTakesClicks = false;
    bool throwOnGo = false;
    LRESULT custom = 0;

protected:
    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_Control(dx, 1010, list);
        DDX_Control(dx, 1012, drawnList);
    }
    void OnGo()
    {
        if (throwOnGo)
            throw std::runtime_error("handler failed");
        ++go;
    }
    void OnRange(UINT id) { lastRange = id; }
    LRESULT OnCustom(WPARAM w, LPARAM l)
    {
        custom = LRESULT(w + l);
        return 42;
    }
    DECLARE_MESSAGE_MAP()

    BOOL OnNotify(WPARAM w, LPARAM l, LRESULT* r) override
    {
        auto* nm = reinterpret_cast<NMHDR*>(l);
        if (parentTakesClicks && nm->idFrom == 1010 && nm->code == UINT(NM_CLICK)) {
            ++parentClicks;
            *r = 0;
            return TRUE;
        }
        return CDialog::OnNotify(w, l, r);
    }
};

BEGIN_MESSAGE_MAP(RoutingDialog, CDialog)
    ON_BN_CLICKED(1004, &RoutingDialog::OnGo)
    ON_CONTROL_RANGE(BN_CLICKED, 1005, 1007, &RoutingDialog::OnRange)
    ON_MESSAGE(WM_APP + 5, &RoutingDialog::OnCustom)
END_MESSAGE_MAP()

class Wnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitControls();
        ASSERT_TRUE(dlg.Create());
    }
    void TearDown() override { dlg.DestroyWindow(); }
    LRESULT Click1010()
    {
        NMHDR nm = {dlg.list.m_hWnd, 1010, UINT(NM_CLICK)};
        return dlg.SendMessage(WM_NOTIFY, 1010, reinterpret_cast<LPARAM>(&nm));
    }
    RoutingDialog dlg;
};

TEST_F(Wnd, CommandsReachTheirRowsByIdAndRange)
{
    ::SendMessageW(dlg.GetDlgItem(1004), BM_CLICK, 0, 0);
    ::SendMessageW(dlg.GetDlgItem(1006), BM_CLICK, 0, 0);
    EXPECT_EQ(1, dlg.go);
    EXPECT_EQ(1006u, dlg.lastRange);
    EXPECT_EQ(42, dlg.SendMessage(WM_APP + 5, 2, 3));
    EXPECT_EQ(5, dlg.custom);
    EXPECT_TRUE(dlg.OnCmdMsg(1004, 0, true));
    EXPECT_FALSE(dlg.OnCmdMsg(1003, 0, true));
    EXPECT_EQ(1, dlg.go);  // a probe runs nothing
}

TEST_F(Wnd, NotificationsGoBackToTheControlUnlessTheParentTakesThem)
{
    EXPECT_EQ(dlg.list.m_hWnd, dlg.GetDlgItem(1010));
    EXPECT_EQ(&dlg.list, CWnd::FromHandle(dlg.GetDlgItem(1010)));
    EXPECT_EQ(7, Click1010());
    EXPECT_EQ(1, dlg.list.clicks);
    dlg.parentTakesClicks = true;
    EXPECT_EQ(0, Click1010());
    EXPECT_EQ(1, dlg.list.clicks);
    EXPECT_EQ(1, dlg.parentClicks);
}

TEST_F(Wnd, OwnerDrawnItemsAreDrawnByTheirControl)
{
    dlg.drawnList.AddString(L"one");
    dlg.drawnList.AddString(L"two");
    dlg.ShowWindow(SW_SHOW);
    RedrawWindow(dlg.drawnList.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    std::vector<UINT>& drawn = dlg.drawnList.drawn;
    EXPECT_NE(drawn.end(), std::find(drawn.begin(), drawn.end(), 0u)) << drawn.size();
}

// Commands the main window leaves alone reach the application's map.
TEST_F(Wnd, TheMainWindowPassesCommandsToTheApplication)
{
    struct App : CWinApp {
    } app;
    EXPECT_FALSE(dlg.OnCmdMsg(57665, 0, true));  // ID_APP_EXIT
    app.m_pMainWnd = &dlg;
    EXPECT_TRUE(dlg.OnCmdMsg(57665, 0, true));
    EXPECT_FALSE(dlg.list.OnCmdMsg(57665, 0, true));
    app.m_pMainWnd = nullptr;
}

TEST_F(Wnd, AnExceptionInAHandlerIsReportedAndTheWindowGoesOn)
{
    PromptRecorder prompts;
    dlg.throwOnGo = true;
    ::SendMessageW(dlg.GetDlgItem(1004), BM_CLICK, 0, 0);
    ASSERT_EQ(1u, prompts.seen().size());
    EXPECT_EQ(L"handler failed", prompts.seen()[0].text);
    EXPECT_EQ(UINT(MB_ICONERROR), prompts.seen()[0].flags & MB_ICONMASK);
    dlg.throwOnGo = false;
    ::SendMessageW(dlg.GetDlgItem(1004), BM_CLICK, 0, 0);
    EXPECT_EQ(1, dlg.go);
}

TEST_F(Wnd, DestroyingTheWindowDetachesEveryObject)
{
    HWND list = dlg.list.m_hWnd;
    dlg.DestroyWindow();
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    EXPECT_EQ(nullptr, dlg.list.m_hWnd);
    EXPECT_FALSE(IsWindow(list));
}

// A window of our own class: WM_CREATE and painting reach the object.
class Painted : public CWnd {
public:
    int created = 0;
    int painted = 0;

protected:
    LRESULT OnCreate(WPARAM, LPARAM)
    {
        ++created;
        return 0;
    }
    void OnPaint()
    {
        CPaintDC dc(this);
        ++painted;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Painted, CWnd)
    ON_MESSAGE(WM_CREATE, &Painted::OnCreate)
    ON_WM_PAINT()
END_MESSAGE_MAP()

// Our own class gets WM_CREATE and painting; a system-class child made by CreateEx
// is subclassed, so it is found like any other.
TEST(WndCreate, CreatedWindowsAreAttached)
{
    Painted w;
    CStatic label;
    RECT r = {0, 0, 100, 80};
    ASSERT_TRUE(w.CreateEx(0, AfxRegisterWndClass(0, nullptr, HBRUSH(COLOR_WINDOW + 1)), L"Painted",
                           WS_OVERLAPPEDWINDOW, r, nullptr, 0));
    EXPECT_EQ(1, w.created);
    w.ShowWindow(SW_SHOW);
    w.UpdateWindow();
    EXPECT_GE(w.painted, 1);
    ASSERT_TRUE(label.Create(L"text", WS_VISIBLE, RECT{0, 0, 50, 20}, &w, 300));
    EXPECT_EQ(&label, CWnd::FromHandle(w.GetDlgItem(300)));
    EXPECT_EQ(L"text", label.GetWindowText());
    w.DestroyWindow();
    EXPECT_EQ(nullptr, w.m_hWnd);
    EXPECT_EQ(nullptr, label.m_hWnd);
}

// The clean-up after the window is gone runs inside the boundary too.
TEST(WndCreate, AnExceptionAfterTheWindowIsGoneIsReported)
{
    struct Failing : CWnd {
        void PostNcDestroy() override { throw std::runtime_error("clean-up failed"); }
    } w;
    ASSERT_TRUE(
        w.CreateEx(0, AfxRegisterWndClass(0), L"Failing", WS_OVERLAPPEDWINDOW, RECT{0, 0, 100, 80}, nullptr, 0));
    PromptRecorder prompts;
    w.DestroyWindow();
    EXPECT_EQ(nullptr, w.m_hWnd);
    ASSERT_EQ(1u, prompts.seen().size());
    EXPECT_EQ(L"clean-up failed", prompts.seen()[0].text);
}

}  // namespace
