// The test process's dialog window whatever its title (some titles are the system's).
#pragma once
#include <windows.h>
#include <string>
#include "ui_driver.h"

inline BOOL CALLBACK FindOwnDialog(HWND h, LPARAM found)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(h) || uitest::class_of(h) != L"#32770")
        return TRUE;
    *reinterpret_cast<HWND*>(found) = h;
    return FALSE;
}

// Waits for a visible dialog of this process and tells its title.
inline HWND WaitOwnDialog(std::wstring& title)
{
    HWND found = nullptr;
    uitest::require(
        [&] {
            EnumWindows(FindOwnDialog, reinterpret_cast<LPARAM>(&found));
            return found != nullptr;
        },
        "a dialog");
    title = uitest::text(found);
    return found;
}
