// The restore wizard driven as a user drives it, from a test's driver thread or
// from outside the process that shows it: its pages, its buttons, the password
// prompt, and the common ways through it.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>
#include "dialog_check.h"
#include "res/resource.h"
#include "ui_driver.h"

// The wizard sheet's own buttons.
constexpr int kBack = 0x3023, kNext = 0x3024, kFinish = 0x3025;
const wchar_t kFinished[] = L"Restore process has finished, please press \"Next\" button.";

// The texts of a tree's items as paths below its roots, depth first.
inline void TreePaths(HWND tree, HTREEITEM item, const std::wstring& prefix, std::multiset<std::wstring>& out)
{
    for (; item; item = TreeView_GetNextSibling(tree, item)) {
        wchar_t text[1024] = {};
        TVITEMW it = {};
        it.mask = TVIF_TEXT | TVIF_HANDLE;
        it.hItem = item;
        it.pszText = text;
        it.cchTextMax = 1024;
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
        const std::wstring path = prefix.empty() ? text : prefix + L"\\" + text;
        HTREEITEM child = TreeView_GetChild(tree, item);
        if (child)
            TreePaths(tree, child, path, out);
        else
            out.insert(path);
    }
}

class RestoreWizardDriver {
public:
    static constexpr wchar_t kTitle[] = L"Outlook Express Restore Wizard";
    // Waits for the wizard of the process.
    explicit RestoreWizardDriver(DWORD pid = GetCurrentProcessId())
        : pid(pid), sheet(uitest::wait_window(kTitle, L"#32770", pid))
    {
    }
    DWORD pid;
    HWND sheet;

    HWND Page() const { return HWND(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }
    HWND Button(int id) const { return uitest::child(sheet, id); }
    HWND Control(int id) const { return uitest::child(Page(), id); }
    std::wstring Status() const { return uitest::text(Control(IDC_WIZ_STATUS)); }

    // Waits for the page with this title.
    HWND WaitPage(const wchar_t* title) const
    {
        uitest::require([&] { return Page() && uitest::text(uitest::child(Page(), IDC_WIZ_TITLE)) == title; },
                        uitest::narrow(title));
        return Page();
    }
    void WaitStatus(const std::wstring& text) const
    {
        uitest::require([&] { return Status() == text; }, "status " + uitest::narrow(text));
    }
    void WaitEnabled(int id) const
    {
        uitest::require([&] { return IsWindowEnabled(Button(id)) != FALSE; }, "button " + std::to_string(id));
    }
    // Clicks a button of the sheet once it is shown and enabled.
    void Click(int id) const
    {
        HWND button = Button(id);
        uitest::require([&] { return IsWindowVisible(button) && IsWindowEnabled(button); },
                        "button " + std::to_string(id));
        uitest::click(button);
    }
    void ClickOnPage(int id) const
    {
        HWND button = Control(id);
        uitest::require([&] { return IsWindowEnabled(button) != FALSE; }, "page button " + std::to_string(id));
        uitest::click(button);
    }
    void TypePath(const std::wstring& path) const
    {
        HWND edit = Control(IDC_ARCHIVE_PATH);
        uitest::set_text(edit, L"");
        uitest::type(edit, path);
    }
    // Answers the password prompt by typing, or cancels it.
    void AnswerPassword(const wchar_t* password) const
    {
        HWND box = uitest::wait_window(L"Enter password", L"#32770", pid);
        if (password) {
            uitest::type(uitest::child(box, IDC_PASSWORD), password);
            uitest::click(uitest::child(box, IDOK));
        } else {
            uitest::click(uitest::child(box, IDCANCEL));
        }
        uitest::wait_gone(box);
    }
    // Next from the first page, the password typed when there is one, until the
    // contents page lists the archive's items.
    void NextToContents(const std::wstring& password) const
    {
        Click(kNext);
        if (!password.empty())
            AnswerPassword(password.c_str());
        WaitPage(L"Basic information");
        WaitStatus(L"The items included in your archive file:");
        WaitEnabled(kNext);
    }
    // The contents page after a refused archive or password: Next is off, Back
    // returns to the first page.
    void BackFromRefusal() const
    {
        WaitPage(L"Basic information");
        WaitStatus(L"The archive is invalid or your password is wrong!");
        WaitEnabled(kBack);
        EXPECT_FALSE(IsWindowEnabled(Button(kNext)));
        Click(kBack);
        WaitPage(L"Select archive");
    }
    // From the contents page to the restore's end, whose status says `finished`.
    void Restore(const std::wstring& finished) const
    {
        Click(kNext);
        WaitPage(L"Ready to restore");
        ClickOnPage(IDC_RESTORE);
        WaitStatus(finished);
    }
    // From the contents page through the restore to the last page, and Finish.
    void RestoreToTheEnd() const
    {
        Restore(kFinished);
        Click(kNext);
        WaitPage(L"Restore has finished");
        Click(kFinish);
    }
    std::multiset<std::wstring> Tree() const
    {
        std::multiset<std::wstring> out;
        HWND tree = Control(IDC_ARCHIVE_TREE);
        TreePaths(tree, TreeView_GetRoot(tree), L"", out);
        return out;
    }
    void Screenshot(const wchar_t* name, std::vector<std::string>& clipped) const
    {
        for (const std::string& line : capture_and_check(sheet, name))
            clipped.push_back(line);
    }
};
