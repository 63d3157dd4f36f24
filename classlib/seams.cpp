#include "seams.h"
#include <commdlg.h>
#include <shlobj.h>
#include <vector>

namespace ui {
namespace {

int RealPrompt(HWND owner, const std::wstring& text, const std::wstring& caption, UINT flags)
{
    return MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
}

std::optional<std::wstring> RealChooseFile(const FileChoice& c)
{
    // Resource filters separate with '|'; the common dialog wants NULs.
    std::wstring filter = c.filter;
    for (wchar_t& ch : filter)
        if (ch == L'|')
            ch = 0;
    filter.push_back(0);
    std::vector<wchar_t> name(32768, 0);
    c.fileName.copy(name.data(), name.size() - 1);
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = c.owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = DWORD(name.size());
    ofn.lpstrDefExt = c.defaultExt.empty() ? nullptr : c.defaultExt.c_str();
    ofn.Flags = c.flags | OFN_EXPLORER;
    BOOL ok = c.save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!ok)
        return std::nullopt;
    return std::wstring(name.data());
}

std::optional<std::wstring> RealChooseFolder(HWND owner, const std::wstring& title)
{
    BROWSEINFOW bi = {};
    bi.hwndOwner = owner;
    bi.lpszTitle = title.c_str();
    PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi);
    if (!pidl)
        return std::nullopt;
    wchar_t path[MAX_PATH + 1] = {};
    BOOL hasPath = SHGetPathFromIDListW(pidl, path);
    CoTaskMemFree(pidl);
    if (!hasPath)
        return std::nullopt;
    return std::wstring(path);
}

__time64_t RealClock()
{
    return _time64(nullptr);
}

}  // namespace

PromptSeam prompt = RealPrompt;
FileSeam chooseFile = RealChooseFile;
FolderSeam chooseFolder = RealChooseFolder;
ClockSeam clock = RealClock;

int Prompt(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags)
{
    return prompt(owner, text ? text : L"", caption ? caption : L"", flags);
}

std::optional<std::wstring> ChooseFile(const FileChoice& choice)
{
    return chooseFile(choice);
}

std::optional<std::wstring> ChooseFolder(HWND owner, const wchar_t* title)
{
    return chooseFolder(owner, title ? title : L"");
}

__time64_t Now()
{
    return clock();
}

}  // namespace ui
