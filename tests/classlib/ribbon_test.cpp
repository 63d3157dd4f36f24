// The ribbon and its status bar in a plain window, driven by real clicks and keys.
#include <gtest/gtest.h>
#include <functional>
#include <mutex>
#include <ostream>
#include <vector>
#include "afxwin.h"
#include "ribbon.h"

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

// Ids as the test resources name them (strings and bitmaps).
enum : UINT {
    kBackup = 32771, kRestore = 32772, kSelectAll = 32773, kSelectNone = 32774, kSelectProfile = 32776,
    kArchive = 32806, kSupport = 32802, kHelpTopics = 57667, kAbout = 57664, kExit = 57665, kSchedule = 40001,
    kMainImage = 163, kLarge = 164, kSmall = 165,
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
        DockBar(status.m_hWnd, false);
        status.AddElement(L"F1 = HELP");
        status.AddExtendedElement(L" ");
        edit.CreateEx(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE, RECT{}, this, AFX_IDW_PANE_FIRST);
        RecalcLayout();
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

TEST(Ribbon, ToolTipsShowTheCommandStrings)
{
    HostWindow window;
    Host& host = *window;
    // Title, then the description; a command without a string shows its label.
    EXPECT_EQ(L"Backup\nBackup select items", host.ribbon.GetToolTipText(kBackup));
    EXPECT_EQ(L"Unselect All\nDon't select any item", host.ribbon.GetToolTipText(kSelectNone));
    EXPECT_EQ(L"Select Profile", host.ribbon.GetToolTipText(kSelectProfile));
    EXPECT_EQ(L"About\nDisplay program information", host.ribbon.GetToolTipText(kAbout));
    EXPECT_EQ(L"", host.ribbon.GetToolTipText(kSchedule));  // not shown
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
