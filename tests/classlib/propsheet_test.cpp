// Property sheets: page notifications and their results, normal and wizard.
#include <gtest/gtest.h>
#include "afxwin.h"
#include "own_dialog.h"
#include "ui_driver.h"

namespace {

constexpr int kBack = 0x3023, kNext = 0x3024, kFinish = 0x3025;

// A page whose answers are scripted: each virtual refuses the first `refuse` calls.
class Page : public CPropertyPage {
public:
    explicit Page(UINT id) : CPropertyPage(id) {}
    CString text;
    int refuseKillActive = 0, refuseQueryCancel = 0, stayOnNext = 0, refuseFinish = 0;
    DWORD wizardButtons = 0;
    int applied = 0, reset = 0, activations = 0;
    CPropertySheet* sheetSeen = nullptr;

    BOOL OnSetActive() override
    {
        ++activations;
        sheetSeen = static_cast<CPropertySheet*>(CWnd::FromHandle(GetSheetHwnd()));
        if (wizardButtons)
            sheetSeen->SetWizardButtons(wizardButtons);
        return CPropertyPage::OnSetActive();
    }
    BOOL OnKillActive() override { return refuseKillActive-- > 0 ? FALSE : CPropertyPage::OnKillActive(); }
    BOOL OnQueryCancel() override { return refuseQueryCancel-- > 0 ? FALSE : TRUE; }
    LRESULT OnWizardNext() override { return stayOnNext-- > 0 ? -1 : 0; }
    BOOL OnWizardFinish() override { return refuseFinish-- > 0 ? FALSE : TRUE; }
    void OnOK() override { ++applied; }
    void OnCancel() override { ++reset; }

protected:
    void DoDataExchange(CDataExchange* dx) override { DDX_Text(dx, 1000, text); }
};

HWND CurrentPage(HWND sheet)
{
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

bool Enabled(HWND sheet, int id)
{
    HWND b = GetDlgItem(sheet, id);
    return b && IsWindowVisible(b) && IsWindowEnabled(b);
}

TEST(PropertySheet, OkSavesTheCurrentPageAndAppliesTheCreatedOnes)
{
    CPropertySheet sheet(L"Sheet test");
    sheet.m_psh.dwFlags = (sheet.m_psh.dwFlags & ~PSH_HASHELP) | PSH_NOAPPLYNOW;
    Page first(210), second(211);
    first.m_psp.dwFlags &= ~PSP_HASHELP;
    second.m_psp.dwFlags &= ~PSP_HASHELP;
    first.text = L"old";
    first.refuseKillActive = 1;
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    bool help = true, stayed = false;
    uitest::Driver driver([&] {
        HWND h = uitest::wait_window(L"Sheet test", L"#32770", GetCurrentProcessId());
        help = Enabled(h, IDHELP);
        HWND page = uitest::child(CurrentPage(h), 1000);
        uitest::require([&] { return uitest::text(page) == L"old"; }, "page filled");
        uitest::set_text(page, L"new");
        uitest::press(h, IDOK);  // refused: the page stays
        uitest::require([&] { return first.refuseKillActive == 0; }, "first kill-active");
        stayed = IsWindow(h) && CurrentPage(h) == first.m_hWnd;
        uitest::press(h, IDOK);
        uitest::wait_gone(h);
    });
    EXPECT_EQ(IDOK, sheet.DoModal());
    EXPECT_EQ("", driver.finish());
    EXPECT_FALSE(help);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(L"new", first.text);
    EXPECT_EQ(1, first.applied);
    EXPECT_EQ(0, second.applied);  // never shown, never made
    EXPECT_EQ(&sheet, first.sheetSeen);
}

TEST(PropertySheet, CancelCanBeRefusedAndThenDiscards)
{
    CPropertySheet sheet(L"Sheet test");
    Page first(210);
    first.text = L"kept";
    first.refuseQueryCancel = 1;
    sheet.AddPage(&first);
    bool stayed = false;
    uitest::Driver driver([&] {
        HWND h = uitest::wait_window(L"Sheet test", L"#32770", GetCurrentProcessId());
        uitest::set_text(uitest::child(CurrentPage(h), 1000), L"dropped");
        uitest::press(h, IDCANCEL);
        uitest::require([&] { return first.refuseQueryCancel == 0; }, "query cancel");
        stayed = IsWindow(h) != FALSE;
        uitest::press(h, IDCANCEL);
        uitest::wait_gone(h);
    });
    EXPECT_EQ(IDCANCEL, sheet.DoModal());
    EXPECT_EQ("", driver.finish());
    EXPECT_TRUE(stayed);
    EXPECT_EQ(L"kept", first.text);
    EXPECT_EQ(0, first.applied);
}

// The title bar shows the current page's caption, as the system shows it: the
// template's, or the title a page gives itself.
TEST(PropertySheet, AWizardMovesOnlyWhenItsPagesAllowAndFinishes)
{
    CPropertySheet sheet(L"Wizard test");
    sheet.SetWizardMode();
    Page first(210), second(211);
    second.m_psp.dwFlags |= PSP_USETITLE;
    second.m_psp.pszTitle = L"Second step";
    first.wizardButtons = PSWIZB_NEXT;
    first.stayOnNext = 1;
    second.wizardButtons = PSWIZB_BACK | PSWIZB_FINISH;
    second.refuseFinish = 1;
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    bool backOnFirst = true, stayed = false, finishStayed = false;
    std::wstring titleSeen, secondTitle;
    uitest::Driver driver([&] {
        std::wstring title;
        HWND h = WaitOwnDialog(title);
        titleSeen = title;
        uitest::require([&] { return Enabled(h, kNext) && !Enabled(h, kBack); }, "buttons of page 1");
        backOnFirst = Enabled(h, kBack);
        uitest::press(h, kNext);
        uitest::require([&] { return first.stayOnNext == 0; }, "first next");
        stayed = CurrentPage(h) == first.m_hWnd;
        uitest::press(h, kNext);
        uitest::require([&] { return second.m_hWnd && CurrentPage(h) == second.m_hWnd; }, "page 2");
        uitest::require([&] { return Enabled(h, kBack) && Enabled(h, kFinish); }, "buttons of page 2");
        secondTitle = uitest::text(h);
        uitest::press(h, kFinish);
        uitest::require([&] { return second.refuseFinish == 0; }, "first finish");
        finishStayed = IsWindow(h) != FALSE;
        uitest::press(h, kFinish);
        uitest::wait_gone(h);
    });
    EXPECT_EQ(ID_WIZFINISH, sheet.DoModal());
    EXPECT_EQ("", driver.finish());
    EXPECT_EQ(L"First", titleSeen);
    EXPECT_FALSE(backOnFirst);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(L"Second step", secondTitle);
    EXPECT_TRUE(finishStayed);
    EXPECT_EQ(1, first.activations);
    EXPECT_EQ(1, second.activations);
}

// Sheets and wizards open centred on their owner, as dialogs do.
TEST(PropertySheet, OpensCentredOnItsOwner)
{
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, AfxRegisterWndClass(0), L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               RECT{30, 20, 930, 720}, nullptr, 0));
    for (bool wizard : {false, true}) {
        CPropertySheet sheet(L"Centred", &owner);
        if (wizard)
            sheet.SetWizardMode();
        Page page(210);
        sheet.AddPage(&page);
        RECT seen = {};
        uitest::Driver driver([&] {
            // A wizard's title bar shows its page's caption.
            HWND h = uitest::wait_window(wizard ? L"First" : L"Centred", L"#32770", GetCurrentProcessId());
            GetWindowRect(h, &seen);
            uitest::press(h, IDCANCEL);
        });
        sheet.DoModal();
        EXPECT_EQ("", driver.finish());
        RECT o;
        GetWindowRect(owner.m_hWnd, &o);
        EXPECT_NEAR((o.left + o.right) / 2, (seen.left + seen.right) / 2, 1) << wizard;
        EXPECT_NEAR((o.top + o.bottom) / 2, (seen.top + seen.bottom) / 2, 1) << wizard;
    }
    owner.DestroyWindow();
}

}  // namespace
