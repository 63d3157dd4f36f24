#include "dialog_check.h"
#include <cstdio>
#include "ui_driver.h"
#include "window_picture.h"

namespace {

// The room a control's own decoration takes beside its text.
int decoration(HWND c, const std::wstring& cls)
{
    if (cls != L"Button")
        return 0;
    LONG type = GetWindowLongW(c, GWL_STYLE) & BS_TYPEMASK;
    switch (type) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE:
        return GetSystemMetrics(SM_CXMENUCHECK) + 4;
    case BS_GROUPBOX:
        return 16;
    default:
        return 2 * GetSystemMetrics(SM_CXEDGE) + 4;
    }
}

bool has_text_to_fit(HWND c, const std::wstring& cls)
{
    LONG style = GetWindowLongW(c, GWL_STYLE);
    if (cls == L"Static") {
        LONG type = style & SS_TYPEMASK;
        return type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_LEFTNOWORDWRAP;
    }
    return cls == L"Button" && !(style & (BS_BITMAP | BS_ICON)) && (style & BS_TYPEMASK) != BS_OWNERDRAW;
}

}  // namespace

void wait_painted(HWND window)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    uitest::require(
        [&] {
            if (GetUpdateRect(window, nullptr, FALSE))
                return false;
            for (HWND c : uitest::descendants(window, nullptr))
                if (GetUpdateRect(c, nullptr, FALSE))
                    return false;
            return true;
        },
        "window painted");
    // The update region empties as painting starts: a message of our own is handled once it has ended.
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, nullptr);
}

std::vector<std::string> capture_and_check(HWND window, const std::wstring& name)
{
    wait_painted(window);
    CreateDirectoryW(L"screenshots", nullptr);
    save_window_png(window, L"screenshots\\" + name + L".png");
    std::vector<std::string> clipped;
    for (HWND c : uitest::descendants(window, nullptr)) {
        HWND parent = GetParent(c);
        RECT pr, cr;
        GetClientRect(parent, &pr);
        GetWindowRect(c, &cr);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&cr), 2);
        std::wstring cls = uitest::class_of(c), text = uitest::text(c);
        std::string what = uitest::narrow(cls) + " \"" + uitest::narrow(text) + "\"";
        if (cr.left < pr.left || cr.top < pr.top || cr.right > pr.right || cr.bottom > pr.bottom)
            clipped.push_back(what + " reaches outside its window");
        if (text.empty() || !has_text_to_fit(c, cls))
            continue;
        RECT client;
        GetClientRect(c, &client);
        int room = client.right - decoration(c, cls);
        HDC dc = GetDC(c);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0)));
        UINT prefix = (cls == L"Static" && (GetWindowLongW(c, GWL_STYLE) & SS_NOPREFIX)) ? DT_NOPREFIX : 0;
        RECT need = {0, 0, room, 0};
        TEXTMETRICW tm;
        GetTextMetricsW(dc, &tm);
        bool multiLine = cls == L"Static" && client.bottom >= 2 * tm.tmHeight;
        DrawTextW(dc, text.c_str(), -1, &need, DT_CALCRECT | prefix | (multiLine ? DT_WORDBREAK : DT_SINGLELINE));
        SelectObject(dc, old);
        ReleaseDC(c, dc);
        if (need.right > room || need.bottom > client.bottom)
            clipped.push_back(what + " needs " + std::to_string(need.right) + "x" + std::to_string(need.bottom) +
                              ", has " + std::to_string(room) + "x" + std::to_string(client.bottom));
    }
    return clipped;
}
