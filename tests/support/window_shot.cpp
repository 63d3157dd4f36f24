// Waits for a visible top-level window with the given title and saves a picture of
// it as a PNG file (used by scripts/run on a display nobody looks at).
//   window_shot TITLE FILE.png [SECONDS]
// Exit code 0 when saved, 1 when the window did not come within SECONDS (60) or did not
// fill, 2 on bad use or a failed write.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <cstdio>
#include <cwchar>
#include "dialog_check.h"
#include "ui_driver.h"
#include "window_picture.h"

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc < 3) {
        fwprintf(stderr, L"usage: window_shot TITLE FILE.png [SECONDS]\n");
        return 2;
    }
    const DWORD seconds = argc > 3 ? wcstoul(argv[3], nullptr, 10) : 60;
    HWND window = nullptr;
    for (DWORD waited = 0; waited < seconds * 10; ++waited) {
        window = FindWindowW(nullptr, argv[1]);
        if (window && IsWindowVisible(window))
            break;
        window = nullptr;
        Sleep(100);
    }
    if (!window) {
        fwprintf(stderr, L"window_shot: no window \"%ls\"\n", argv[1]);
        return 1;
    }
    // The main window's item list adds and sizes its rows in the background, each
    // row showing a marquee while it is sized: wait until every row's has come and gone.
    const bool filled = uitest::wait_until([&] {
        for (HWND list : uitest::descendants(window, L"ListBox")) {
            const int rows = int(SendMessageW(list, LB_GETCOUNT, 0, 0));
            if (rows == 0 || int(uitest::descendants(list, PROGRESS_CLASSW, false).size()) != rows ||
                !uitest::descendants(list, PROGRESS_CLASSW).empty())
                return false;
        }
        return true;
    });
    if (!filled) {
        fwprintf(stderr, L"window_shot: the list of \"%ls\" was not filled\n", argv[1]);
        return 1;
    }
    wait_painted(window);
    if (!save_window_png(window, argv[2])) {
        fwprintf(stderr, L"window_shot: cannot write %ls\n", argv[2]);
        return 2;
    }
    return 0;
}
