#include "info_list_ctrl.h"
#include "default_items.h"

namespace {
const wchar_t kUnavailable[] = L"n/a";
}

BEGIN_MESSAGE_MAP(CBakInfoListCtrl, CListCtrl)
    ON_NOTIFY_REFLECT(NM_CLICK, &CBakInfoListCtrl::OnClick)
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

void CBakInfoListCtrl::OnClick(NMHDR* nm, LRESULT* result)
{
    int row = reinterpret_cast<NMITEMACTIVATE*>(nm)->iItem;
    if (row != -1)
        SetCheck(row, !GetCheck(row));
    *result = 0;
}

BOOL CBakInfoListCtrl::OnEraseBkgnd(HDC hdc)
{
    CDC dc(hdc);
    RECT client;
    GetClientRect(&client);
    CPen pen;
    pen.CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
    HGDIOBJ oldBrush = dc.SelectObject(::GetStockObject(WHITE_BRUSH));
    HGDIOBJ oldPen = dc.SelectObject(pen);
    dc.Rectangle(client);
    dc.SelectObject(oldPen);
    dc.SelectObject(oldBrush);
    SIZE size = cornerBitmap.GetSize();
    if (size.cx > 0 && size.cy > 0) {
        CDC memory;
        memory.CreateCompatibleDC(dc);
        HGDIOBJ old = memory.SelectObject(cornerBitmap);
        dc.BitBlt(client.right - size.cx, client.bottom - size.cy, size.cx, size.cy, memory, 0, 0, SRCCOPY);
        memory.SelectObject(old);
    }
    return TRUE;
}

void CBakInfoListCtrl::DrawItem(DRAWITEMSTRUCT* dis)
{
    const int row = int(dis->itemID);
    const RECT item = dis->rcItem;
    const bool selected = (dis->itemState & ODS_SELECTED) != 0;
    CString text = GetItemText(row, 0);
    if (text.size() > 2047)
        text.resize(2047);
    const CString value = GetItemText(row, 1);
    const bool unavailable = value == kUnavailable;
    CDC dc(dis->hDC);
    dc.FillRect(item, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));

    UINT box = DFCS_BUTTONCHECK | DFCS_FLAT;
    if (unavailable)
        box |= DFCS_INACTIVE;
    else if (GetCheck(row))
        box |= DFCS_CHECKED;
    dc.DrawFrameControl(RECT{item.left + 1, item.top + 1, item.left + 16, item.top + 16}, DFC_BUTTON, box);

    // A text without '-' is all title.
    wchar_t title[2048] = {}, description[2048] = {};
    if (!SplitAtChar(text.c_str(), L'-', title, description))
        CopyBounded(title, text.c_str());

    const int oldMode = dc.SetBkMode(TRANSPARENT);
    const COLORREF oldColor = dc.SetTextColor(RGB(0, 0, 0));
    const UINT flags = DT_SINGLELINE | DT_NOPREFIX;
    RECT r = item;
    r.left += 18;
    r.top += 3;
    dc.DrawText(title, r, DT_LEFT | flags);
    r.left += dc.GetTextExtent(title).cx;
    dc.SetTextColor(selected ? RGB(255, 255, 255) : RGB(150, 150, 150));
    dc.DrawText(description, r, DT_LEFT | flags);

    RECT v = item;
    v.left += GetColumnWidth(0) + 3;
    v.right -= 3;
    v.top += 3;
    dc.SetTextColor(unavailable ? RGB(200, 0, 0) : RGB(0, 0, 0));
    dc.DrawText(value.c_str(), v, DT_RIGHT | flags);
    dc.SetTextColor(oldColor);
    dc.SetBkMode(oldMode);

    if (dis->itemState & ODS_FOCUS)
        dc.DrawFocusRect(item);
}
