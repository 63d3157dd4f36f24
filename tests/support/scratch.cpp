#include "scratch.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

std::wstring fresh_scratch_folder(const std::wstring& relative)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + relative;
    // The shell's delete wants a double-terminated list.
    const std::wstring from = folder + L'\0';
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    SHFileOperationW(&op);
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    return folder;
}
