// The replaceable seams, strings and times.
#include <gtest/gtest.h>
#include <shlobj.h>
#include "afxwin.h"
#include "prompt_recorder.h"
#include "test_files.h"
#include "own_dialog.h"
#include "ui_driver.h"

namespace {

TEST(Seams, MessageBoxesGoThroughThePrompt)
{
    PromptRecorder prompts({IDNO});
    EXPECT_EQ(IDNO, AfxMessageBox(L"Sure?", MB_YESNO));
    EXPECT_EQ(IDOK, AfxMessageBox(L"Note", MB_OK));
    EXPECT_EQ(IDOK, AfxMessageBox(L"Stop", MB_ICONERROR));
    auto seen = prompts.seen();
    ASSERT_EQ(3u, seen.size());
    EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION), seen[0].flags);
    EXPECT_EQ(UINT(MB_OK | MB_ICONEXCLAMATION), seen[1].flags);
    EXPECT_EQ(UINT(MB_ICONERROR), seen[2].flags);
}

TEST(Seams, TheFileChooserGetsTheDefaultExtensionWithoutItsDot)
{
    ui::FileChoice got;
    ui::Override<ui::FileSeam> files(ui::chooseFile, [&](const ui::FileChoice& c) -> std::optional<std::wstring> {
        got = c;
        return std::wstring(L"C:\\out\\a.bvk2");
    });
    CFileDialog box(FALSE, L".bvk2", nullptr, OFN_OVERWRITEPROMPT, L"Archive(*.bvk2)|*.bvk2||", nullptr);
    ASSERT_EQ(IDOK, box.DoModal());
    EXPECT_EQ(L"C:\\out\\a.bvk2", box.GetPathName());
    EXPECT_TRUE(got.save);
    EXPECT_EQ(L"bvk2", got.defaultExt);
    EXPECT_EQ(DWORD(OFN_OVERWRITEPROMPT), got.flags);
    {
        ui::Override<ui::FileSeam> cancel(ui::chooseFile, [](const ui::FileChoice&) { return std::nullopt; });
        EXPECT_EQ(IDCANCEL, box.DoModal());
    }
}

TEST(Seams, AnOverrideEndsWithItsScope)
{
    {
        ui::Override<ui::ClockSeam> clock(ui::clock, [] { return __time64_t(86400); });
        EXPECT_EQ(86400, CTime::GetCurrentTime().GetTime());
    }
    EXPECT_GT(CTime::GetCurrentTime().GetTime(), __time64_t(1700000000));
}

TEST(Strings, FormatIsWideAndGrowsToFit)
{
    CString s;
    s.Format(L"%ls and %s, %d", L"wide", L"wide too", 42);
    EXPECT_EQ(L"wide and wide too, 42", s);
    std::wstring longText(5000, L'x');
    s.Format(L"[%ls]", longText.c_str());
    EXPECT_EQ(5002, s.GetLength());
}

TEST(Strings, BoundedCopiesAlwaysTerminate)
{
    wchar_t small[4];
    CopyBounded(small, L"abcdef");
    EXPECT_STREQ(L"abc", small);
    CopyBounded(small, nullptr);
    EXPECT_STREQ(L"", small);
}

TEST(Times, DatesBeyond2038AndBadFormats)
{
    CTime t(2100, 2, 28, 13, 5, 9);
    ASSERT_TRUE(t.IsValid());
    EXPECT_EQ(2100, t.GetYear());
    EXPECT_EQ(L"2100-02-28 13.05.09", t.Format(L"%Y-%m-%d %H.%M.%S"));
    EXPECT_EQ(CTime(2100, 3, 1, 13, 5, 9), t + CTimeSpan(1, 0, 0, 0));
    EXPECT_EQ(L"", t.Format(L"%Q"));                            // not a conversion
    EXPECT_EQ(L"", t.Format(L"50%"));                           // cut short
    EXPECT_EQ(L"", t.Format(std::wstring(300, L'a').c_str()));  // too long
    EXPECT_FALSE(CTime(3001, 1, 1, 0, 0, 0).IsValid());
}

TEST(CommandLine, SwitchesLoseTheirMarkAndTheFirstPlainArgumentIsTheFile)
{
    struct Recorder : CCommandLineInfo {
        std::vector<std::pair<std::wstring, bool>> seen;
        void ParseParam(const wchar_t* p, BOOL isSwitch, BOOL isLast) override
        {
            seen.push_back({p, bool(isSwitch)});
            CCommandLineInfo::ParseParam(p, isSwitch, isLast);
        }
    } info;
    wchar_t a0[] = L"korvane.exe", a1[] = L"-s", a2[] = L"/x", a3[] = L"first.bvk2", a4[] = L"second";
    wchar_t* argv[] = {a0, a1, a2, a3, a4};
    info.ParseArguments(5, argv);
    EXPECT_EQ(L"first.bvk2", info.m_strFileName);
    ASSERT_EQ(4u, info.seen.size());
    EXPECT_EQ((std::pair<std::wstring, bool>{L"s", true}), info.seen[0]);
    EXPECT_EQ((std::pair<std::wstring, bool>{L"x", true}), info.seen[1]);
    EXPECT_EQ((std::pair<std::wstring, bool>{L"second", false}), info.seen[3]);
}

}  // namespace

namespace {

// The shell's real folder chooser: a place without a file-system path gives nothing.
TEST(Seams, TheRealFolderChooserReturnsOnlyFileSystemPaths)
{
    AfxOleInit();
    const std::wstring documents = shell_folder(CSIDL_PERSONAL);
    struct Case {
        const wchar_t* item;
        int button;
        std::optional<std::wstring> result;
    } cases[] = {
        {L"Documents", IDOK, documents},
        {L"My Computer", IDOK, std::nullopt},
        {L"Documents", IDCANCEL, std::nullopt},
    };
    for (const Case& c : cases) {
        uitest::Driver driver([&] {
            std::wstring title;
            HWND h = WaitOwnDialog(title);
            HWND tree = uitest::first_descendant(h, L"SysTreeView32");
            HTREEITEM found = nullptr;
            for (HTREEITEM i = TreeView_GetChild(tree, TreeView_GetRoot(tree)); i && !found;
                 i = TreeView_GetNextSibling(tree, i)) {
                wchar_t t[260] = {};
                TVITEMW it = {};
                it.mask = TVIF_TEXT;
                it.hItem = i;
                it.pszText = t;
                it.cchTextMax = 260;
                TreeView_GetItem(tree, &it);
                if (std::wstring(t) == c.item)
                    found = i;
            }
            if (!found)
                throw uitest::Failure("no item " + uitest::narrow(c.item));
            TreeView_SelectItem(tree, found);
            uitest::press(h, c.button);
            uitest::wait_gone(h);
        });
        auto got = ui::ChooseFolder(nullptr, L"Pick");
        EXPECT_EQ("", driver.finish());
        // The path may come with a closing backslash.
        ASSERT_EQ(bool(c.result), bool(got)) << uitest::narrow(c.item);
        if (got) {
            EXPECT_EQ(0u, got->rfind(*c.result, 0)) << uitest::narrow(*got);
        }
    }
}

}  // namespace
