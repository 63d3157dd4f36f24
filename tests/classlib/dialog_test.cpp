// Data exchange in both directions, the notification lock-out, and modal dialogs.
#include <gtest/gtest.h>
#include "afxwin.h"
#include "prompt_recorder.h"
#include "ui_driver.h"

namespace {

class ExchangeDialog : public CDialog {
public:
    explicit ExchangeDialog(CWnd* parent = nullptr) : CDialog(200, parent) {}
    CString text;
    BOOL tick = FALSE;
    CString choice;
    int number = 0;
    CTime date;
    int changes = 0;    // EN_CHANGE of 1000 as the handler saw it
    int refreshes = 0;  // nested exchanges run by that handler

protected:
    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_Text(dx, 1000, text);
        DDX_Check(dx, 1001, tick);
        DDX_CBString(dx, 1002, choice);
        DDX_Text(dx, 1003, number);
        DDX_MonthCalCtrl(dx, 1011, date);
    }
    BOOL OnInitDialog() override
    {
        for (const wchar_t* s : {L"Drive A", L"drive B", L"Other"})
            ::SendMessageW(GetDlgItem(1002), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
        return CDialog::OnInitDialog();
    }
    // Refreshes the controls from inside a notification, as preview fields do.
    void OnTextChanged()
    {
        ++changes;
        UpdateData(TRUE);
        text += L"!";
        ++refreshes;
        UpdateData(FALSE);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ExchangeDialog, CDialog)
    ON_EN_CHANGE(1000, &ExchangeDialog::OnTextChanged)
END_MESSAGE_MAP()

class Exchange : public ::testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES};
        InitCommonControlsEx(&icc);
        dlg.text = L"start";
        dlg.number = -12;
        dlg.tick = TRUE;
        dlg.choice = L"DRIVE b";
        dlg.date = CTime(2041, 3, 9, 0, 0, 0);
        ASSERT_TRUE(dlg.Create());
    }
    void TearDown() override { dlg.DestroyWindow(); }
    std::wstring Text(int id) { return dlg.GetDlgItemText(id); }
    ExchangeDialog dlg;
};

TEST_F(Exchange, MembersReachTheControlsWithoutNotifyingTheHandlers)
{
    EXPECT_EQ(L"start", Text(1000));
    EXPECT_EQ(L"-12", Text(1003));
    EXPECT_EQ(UINT(BST_CHECKED), dlg.IsDlgButtonChecked(1001));
    EXPECT_EQ(L"drive B", Text(1002));  // first entry beginning with the text, any case
    SYSTEMTIME st = {};
    ::SendMessageW(dlg.GetDlgItem(1011), MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&st));
    EXPECT_EQ(2041, st.wYear);
    EXPECT_EQ(0, dlg.changes);  // SetWindowText sent EN_CHANGE during the exchange
}

TEST_F(Exchange, ControlsReachTheMembers)
{
    ::SetWindowTextW(dlg.GetDlgItem(1003), L"  +2147483647 ");
    dlg.CheckDlgButton(1001, BST_UNCHECKED);
    ::SendMessageW(dlg.GetDlgItem(1002), CB_SETCURSEL, WPARAM(-1), 0);
    ASSERT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(2147483647, dlg.number);
    EXPECT_FALSE(dlg.tick);
    EXPECT_EQ(L"", dlg.choice);
    EXPECT_EQ(CTime(2041, 3, 9, 0, 0, 0), dlg.date);
}

// A user's change runs the handler once; its own refresh inside is locked out.
TEST_F(Exchange, AHandlerThatRefreshesTheControlsRunsOncePerUserChange)
{
    ::SetWindowTextW(dlg.GetDlgItem(1000), L"typed");
    EXPECT_EQ(1, dlg.changes);
    EXPECT_EQ(1, dlg.refreshes);
    EXPECT_EQ(L"typed!", Text(1000));
}

// A refresh that brings no new text leaves the edit alone: caret and selection stay
// where the user left them, so typing into a field whose handler refreshes the
// controls is never reordered.
TEST_F(Exchange, AnEqualTextLeavesTheControlUntouched)
{
    for (int id : {1000, 1003}) {
        HWND edit = dlg.GetDlgItem(id);
        ::SendMessageW(edit, EM_SETSEL, 1, 2);
        dlg.UpdateData(FALSE);
        DWORD from = 0, to = 0;
        ::SendMessageW(edit, EM_GETSEL, WPARAM(&from), LPARAM(&to));
        EXPECT_EQ(1u, from) << id;
        EXPECT_EQ(2u, to) << id;
    }
    dlg.text = L"other";
    dlg.UpdateData(FALSE);
    EXPECT_EQ(L"other", Text(1000));
}

TEST_F(Exchange, TextThatIsNotAnIntegerFailsTheExchange)
{
    struct Case {
        const wchar_t* text;
        bool ok;
        int value;
    } cases[] = {
        {L"17", true, 17},         {L"-2147483648", true, -2147483647 - 1},
        {L"2147483648", false, 0}, {L"12x", false, 0},
        {L"", false, 0},           {L"- 3", false, 0},
        {L"\u0663", false, 0},  // a digit of another script
    };
    for (const Case& c : cases) {
        PromptRecorder prompts;
        dlg.number = 99;
        ::SetWindowTextW(dlg.GetDlgItem(1003), c.text);
        EXPECT_EQ(c.ok, bool(dlg.UpdateData(TRUE))) << uitest::narrow(c.text);
        EXPECT_EQ(c.ok ? c.value : 99, dlg.number) << uitest::narrow(c.text);
        if (c.ok) {
            EXPECT_TRUE(prompts.seen().empty());
        } else {
            ASSERT_EQ(1u, prompts.seen().size());
            EXPECT_EQ(L"Enter an integer.", prompts.seen()[0].text);
            EXPECT_EQ(UINT(MB_ICONEXCLAMATION), prompts.seen()[0].flags & MB_ICONMASK);
            EXPECT_EQ(dlg.GetDlgItem(1003), GetFocus());
        }
    }
}

TEST_F(Exchange, AStringThatBeginsNoEntryLeavesNoSelection)
{
    dlg.choice = L"Drive C";
    dlg.UpdateData(FALSE);
    EXPECT_EQ(CB_ERR, ::SendMessageW(dlg.GetDlgItem(1002), CB_GETCURSEL, 0, 0));
}

// OK saves the controls and ends the dialog; Esc cancels without saving.
TEST(ModalDialog, OkSavesAndCancelDoesNot)
{
    for (int button : {IDOK, IDCANCEL}) {
        ExchangeDialog dlg;
        uitest::Driver driver([&] {
            HWND h = uitest::wait_window(L"Layer test", L"#32770", GetCurrentProcessId());
            uitest::set_text(uitest::child(h, 1003), L"5");
            uitest::press(h, button);
            uitest::wait_gone(h);
        });
        EXPECT_EQ(button, dlg.DoModal());
        EXPECT_EQ("", driver.finish());
        EXPECT_EQ(button == IDOK ? 5 : 0, dlg.number);
        EXPECT_EQ(nullptr, dlg.m_hWnd);
    }
}

// OK with a field that does not exchange keeps the dialog open.
TEST(ModalDialog, AFailedExchangeKeepsTheDialogOpen)
{
    PromptRecorder prompts;
    ExchangeDialog dlg;
    uitest::Driver driver([&] {
        HWND h = uitest::wait_window(L"Layer test", L"#32770", GetCurrentProcessId());
        uitest::set_text(uitest::child(h, 1003), L"five");
        uitest::press(h, IDOK);
        uitest::require([&] { return !prompts.seen().empty(); }, "integer prompt");
        uitest::set_text(uitest::child(h, 1003), L"6");
        uitest::press(h, IDOK);
        uitest::wait_gone(h);
    });
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ("", driver.finish());
    EXPECT_EQ(6, dlg.number);
}

// The centre of a window on the screen.
POINT Centre(HWND h)
{
    RECT r;
    GetWindowRect(h, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// A modal dialog opens centred on its owner; without an owner on the work area.
TEST(ModalDialog, OpensCentredOnItsOwnerOrTheScreen)
{
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, AfxRegisterWndClass(0), L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               RECT{40, 60, 840, 660}, nullptr, 0));
    for (bool owned : {true, false}) {
        if (!owned)
            owner.ShowWindow(SW_HIDE);  // a hidden owner gives way to the screen
        ExchangeDialog dlg(owned ? &owner : nullptr);
        POINT seen = {};
        uitest::Driver driver([&] {
            HWND h = uitest::wait_window(L"Layer test", L"#32770", GetCurrentProcessId());
            seen = Centre(h);
            uitest::press(h, IDCANCEL);
        });
        EXPECT_EQ(IDCANCEL, dlg.DoModal());
        EXPECT_EQ("", driver.finish());
        RECT area;
        if (owned)
            GetWindowRect(owner.m_hWnd, &area);
        else
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
        EXPECT_NEAR((area.left + area.right) / 2, seen.x, 1) << owned;
        EXPECT_NEAR((area.top + area.bottom) / 2, seen.y, 1) << owned;
    }
    owner.DestroyWindow();
}

}  // namespace
