// The About box and the additional folder dialog, run for real.
#include <gtest/gtest.h>
#include "about_dlg.h"
#include "additional_folder_dlg.h"
#include "dialog_check.h"
#include "res/resource.h"
#include "ui_driver.h"
#include "ui_fixture.h"

namespace {

TEST(AboutDialog, ShowsTheProductInALargerItalicFont)
{
    init_common_controls();
    CAboutDlg dlg;
    std::wstring name;
    LOGFONTW font = {};
    LONG style = 0;
    std::vector<std::string> clipped;
    uitest::Driver driver([&] {
        HWND h = uitest::wait_window(L"About ...", L"#32770", GetCurrentProcessId());
        HWND label = uitest::child(h, IDC_PRODUCT_NAME);
        name = uitest::text(label);
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)), sizeof font, &font);
        style = GetWindowLongW(label, GWL_STYLE);
        clipped = capture_and_check(h, L"about");
        uitest::press(h, IDOK);
        uitest::wait_gone(h);
    });
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ("", driver.finish());
    EXPECT_EQ(L"Brisvale 2.9e", name);
    EXPECT_EQ(20, font.lfHeight);
    EXPECT_EQ(1, font.lfItalic);
    EXPECT_EQ(FW_NORMAL, font.lfWeight);
    EXPECT_STREQ(L"Arial", font.lfFaceName);
    EXPECT_TRUE(style & SS_NOPREFIX);
    EXPECT_EQ(std::vector<std::string>{}, clipped);
}

class FolderDialog : public ::testing::Test {
protected:
    void SetUp() override { init_common_controls(); }
    // Types `typed`, presses the browse button once with the chooser answering
    // `chosen`, and returns what the edit shows then; ends with OK.
    std::wstring Run(const std::wstring& typed, std::optional<std::wstring> chosen, INT_PTR& result)
    {
        std::wstring title, shown;
        HWND owner = nullptr, dlgHwnd = nullptr;
        ui::Override<ui::FolderSeam> folders(ui::chooseFolder, [&](HWND o, const std::wstring& t) {
            owner = o;
            title = t;
            return chosen;
        });
        uitest::Driver driver([&] {
            HWND h = dlgHwnd = uitest::wait_window(L"Additional Folder", L"#32770", GetCurrentProcessId());
            if (typed == L"C:\\shot")
                clipped = capture_and_check(h, L"additional-folder");
            uitest::set_text(uitest::child(h, IDC_FOLDER), typed);
            uitest::press(h, IDC_BROWSE);
            uitest::require([&] { return !title.empty(); }, "folder chooser");
            shown = uitest::text(uitest::child(h, IDC_FOLDER));
            uitest::press(h, IDOK);
            uitest::wait_gone(h);
        });
        result = dlg.DoModal();
        EXPECT_EQ("", driver.finish());
        EXPECT_EQ(L"Please choose a folder", title);
        EXPECT_EQ(dlgHwnd, owner);
        return shown;
    }
    CAdditionalFolderDialog dlg;
    std::vector<std::string> clipped;
};

TEST_F(FolderDialog, AChosenFolderReplacesTheText)
{
    INT_PTR result = 0;
    EXPECT_EQ(L"C:\\y", Run(L"C:\\shot", std::wstring(L"C:\\y"), result));
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(L"C:\\y", dlg.folder);
    EXPECT_EQ(std::vector<std::string>{}, clipped);
}

// Cancelling, or a choice without a file-system path, keeps what was typed.
TEST_F(FolderDialog, NoChoiceKeepsTheTypedText)
{
    INT_PTR result = 0;
    EXPECT_EQ(L"C:\\x", Run(L"C:\\x", std::nullopt, result));
    EXPECT_EQ(L"C:\\x", dlg.folder);
}

TEST_F(FolderDialog, AnEmptyFolderIsReturnedAsIs)
{
    INT_PTR result = 0;
    Run(L"", std::nullopt, result);
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(L"", dlg.folder);
}

}  // namespace
