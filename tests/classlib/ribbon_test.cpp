// The ribbon and its status bar in a plain window, driven by real clicks and keys.
#include <gtest/gtest.h>
#include <atomic>
#include <functional>
#include <mutex>
#include <vector>
#include "afxwin.h"
#include "ribbon.h"
#include "ui_driver.h"

namespace {

// Ids as the test resources name them (strings and bitmaps).
enum : UINT {
    kBackup = 32771, kRestore = 32772, kSelectAll = 32773, kSelectNone = 32774, kSelectProfile = 32776,
    kArchive = 32806, kSupport = 32802, kHelpTopics = 57667, kAbout = 57664, kExit = 57665, kSchedule = 40001,
    kMainImage = 163, kLarge = 164, kSmall = 165,
};
constexpr UINT kRunOnUi = WM_APP + 1;

// A frame stand-in: ribbon on top, status bar at the bottom, an edit between them
// that holds the focus; it records the commands it receives.
class Host : public CWnd {
public:
    CMFCRibbonBar ribbon;
    CMFCRibbonApplicationButton mainButton;
    CMFCRibbonStatusBar status;
    CWnd edit;

    Host()
    {
        RECT r = {40, 40, 40 + 760, 40 + 420};
        CreateEx(0, AfxRegisterWndClass(0, LoadCursorW(nullptr, IDC_ARROW)), L"Ribbon test",
                 WS_OVERLAPPEDWINDOW | WS_VISIBLE, r, nullptr, 0);
        ribbon.Create(this);
        mainButton.SetImage(kMainImage);
        mainButton.SetText(L"\nf");
        mainButton.SetToolTipText(L"Brisvale 2.9e");
        ribbon.SetApplicationButton(&mainButton, SIZE{45, 45});
        CMFCRibbonMainPanel* menu = ribbon.AddMainCategory(L"Main", kSmall, kLarge);
        menu->Add(kHelpTopics, L"Help Topics", 9);
        menu->Add(kSupport, L"Online Support", 9);
        menu->AddSeparator();
        menu->AddToBottom(kExit, L"Exit");
        CMFCRibbonCategory* home = ribbon.AddCategory(L"Home", kSmall, kLarge);
        CMFCRibbonPanel* p = home->AddPanel(L"Backup and Restore");
        p->Add(kBackup, L"Backup", 0);
        p->Add(kRestore, L"Restore Wizard", 2);
        p = home->AddPanel(L"Selection");
        p->Add(kSelectAll, L"Select All", 11);
        p->Add(kSelectNone, L"Select None", 12);
        p->Add(kSelectProfile, L"Select Profile", 13);
        home->AddPanel(L"Preference")->Add(kArchive, L"Archive Settings", 6);
        home->AddPanel(L"Help")->Add(kHelpTopics, L"Help Topics", 9);
        CMFCRibbonCategory* tools = ribbon.AddCategory(L"Tools", kSmall, kLarge);
        tools->AddPanel(L"Scheduler")->Add(kSchedule, L"Schedule", 5);
        ribbon.AddToTabs(kAbout, L"About");
        status.Create(this);
        status.AddElement(L"F1 = HELP");
        status.AddExtendedElement(L" ");
        edit.CreateEx(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE, RECT{}, this, 100);
        LayOut();
        ::SetForegroundWindow(m_hWnd);
        edit.SetFocus();
    }

    std::vector<UINT> Commands()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return commands_;
    }
    void ClearCommands()
    {
        std::lock_guard<std::mutex> hold(lock_);
        commands_.clear();
    }
    // Runs fn on the window's thread (from a driver script).
    void OnUi(const std::function<void()>& fn) { ::SendMessageW(m_hWnd, kRunOnUi, 0, reinterpret_cast<LPARAM>(&fn)); }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        switch (msg) {
        case WM_COMMAND:
            if (lParam == 0) {
                std::lock_guard<std::mutex> hold(lock_);
                commands_.push_back(LOWORD(wParam));
                return 0;
            }
            break;
        case WM_SIZE:
            LayOut();
            return 0;
        case kRunOnUi:
            (*reinterpret_cast<const std::function<void()>*>(lParam))();
            return 0;
        default:
            break;
        }
        return CWnd::WindowProc(msg, wParam, lParam);
    }

private:
    void LayOut()
    {
        if (!ribbon.m_hWnd || !status.m_hWnd || !edit.m_hWnd)
            return;
        RECT r;
        GetClientRect(&r);
        int top = ribbon.GetPreferredHeight(), bottom = r.bottom - status.GetPreferredHeight();
        ribbon.MoveWindow(0, 0, r.right, top);
        status.MoveWindow(0, bottom, r.right, r.bottom - bottom);
        edit.MoveWindow(0, top, r.right, bottom - top);
    }

    std::mutex lock_;
    std::vector<UINT> commands_;
};

// Runs a driver script while this thread pumps messages the way the program's
// loop does (the ribbon sees Alt and F10 first).
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
            if (host.ribbon.PreTranslateMessage(&m))
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
    uitest::require([&] { return host.Commands() == expected; },
                    "commands " + ::testing::PrintToString(expected) + ", got " + ::testing::PrintToString(host.Commands()));
}

TEST(Ribbon, ClickingEachButtonSendsItsCommandToTheParent)
{
    Host host;
    const std::vector<UINT> ids = {kBackup, kRestore, kSelectAll, kSelectNone, kSelectProfile, kArchive, kHelpTopics, kAbout};
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
    Host host;
    EXPECT_EQ(0, host.ribbon.GetActiveCategory());
    EXPECT_EQ("", Drive(host, [&] {
        RECT tabs[2];
        host.OnUi([&] { tabs[0] = host.ribbon.GetTabRect(0); tabs[1] = host.ribbon.GetTabRect(1); });
        POINT tab = Centre(tabs[1]);
        uitest::click_at(host.ribbon.m_hWnd, tab.x, tab.y);
        uitest::require([&] { return host.ribbon.GetActiveCategory() == 1; }, "the second tab shown");
        host.OnUi([&] {
            RECT hidden;
            Check(!host.ribbon.GetElementRect(kBackup, &hidden), "Backup hidden with its tab");
        });
        ClickCommand(host, kSchedule);
        WaitCommands(host, {kSchedule});
        tab = Centre(tabs[0]);
        uitest::click_at(host.ribbon.m_hWnd, tab.x, tab.y);
        uitest::require([&] { return host.ribbon.GetActiveCategory() == 0; }, "the first tab shown again");
        ClickCommand(host, kBackup);
        WaitCommands(host, {kSchedule, kBackup});
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
    Host host;
    EXPECT_EQ("", Drive(host, [&] {
        RECT orbRect;
        host.OnUi([&] { orbRect = host.ribbon.GetApplicationButtonRect(); });
        POINT orb = Centre(orbRect);
        uitest::click_at(host.ribbon.m_hWnd, orb.x, orb.y);
        HWND menu = WaitMenu();
        HMENU items = reinterpret_cast<HMENU>(::SendMessageW(menu, MN_GETHMENU, 0, 0));
        // Two entries, the panel's separator, the one before the bottom row, Exit.
        Check(GetMenuItemCount(items) == 5, "five menu entries");
        RECT r = {};
        Check(GetMenuItemRect(nullptr, items, 1, &r), "the second entry's place");
        POINT p = Centre(r);
        ScreenToClient(menu, &p);
        uitest::click_at(menu, p.x, p.y);
        WaitCommands(host, {kSupport});
        uitest::wait_gone(menu);
        // The bottom entry, chosen with the keyboard.
        uitest::click_at(host.ribbon.m_hWnd, orb.x, orb.y);
        menu = WaitMenu();
        uitest::key(menu, VK_UP);
        uitest::key(menu, VK_RETURN);
        WaitCommands(host, {kSupport, kExit});
    }));
}

TEST(Ribbon, KeyTipsArrowsAndEnterReachCommands)
{
    Host host;
    HWND edit = host.edit.m_hWnd;
    auto focusBack = [&] { uitest::require([&] { return GetFocus() == edit; }, "focus back in the edit"); };
    EXPECT_EQ("", Drive(host, [&] {
        // F10, then the key tips of a tab and a button.
        uitest::key(edit, VK_F10);
        uitest::key(host.ribbon.m_hWnd, 'H');
        uitest::key(host.ribbon.m_hWnd, 'B');
        WaitCommands(host, {kBackup});
        focusBack();
        // Alt alone, then the key tips; the second "Select" button gets the initial of its second word.
        uitest::key(edit, VK_MENU);
        uitest::key(host.ribbon.m_hWnd, 'H');
        uitest::key(host.ribbon.m_hWnd, 'N');
        WaitCommands(host, {kBackup, kSelectNone});
        focusBack();
        // Arrows and Enter: down into the panels, one to the right.
        uitest::key(edit, VK_F10);
        uitest::key(host.ribbon.m_hWnd, VK_DOWN);
        uitest::key(host.ribbon.m_hWnd, VK_RIGHT);
        uitest::key(host.ribbon.m_hWnd, VK_RETURN);
        WaitCommands(host, {kBackup, kSelectNone, kRestore});
        focusBack();
        // Tab from the shown tab: the next tab, then "About"; Space presses it.
        uitest::key(edit, VK_F10);
        uitest::key(host.ribbon.m_hWnd, VK_TAB);
        uitest::key(host.ribbon.m_hWnd, VK_TAB);
        uitest::key(host.ribbon.m_hWnd, VK_TAB);
        uitest::key(host.ribbon.m_hWnd, VK_SPACE);
        WaitCommands(host, {kBackup, kSelectNone, kRestore, kAbout});
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
    Host host;
    // Title, then the description; a command without a string shows its label.
    EXPECT_EQ(L"Backup\nBackup select items", host.ribbon.GetToolTipText(kBackup));
    EXPECT_EQ(L"Unselect All\nDon't select any item", host.ribbon.GetToolTipText(kSelectNone));
    EXPECT_EQ(L"Select Profile", host.ribbon.GetToolTipText(kSelectProfile));
    EXPECT_EQ(L"About\nDisplay program information", host.ribbon.GetToolTipText(kAbout));
    EXPECT_EQ(L"", host.ribbon.GetToolTipText(kSchedule));  // not shown
}

TEST(RibbonStatusBar, HoldsRegularAndExtendedPanes)
{
    Host host;
    ASSERT_EQ(2, host.status.GetCount());
    EXPECT_EQ(L"F1 = HELP", host.status.GetPaneText(0));
    EXPECT_EQ(L" ", host.status.GetPaneText(1));
    host.status.AddElement(L"second");
    EXPECT_EQ(L"second", host.status.GetPaneText(1));  // regular panes stay ahead of extended ones
    EXPECT_GE(host.status.GetPreferredHeight(), 20);
    EXPECT_EQ(59393, GetDlgCtrlID(host.status.m_hWnd));
}

}  // namespace
