// The ribbon and its status bar in a plain window, driven by real clicks and keys.
#include <gtest/gtest.h>
#include <atomic>
#include <cwchar>
#include <functional>
#include <mutex>
#include <ostream>
#include <vector>
#include "afxwin.h"
#include "dialog_check.h"
#include "ribbon.h"
#include "ui_driver.h"

// Rectangles compare and print in the checks below.
inline bool operator==(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}
inline void PrintTo(const RECT& r, std::ostream* os)
{
    *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace {

// Ids as the test resources name them (strings and bitmaps): commands of the
// test's own and the class library's standard ones.
enum : UINT {
    kOpen = 40002,
    kReplace = 40003,
    kSelectAll = 40004,
    kSelectNone = 40005,
    kSelectPage = 40006,
    kAppearance = 40007,
    kOptions = 40008,
    kHelpTopics = 57667,
    kAbout = 57664,
    kExit = 57665,
    kSchedule = 40001,
    kMainImage = 163,
    kLarge = 164,
    kSmall = 165,
};

// The Home category's buttons, each under its panel.
const struct {
    const wchar_t* panel;
    UINT id;
    const wchar_t* label;
    int image;
} kHomeButtons[] = {
    {L"File", kOpen, L"Open", 0},
    {L"File", kReplace, L"Replace", 2},
    {L"Selection", kSelectAll, L"Select All", 11},
    {L"Selection", kSelectNone, L"Select None", 12},
    {L"Selection", kSelectPage, L"Select Page", 13},
    {L"Settings", kAppearance, L"Appearance", 6},
    {L"Help", kHelpTopics, L"Help Topics", 9},
};
constexpr UINT kRunOnUi = WM_APP + 1;

// A frame with the ribbon docked on top, the status bar at the bottom and an edit
// as its view that holds the focus; it records the commands it receives.
class Host : public CFrameWnd {
public:
    CMFCRibbonBar ribbon;
    CMFCRibbonApplicationButton mainButton;
    CMFCRibbonStatusBar status;
    CWnd edit;

    Host()
    {
        RECT r = {40, 40, 40 + 760, 40 + 420};
        CreateEx(0, nullptr, L"Ribbon test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, r, nullptr, 0);
        ribbon.Create(this);
        DockBar(ribbon.m_hWnd, true);
        mainButton.SetImage(kMainImage);
        mainButton.SetText(L"\nf");
        mainButton.SetToolTipText(L"Ribbon test");
        ribbon.SetApplicationButton(&mainButton, SIZE{45, 45});
        CMFCRibbonMainPanel* menu = ribbon.AddMainCategory(L"Main", kSmall, kLarge);
        menu->Add(kHelpTopics, L"Help Topics", 9);
        menu->Add(kOptions, L"Options", 9);
        menu->AddSeparator();
        menu->AddToBottom(kExit, L"Exit");
        CMFCRibbonCategory* home = ribbon.AddCategory(L"Home", kSmall, kLarge);
        CMFCRibbonPanel* panel = nullptr;
        for (size_t i = 0; i < std::size(kHomeButtons); ++i) {
            if (i == 0 || wcscmp(kHomeButtons[i].panel, kHomeButtons[i - 1].panel) != 0)
                panel = home->AddPanel(kHomeButtons[i].panel);
            panel->Add(kHomeButtons[i].id, kHomeButtons[i].label, kHomeButtons[i].image);
        }
        CMFCRibbonCategory* tools = ribbon.AddCategory(L"Tools", kSmall, kLarge);
        tools->AddPanel(L"Scheduler")->Add(kSchedule, L"Schedule", 5);
        ribbon.AddToTabs(kAbout, L"About");
        status.Create(this);
        DockBar(status.m_hWnd, false);
        status.AddElement(L"F1 = HELP");
        status.AddExtendedElement(L" ");
        edit.CreateEx(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE, RECT{}, this, AFX_IDW_PANE_FIRST);
        RecalcLayout();
        UpdateWindow();  // shown and painted, as a program's frame is before any input
        ::SetForegroundWindow(m_hWnd);
        edit.SetFocus();
    }

    std::vector<UINT> Commands()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return commands_;
    }
    // Runs fn on the window's thread (from a driver script).
    void OnUi(const std::function<void()>& fn) { ::SendMessageW(m_hWnd, kRunOnUi, 0, reinterpret_cast<LPARAM>(&fn)); }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_COMMAND && lParam == 0) {
            std::lock_guard<std::mutex> hold(lock_);
            commands_.push_back(LOWORD(wParam));
            return 0;
        }
        if (msg == kRunOnUi) {
            (*reinterpret_cast<const std::function<void()>*>(lParam))();
            return 0;
        }
        return CFrameWnd::WindowProc(msg, wParam, lParam);
    }

private:
    std::mutex lock_;
    std::vector<UINT> commands_;
};

// Frames delete themselves with their window.
struct HostWindow {
    Host* host = new Host;
    ~HostWindow() { host->DestroyWindow(); }
    Host* operator->() const { return host; }
    Host& operator*() const { return *host; }
};

// Runs a driver script while this thread pumps messages the way the program's
// loop does (the frame's bars see Alt and F10 first).
std::string Drive(Host& host, std::function<void()> script)
{
    std::atomic<bool> done{false};
    uitest::Driver driver([&] {
        struct Done {
            std::atomic<bool>& d;
            ~Done() { d = true; }
        } mark{done};
        script();
    });
    MSG m;
    while (!done) {
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (host.PreTranslateMessage(&m))
                continue;
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return driver.finish();
}

void Check(bool ok, const std::string& what)
{
    if (!ok)
        throw uitest::Failure("not so: " + what);
}

POINT Centre(const RECT& r)
{
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

RECT ElementRect(Host& host, UINT id)
{
    RECT r = {};
    host.OnUi([&] {
        if (!host.ribbon.GetElementRect(id, &r))
            throw uitest::Failure("command " + std::to_string(id) + " is not shown");
    });
    return r;
}

void ClickCommand(Host& host, UINT id)
{
    POINT p = Centre(ElementRect(host, id));
    uitest::click_at(host.ribbon.m_hWnd, p.x, p.y);
}

void WaitCommands(Host& host, const std::vector<UINT>& expected)
{
    uitest::require([&] { return host.Commands() == expected; }, "commands " + ::testing::PrintToString(expected) +
                                                                     ", got " +
                                                                     ::testing::PrintToString(host.Commands()));
}

TEST(Ribbon, ClickingEachButtonSendsItsCommandToTheParent)
{
    HostWindow window;
    Host& host = *window;
    const std::vector<UINT> ids = {kOpen,       kReplace,    kSelectAll,  kSelectNone,
                                   kSelectPage, kAppearance, kHelpTopics, kAbout};
    EXPECT_EQ("", Drive(host, [&] {
                  std::vector<UINT> sent;
                  for (UINT id : ids) {
                      ClickCommand(host, id);
                      sent.push_back(id);
                      WaitCommands(host, sent);
                  }
              }));
    // The tab row button stays at the right edge.
    RECT about = {}, client = {};
    ASSERT_TRUE(host.ribbon.GetElementRect(kAbout, &about));
    host.ribbon.GetClientRect(&client);
    EXPECT_GT(about.left, client.right - 80);
}

TEST(Ribbon, TabsSwitchTheShownCategory)
{
    HostWindow window;
    Host& host = *window;
    EXPECT_EQ(0, host.ribbon.GetActiveCategory());
    EXPECT_EQ("", Drive(host, [&] {
                  RECT tabs[2];
                  host.OnUi([&] {
                      tabs[0] = host.ribbon.GetTabRect(0);
                      tabs[1] = host.ribbon.GetTabRect(1);
                  });
                  POINT tab = Centre(tabs[1]);
                  uitest::click_at(host.ribbon.m_hWnd, tab.x, tab.y);
                  uitest::require([&] { return host.ribbon.GetActiveCategory() == 1; }, "the second tab shown");
                  host.OnUi([&] {
                      RECT hidden;
                      Check(!host.ribbon.GetElementRect(kOpen, &hidden), "Open hidden with its tab");
                  });
                  ClickCommand(host, kSchedule);
                  WaitCommands(host, {kSchedule});
                  tab = Centre(tabs[0]);
                  uitest::click_at(host.ribbon.m_hWnd, tab.x, tab.y);
                  uitest::require([&] { return host.ribbon.GetActiveCategory() == 0; }, "the first tab shown again");
                  ClickCommand(host, kOpen);
                  WaitCommands(host, {kSchedule, kOpen});
              }));
}

// The open application menu (a popup menu window) and its entries' rectangles.
HWND WaitMenu()
{
    HWND menu = nullptr;
    uitest::require([&] { return (menu = uitest::find_window(L"", L"#32768")) != nullptr; }, "the application menu");
    return menu;
}

TEST(Ribbon, TheApplicationButtonOpensTheMainMenu)
{
    HostWindow window;
    Host& host = *window;
    EXPECT_EQ("", Drive(host, [&] {
                  RECT orbRect;
                  host.OnUi([&] { orbRect = host.ribbon.GetApplicationButtonRect(); });
                  POINT orb = Centre(orbRect);
                  uitest::click_at(host.ribbon.m_hWnd, orb.x, orb.y);
                  HWND menu = WaitMenu();
                  HMENU items = reinterpret_cast<HMENU>(::SendMessageW(menu, MN_GETHMENU, 0, 0));
                  // Two entries, one separator (the panel's and the bottom row's are one), Exit.
                  Check(GetMenuItemCount(items) == 4, "four menu entries");
                  capture_and_check(menu, L"ribbon_menu");
                  RECT r = {};
                  Check(GetMenuItemRect(nullptr, items, 1, &r), "the second entry's place");
                  POINT p = Centre(r);
                  ScreenToClient(menu, &p);
                  uitest::click_at(menu, p.x, p.y);
                  WaitCommands(host, {kOptions});
                  uitest::wait_gone(menu);
                  // The bottom entry, chosen with the keyboard.
                  uitest::click_at(host.ribbon.m_hWnd, orb.x, orb.y);
                  menu = WaitMenu();
                  // The edit keeps the focus; the open menu takes the keys.
                  uitest::key(host.edit.m_hWnd, VK_UP);
                  uitest::key(host.edit.m_hWnd, VK_RETURN);
                  WaitCommands(host, {kOptions, kExit});
              }));
}

TEST(Ribbon, KeyTipsArrowsAndEnterReachCommands)
{
    HostWindow window;
    Host& host = *window;
    HWND edit = host.edit.m_hWnd;
    // The focus as the window's thread sees it (the driver thread has none of its own).
    auto focusBack = [&] {
        uitest::require(
            [&] {
                HWND focus = nullptr;
                host.OnUi([&] { focus = GetFocus(); });
                return focus == edit;
            },
            "focus back in the edit");
    };
    EXPECT_EQ("", Drive(host, [&] {
                  // F10, then the key tips of a tab and a button.
                  uitest::key(edit, VK_F10);
                  uitest::key(host.ribbon.m_hWnd, 'H');
                  capture_and_check(host.m_hWnd, L"ribbon_keytips");
                  uitest::key(host.ribbon.m_hWnd, 'O');
                  WaitCommands(host, {kOpen});
                  focusBack();
                  // Alt alone, then the key tips; the second "Select" button gets the initial of its second word.
                  uitest::key(edit, VK_MENU);
                  uitest::key(host.ribbon.m_hWnd, 'H');
                  uitest::key(host.ribbon.m_hWnd, 'N');
                  WaitCommands(host, {kOpen, kSelectNone});
                  focusBack();
                  // Arrows and Enter: down into the panels, one to the right.
                  uitest::key(edit, VK_F10);
                  uitest::key(host.ribbon.m_hWnd, VK_DOWN);
                  uitest::key(host.ribbon.m_hWnd, VK_RIGHT);
                  uitest::key(host.ribbon.m_hWnd, VK_RETURN);
                  WaitCommands(host, {kOpen, kSelectNone, kReplace});
                  focusBack();
                  // Tab from the shown tab: the next tab, then "About"; Space presses it.
                  uitest::key(edit, VK_F10);
                  uitest::key(host.ribbon.m_hWnd, VK_TAB);
                  uitest::key(host.ribbon.m_hWnd, VK_TAB);
                  uitest::key(host.ribbon.m_hWnd, VK_TAB);
                  uitest::key(host.ribbon.m_hWnd, VK_SPACE);
                  WaitCommands(host, {kOpen, kSelectNone, kReplace, kAbout});
                  focusBack();
                  // Enter on a tab shows it; Esc gives the focus back without a command.
                  uitest::key(edit, VK_F10);
                  uitest::key(host.ribbon.m_hWnd, VK_TAB);
                  uitest::key(host.ribbon.m_hWnd, VK_RIGHT);
                  uitest::key(host.ribbon.m_hWnd, VK_RETURN);
                  uitest::require([&] { return host.ribbon.GetActiveCategory() == 1; }, "Tools shown by Enter");
                  uitest::key(host.ribbon.m_hWnd, VK_ESCAPE);
                  focusBack();
                  Check(host.Commands().size() == 4, "no command from Esc");
              }));
}

TEST(Ribbon, ToolTipsShowTheCommandStrings)
{
    HostWindow window;
    Host& host = *window;
    // The title after "\n", then the prompt before it; a command without a string shows its label.
    const std::pair<UINT, const wchar_t*> cases[] = {
        {kOpen, L"Open\nOpen a document"},
        {kSelectNone, L"Unselect All\nDon't select anything"},
        {kSelectPage, L"Select Page"},
        {kAbout, L"About\nDisplay program information"},
    };
    for (const auto& [id, tip] : cases) {
        RECT r = {};
        ASSERT_TRUE(host.ribbon.GetElementRect(id, &r)) << id;
        EXPECT_EQ(tip, uitest::tool_tip(host.ribbon.m_hWnd, Centre(r))) << id;
    }
    EXPECT_EQ(L"Ribbon test", uitest::tool_tip(host.ribbon.m_hWnd, Centre(host.ribbon.GetApplicationButtonRect())));
    // The tools follow the shown category.
    host.ribbon.SetActiveCategory(1);
    RECT r = {};
    ASSERT_TRUE(host.ribbon.GetElementRect(kSchedule, &r));
    EXPECT_EQ(L"Schedule", uitest::tool_tip(host.ribbon.m_hWnd, Centre(r)));
}

// The colour on screen at a client point of a window.
COLORREF PixelAt(HWND w, POINT p)
{
    HDC dc = GetDC(w);
    COLORREF c = GetPixel(dc, p.x, p.y);
    ReleaseDC(w, dc);
    return c;
}

bool Lit(COLORREF c)
{
    return GetRValue(c) > 200 && GetGValue(c) > 120 && GetBValue(c) < 190;
}

TEST(Ribbon, TheButtonUnderTheMouseLightsUp)
{
    HostWindow window;
    Host& host = *window;
    RECT r = {};
    ASSERT_TRUE(host.ribbon.GetElementRect(kOpen, &r));
    POINT edge = {r.left + 3, (r.top + r.bottom) / 2};
    EXPECT_FALSE(Lit(PixelAt(host.ribbon.m_hWnd, edge)));
    EXPECT_EQ("", Drive(host, [&] {
                  ClickCommand(host, kOpen);
                  WaitCommands(host, {kOpen});
                  uitest::require([&] { return Lit(PixelAt(host.ribbon.m_hWnd, edge)); },
                                  "Open lit under the mouse " + std::to_string(PixelAt(host.ribbon.m_hWnd, edge)));
                  Check(capture_and_check(host.m_hWnd, L"ribbon_hover").empty(), "nothing clipped");
                  uitest::click(host.edit.m_hWnd);
                  uitest::require([&] { return !Lit(PixelAt(host.ribbon.m_hWnd, edge)); },
                                  "Open dark once the mouse left");
              }));
}

TEST(RibbonStatusBar, HoldsRegularAndExtendedPanes)
{
    HostWindow window;
    Host& host = *window;
    ASSERT_EQ(2, host.status.GetCount());
    EXPECT_EQ(L"F1 = HELP", host.status.GetPaneText(0));
    EXPECT_EQ(L" ", host.status.GetPaneText(1));
    host.status.AddElement(L"second");
    EXPECT_EQ(L"second", host.status.GetPaneText(1));  // regular panes stay ahead of extended ones
    EXPECT_EQ(59393, GetDlgCtrlID(host.status.m_hWnd));
}

TEST(RibbonStatusBar, TheFrameDocksBothBarsAtTheirHeights)
{
    HostWindow window;
    Host& host = *window;
    RECT client, ribbon, status;
    host.GetClientRect(&client);
    host.ribbon.GetWindowRect(&ribbon);
    host.status.GetWindowRect(&status);
    MapWindowPoints(nullptr, host.m_hWnd, reinterpret_cast<POINT*>(&ribbon), 2);
    MapWindowPoints(nullptr, host.m_hWnd, reinterpret_cast<POINT*>(&status), 2);
    EXPECT_EQ((RECT{0, 0, client.right, host.ribbon.GetPreferredHeight()}), ribbon);
    EXPECT_GE(host.status.GetPreferredHeight(), 20);
    EXPECT_EQ((RECT{0, client.bottom - host.status.GetPreferredHeight(), client.right, client.bottom}), status);
}

}  // namespace
