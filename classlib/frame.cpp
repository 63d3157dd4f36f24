#include "frame.h"

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
    ON_WM_SIZE()
    ON_WM_SETFOCUS()
END_MESSAGE_MAP()

CFrameWnd::~CFrameWnd()
{
    if (menu_)
        ::DestroyMenu(menu_);
}

BOOL CFrameWnd::LoadFrame(UINT id, DWORD style, CWnd* parent)
{
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    CString title;
    title.LoadString(id);
    menu_ = ::LoadMenuW(inst, MAKEINTRESOURCEW(id));
    accel_ = ::LoadAcceleratorsW(inst, MAKEINTRESOURCEW(id));
    // A fixed size centred on the work area, so the first look is the same everywhere.
    RECT work;
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int w = 820, h = 600;
    const int x = work.left + ((work.right - work.left) - w) / 2, y = work.top + ((work.bottom - work.top) - h) / 2;
    return CreateEx(0, nullptr, title.c_str(), style, RECT{x, y, x + w, y + h}, parent, 0);
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCTW& cs)
{
    if (!cs.lpszClass)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorW(nullptr, IDC_ARROW),
                                           reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    cs.dwExStyle |= WS_EX_CLIENTEDGE;
    return cs.lpszClass != nullptr;
}

void CFrameWnd::DockBar(HWND bar, bool top)
{
    bars_.push_back({bar, top});
    RecalcLayout();
}

void CFrameWnd::RecalcLayout()
{
    if (!m_hWnd)
        return;
    RECT r;
    GetClientRect(&r);
    const int width = r.right - r.left;
    for (const Bar& bar : bars_) {
        if (!::IsWindow(bar.hwnd) || !(::GetWindowLongPtrW(bar.hwnd, GWL_STYLE) & WS_VISIBLE))
            continue;
        RECT b;
        ::GetWindowRect(bar.hwnd, &b);
        const int height = b.bottom - b.top;
        const int y = bar.top ? r.top : r.bottom - height;
        ::SetWindowPos(bar.hwnd, nullptr, r.left, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        if (bar.top)
            r.top += height;
        else
            r.bottom -= height;
    }
    if (HWND view = GetDlgItem(AFX_IDW_PANE_FIRST))
        ::SetWindowPos(view, nullptr, r.left, r.top, width, r.bottom > r.top ? r.bottom - r.top : 0,
                       SWP_NOZORDER | SWP_NOACTIVATE);
}

void CFrameWnd::OnSize(UINT type, int, int)
{
    if (type != SIZE_MINIMIZED)
        RecalcLayout();
}

void CFrameWnd::OnSetFocus(HWND)
{
    if (HWND view = GetDlgItem(AFX_IDW_PANE_FIRST))
        ::SetFocus(view);
}

CWnd* CFrameWnd::GetActiveView() const
{
    return FromHandle(GetDlgItem(AFX_IDW_PANE_FIRST));
}

BOOL CFrameWnd::OnCmdMsg(UINT id, UINT code, bool probe)
{
    if (CWnd* view = GetActiveView(); view && view->OnCmdMsg(id, code, probe))
        return TRUE;
    return CWnd::OnCmdMsg(id, code, probe);
}

BOOL CFrameWnd::PreTranslateMessage(MSG* msg)
{
    // Bars first: a ribbon takes Alt and F10 for its own keyboard access.
    for (const Bar& bar : bars_)
        if (CWnd* w = FromHandle(bar.hwnd); w && w->PreTranslateMessage(msg))
            return TRUE;
    return accel_ && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST &&
           ::TranslateAcceleratorW(m_hWnd, accel_, msg);
}
