#include "trans_image_ctrl.h"
#include <algorithm>

BEGIN_MESSAGE_MAP(CTransImageCtrl, CStatic)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

BOOL CTransImageCtrl::Create(UINT bitmapId, DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    bitmap_.LoadBitmap(bitmapId);
    return CStatic::Create(L"", style, rect, parent, id);
}

// The background a static control of the parent gets.
BOOL CTransImageCtrl::OnEraseBkgnd(HDC dc)
{
    RECT client;
    GetClientRect(&client);
    auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(GetParent(), WM_CTLCOLORSTATIC, WPARAM(dc), LPARAM(m_hWnd)));
    ::FillRect(dc, &client, brush ? brush : ::GetSysColorBrush(COLOR_3DFACE));
    return TRUE;
}

void CTransImageCtrl::OnPaint()
{
    CPaintDC dc(this);
    RECT client;
    GetClientRect(&client);
    // Never more than the bitmap holds: a larger source would be painted black.
    SIZE size = bitmap_.GetSize();
    int w = std::min<int>(client.right, size.cx), h = std::min<int>(client.bottom, size.cy);
    if (w <= 0 || h <= 0)
        return;
    CDC memory;
    memory.CreateCompatibleDC(dc);
    HGDIOBJ old = memory.SelectObject(bitmap_);
    dc.TransparentBlt(0, 0, w, h, memory, 0, 0, w, h, RGB(255, 0, 255));
    memory.SelectObject(old);
}
