#include "dlgimpl.h"

CAppModule appModule;

void CWindow::CenterWindow(HWND center)
{
    RECT area, own;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    RECT around = area;
    if (center && IsWindowVisible(center) && !IsIconic(center))
        GetWindowRect(center, &around);
    GetWindowRect(m_hWnd, &own);
    int width = own.right - own.left, height = own.bottom - own.top;
    int x = (around.left + around.right - width) / 2, y = (around.top + around.bottom - height) / 2;
    // Keep it on the work area even when the owner is near its edge.
    if (x + width > area.right)
        x = area.right - width;
    if (y + height > area.bottom)
        y = area.bottom - height;
    if (x < area.left)
        x = area.left;
    if (y < area.top)
        y = area.top;
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CDialogImplBase::DoModalTemplate(int templateId, HWND parent)
{
    return DialogBoxParamW(appModule.GetResourceInstance(), MAKEINTRESOURCEW(templateId), parent, GetDialogProc(),
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CDialogImplBase::DialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
        reinterpret_cast<CDialogImplBase*>(lParam)->m_hWnd = hWnd;
    }
    auto* self = reinterpret_cast<CDialogImplBase*>(GetWindowLongPtrW(hWnd, DWLP_USER));
    if (!self)
        return FALSE;
    LRESULT result = 0;
    BOOL handled = FALSE;
    // An exception must not unwind through the system's dialog code.
    try {
        handled = self->ProcessWindowMessage(hWnd, msg, wParam, lParam, result, 0);
    } catch (...) {
        handled = FALSE;
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hWnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
        self->OnFinalMessage(hWnd);
    }
    if (!handled)
        return FALSE;
    // WM_INITDIALOG answers through the return value (TRUE: default focus);
    // the other messages used here through DWLP_MSGRESULT.
    if (msg == WM_INITDIALOG)
        return result;
    SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

CFileDialog::CFileDialog(const wchar_t* defaultExtension, DWORD flags, const wchar_t* filter)
    : defaultExtension_(defaultExtension), flags_(flags), filter_(filter)
{
}

INT_PTR CFileDialog::DoModal(HWND owner)
{
    OPENFILENAMEW box{};
    box.lStructSize = sizeof box;
    box.hwndOwner = owner;
    box.lpstrFilter = filter_;
    box.lpstrFile = m_szFileName;
    box.nMaxFile = ARRAYSIZE(m_szFileName);
    box.Flags = flags_ | OFN_EXPLORER;
    box.lpstrDefExt = defaultExtension_;
    return GetSaveFileNameW(&box) ? IDOK : IDCANCEL;
}
