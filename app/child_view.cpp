#include "child_view.h"
#include "res/resource.h"

CChildView::CChildView() : list(IDB_REGISTRY_ITEM, IDB_FOLDER_ITEM) {}

BEGIN_MESSAGE_MAP(CChildView, CWnd)
    ON_MESSAGE(WM_CREATE, &CChildView::OnCreate)
    ON_MESSAGE(WM_SETFOCUS, &CChildView::OnSetFocus)
    ON_WM_SIZE()
    ON_WM_PAINT()
END_MESSAGE_MAP()

BOOL CChildView::PreCreateWindow(CREATESTRUCTW& cs)
{
    if (!CWnd::PreCreateWindow(cs))
        return FALSE;
    cs.dwExStyle |= WS_EX_CLIENTEDGE;
    cs.style &= ~WS_BORDER;
    cs.lpszClass = AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, ::LoadCursorW(nullptr, IDC_ARROW),
                                       reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), nullptr);
    return cs.lpszClass != nullptr;
}

LRESULT CChildView::OnCreate(WPARAM, LPARAM)
{
    if (Default() == -1)
        return -1;
    return list.Create(WS_VISIBLE, RECT{0, 0, 0, 0}, this, kListId) ? 0 : -1;
}

// Keys go to the list, so the rows can be walked and ticked from the keyboard.
LRESULT CChildView::OnSetFocus(WPARAM, LPARAM)
{
    if (list.m_hWnd)
        list.SetFocus();
    return 0;
}

void CChildView::OnSize(UINT type, int cx, int cy)
{
    CWnd::OnSize(type, cx, cy);
    list.MoveWindow(0, 0, cx, cy, TRUE);
}

void CChildView::OnPaint()
{
    CPaintDC dc(this);
}
