#include "ui_driver.h"

#include <gtest/gtest.h>

namespace {

// What the test dialog saw when OK was pressed.
struct Seen {
    std::wstring text;
    bool ticked = false;
    int choice = -1;
    int tickClicks = 0;
};

INT_PTR CALLBACK TestDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* seen = reinterpret_cast<Seen*>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dlg, DWLP_USER, lParam);
        SendDlgItemMessageW(dlg, 1002, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"one"));
        SendDlgItemMessageW(dlg, 1002, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"two"));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == 1001 && HIWORD(wParam) == BN_CLICKED)
            ++seen->tickClicks;
        if (LOWORD(wParam) == IDOK) {
            wchar_t buffer[100];
            GetDlgItemTextW(dlg, 1000, buffer, 100);
            seen->text = buffer;
            seen->ticked = IsDlgButtonChecked(dlg, 1001) == BST_CHECKED;
            seen->choice = static_cast<int>(SendDlgItemMessageW(dlg, 1002, CB_GETCURSEL, 0, 0));
        }
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            EndDialog(dlg, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

INT_PTR RunTestDialog(Seen& seen)
{
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(100), nullptr, TestDialogProc,
                           reinterpret_cast<LPARAM>(&seen));
}

TEST(UiDriver, DrivesAModalDialogOfTheTestThread)
{
    std::wstring shownText;
    uitest::Driver driver([&] {
        HWND dlg = uitest::wait_window(L"Driver test", L"#32770", GetCurrentProcessId());
        uitest::set_text(uitest::child(dlg, 1000), L"typed \u00e9");
        shownText = uitest::text(uitest::child(dlg, 1000));
        uitest::set_check(uitest::child(dlg, 1001), true);
        uitest::select_combo(uitest::child(dlg, 1002), 1);
        uitest::press(dlg, IDOK);
        uitest::wait_gone(dlg);
    });
    Seen seen;
    EXPECT_EQ(IDOK, RunTestDialog(seen));
    EXPECT_EQ("", driver.finish());
    EXPECT_EQ(L"typed \u00e9", shownText);
    EXPECT_EQ(L"typed \u00e9", seen.text);
    EXPECT_TRUE(seen.ticked);
    EXPECT_EQ(1, seen.tickClicks);
    EXPECT_EQ(1, seen.choice);
}

// Keystrokes and clicks through the input queue reach the dialog as a
// user's would: the focus moves as by Tab, the caret stays where it was put,
// characters off the keyboard arrive too, and Enter presses the default button.
TEST(UiDriver, TypesAndClicksThroughTheInputQueue)
{
    std::wstring afterReplace, afterHome;
    uitest::Driver driver([&] {
        HWND dlg = uitest::wait_window(L"Driver test", L"#32770", GetCurrentProcessId());
        HWND edit = uitest::child(dlg, 1000);
        uitest::set_text(edit, L"old");
        uitest::click(uitest::child(dlg, 1001));
        uitest::type(edit, L"Ab:1");
        afterReplace = uitest::text(edit);
        uitest::key(edit, VK_HOME);
        uitest::type(edit, L"\u00e9X");
        afterHome = uitest::text(edit);
        uitest::key(edit, VK_RETURN);
        uitest::wait_gone(dlg);
    });
    Seen seen;
    EXPECT_EQ(IDOK, RunTestDialog(seen));
    EXPECT_EQ("", driver.finish());
    EXPECT_EQ(L"Ab:1", afterReplace);
    EXPECT_EQ(L"\u00e9XAb:1", afterHome);
    EXPECT_EQ(L"\u00e9XAb:1", seen.text);
    EXPECT_TRUE(seen.ticked);
    EXPECT_EQ(1, seen.tickClicks);
}

// A script that fails must end the modal loop it drives and say why.
TEST(UiDriver, FailingScriptClosesTheDialogAndReports)
{
    struct Case {
        std::function<void()> script;
        std::string failure;
    } cases[] = {
        {[] { uitest::wait_window(L"No such window", nullptr, 0, std::chrono::milliseconds(300)); },
         "timed out: window \"No such window\""},
        {[] { uitest::press(uitest::wait_window(L"Driver test", L"#32770", GetCurrentProcessId()), 1234); },
         "no button 1234 in \"Driver test\""},
        {[] {
             HWND dlg = uitest::wait_window(L"Driver test", L"#32770", GetCurrentProcessId());
             EnableWindow(uitest::child(dlg, IDOK), FALSE);
             uitest::press(dlg, IDOK);
         },
         "button \"OK\" cannot be pressed"},
    };
    for (auto& c : cases) {
        uitest::Driver driver(c.script);
        Seen seen;
        EXPECT_EQ(IDCANCEL, RunTestDialog(seen));
        EXPECT_EQ(c.failure, driver.finish());
    }
}

}  // namespace
