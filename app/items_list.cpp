#include "items_list.h"
#include <algorithm>
#include <cstdlib>
#include <string>
#include "default_items.h"

void FormatSizeText(uint64_t size, CString& text)
{
    const bool bytes = size < 1024;
    const std::wstring digits = std::to_wstring(bytes ? size : size / 1024);
    std::wstring grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += L',';
        grouped += digits[i];
    }
    text = grouped + (bytes ? L" Bytes" : L" KB");
}

BEGIN_MESSAGE_MAP(CBakItemsListBox, CListBox)
    ON_MESSAGE(WM_LBUTTONDOWN, &CBakItemsListBox::OnLButtonDown)
    // A quick second click on a check box is a second click, not a double click.
    ON_MESSAGE(WM_LBUTTONDBLCLK, &CBakItemsListBox::OnLButtonDown)
    ON_MESSAGE(WM_KEYDOWN, &CBakItemsListBox::OnKeyDown)
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

BakListItem* CBakItemsListBox::Row(int row)
{
    return row >= 0 && size_t(row) < rows.size() ? &rows[size_t(row)] : nullptr;
}

const BakListItem* CBakItemsListBox::Row(int row) const
{
    return row >= 0 && size_t(row) < rows.size() ? &rows[size_t(row)] : nullptr;
}

int CBakItemsListBox::AddItem(const wchar_t* text)
{
    BakListItem& row = rows.emplace_back();
    CopyBounded(row.text, text);
    // The row exists before its entry: adding the entry measures it.
    int index = int(SendMessage(LB_ADDSTRING, 0, 0));
    if (index < 0) {
        rows.pop_back();
        return -1;
    }
    return index;
}

void CBakItemsListBox::SetItemState(int row, int32_t state)
{
    BakListItem* r = Row(row);
    if (!r || r->state == state)
        return;
    r->state = state;
    if (state == kRowRunning) {
        if (!r->progress) {
            auto bar = std::make_unique<CProgressCtrl>();
            if (bar->Create(WS_VISIBLE | PBS_MARQUEE, RECT{0, 0, 0, 0}, this, 0)) {
                bar->SetMarquee(TRUE, 30);
                r->progress = std::move(bar);
            }
        }
        if (r->progress)
            r->progress->ShowWindow(SW_SHOW);
    } else if (r->progress) {
        r->progress->ShowWindow(SW_HIDE);
    }
    Invalidate();
}

void CBakItemsListBox::SetItemKind(int row, int32_t kind)
{
    if (BakListItem* r = Row(row)) {
        r->kind = kind;
        Invalidate();
    }
}

void CBakItemsListBox::SetItemSize(int row, uint64_t size)
{
    if (BakListItem* r = Row(row)) {
        r->size = size;
        Invalidate();
    }
}

void CBakItemsListBox::SetCheck(int row, bool value)
{
    BakListItem* r = Row(row);
    if (!r)
        return;
    if (r->state == kRowFailed) {
        r->checked = false;
        return;
    }
    r->checked = value;
    Invalidate();
}

bool CBakItemsListBox::GetCheck(int row) const
{
    const BakListItem* r = Row(row);
    return r && r->checked;
}

int32_t CBakItemsListBox::GetItemState(int row) const
{
    const BakListItem* r = Row(row);
    return r ? r->state : kRowWaiting;
}

CString CBakItemsListBox::GetItemText(int row) const
{
    const BakListItem* r = Row(row);
    return r ? CString(r->text) : CString();
}

uint64_t CBakItemsListBox::GetItemSize(int row) const
{
    const BakListItem* r = Row(row);
    return r ? r->size : 0;
}

void CBakItemsListBox::ToggleCheck(int row)
{
    if (Row(row))
        SetCheck(row, !GetCheck(row));
}

int CBakItemsListBox::GetFontHeight() const
{
    LOGFONTW lf;
    HFONT font = GetFont();
    if (font && ::GetObjectW(font, sizeof lf, &lf))
        return std::abs(int(lf.lfHeight));  // a height given in points is negative
    return 15;
}

void CBakItemsListBox::CreateRowFont(CFont& font, int weight) const
{
    LOGFONTW lf;
    HFONT own = GetFont();
    if (own && ::GetObjectW(own, sizeof lf, &lf)) {
        lf.lfWeight = weight;
        font.CreateFontIndirect(lf);
        return;
    }
    font.CreateFont(15, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, FF_SWISS | DEFAULT_PITCH, L"Tahoma");
}

BOOL CBakItemsListBox::PreCreateWindow(CREATESTRUCTW& cs)
{
    cs.style |= LBS_OWNERDRAWVARIABLE | WS_VSCROLL;
    cs.style &= ~(LBS_SORT | LBS_HASSTRINGS);
    return CListBox::PreCreateWindow(cs);
}

void CBakItemsListBox::MeasureItem(MEASUREITEMSTRUCT* m)
{
    m->itemHeight = UINT(GetRowHeight());
}

void CBakItemsListBox::DrawItem(DRAWITEMSTRUCT* d)
{
    // An empty list with the focus asks for entry -1.
    const BakListItem* row = Row(int(d->itemID));
    if (!row)
        return;
    RECT client;
    GetClientRect(&client);
    if (client.right <= 0 || client.bottom <= 0)
        return;
    CDC dc;
    CBitmap canvas;
    if (!dc.CreateCompatibleDC(d->hDC) || !canvas.CreateCompatibleBitmap(d->hDC, client.right, client.bottom))
        return;
    HGDIOBJ oldBitmap = dc.SelectObject(canvas.GetSafeHandle());
    const RECT item = d->rcItem;
    const int left = item.left, top = item.top, right = item.right, bottom = item.bottom;
    const bool selected = (d->itemState & ODS_SELECTED) != 0;
    const bool greyed = row->state == kRowWaiting || row->state == kRowFailed;
    const COLORREF titleColour = greyed ? 0xC8C8C8 : selected ? 0xFFFFFF : 0x000000;
    const COLORREF descriptionColour = greyed ? 0xC8C8C8 : 0x969696;
    const int fontHeight = GetFontHeight();

    dc.FillSolidRect(item, selected ? 0x323232 : 0xFFFFFF);

    UINT check = DFCS_BUTTONCHECK | DFCS_FLAT;
    if (row->state == kRowFailed)
        check |= DFCS_INACTIVE;
    else if (row->checked)
        check |= DFCS_CHECKED;
    dc.DrawFrameControl(RECT{left + 1, top + 1, left + 17, top + 17}, DFC_BUTTON, check);

    const int32_t bitmapId = row->kind == kKindRegistry ? registryBitmapId
                             : row->kind == kKindFolder ? folderBitmapId
                                                        : 0;
    CBitmap image;
    CDC imageDc;
    if (bitmapId && image.LoadBitmap(UINT(bitmapId)) && imageDc.CreateCompatibleDC(d->hDC)) {
        HGDIOBJ old = imageDc.SelectObject(image.GetSafeHandle());
        dc.TransparentBlt(right - 17, top + GetRowHeight() / 2 - 8 + 1, 16, 16, imageDc, 0, 0, 16, 16, 0xFF00FF);
        imageDc.SelectObject(old);
    }

    // A name without "-" is all title.
    wchar_t title[200], description[200] = L"";
    if (!SplitAtChar(row->text, L'-', title, description))
        CopyBounded(title, row->text);

    // Names stop where the size column begins; a longer one ends in "...".
    const int textRight = std::max(left + 18, right - 226);
    const UINT textFormat = DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
    dc.SetBkMode(TRANSPARENT);
    CFont bold, normal;
    CreateRowFont(bold, FW_BOLD);
    CreateRowFont(normal, FW_NORMAL);
    HGDIOBJ oldFont = dc.SelectObject(bold.GetSafeHandle());
    dc.SetTextColor(titleColour);
    dc.DrawText(title, RECT{left + 18, top + 1, textRight, bottom}, textFormat);
    dc.SelectObject(normal.GetSafeHandle());
    dc.SetTextColor(descriptionColour);
    dc.DrawText(description, RECT{left + 18, top + fontHeight + 2, textRight, bottom}, textFormat);

    if (row->state == kRowRunning) {
        if (row->progress)
            row->progress->MoveWindow(right - 126, top + (bottom - top) / 2 - 5, 100, 10, TRUE);
    } else {
        CString size;
        if (row->state == kRowFailed)
            size = L"NOT FOUND";
        else if (row->state == kRowWaiting)
            size = L"PLEASE WAIT ...";
        else
            FormatSizeText(row->size, size);
        dc.SetTextColor(titleColour);
        dc.DrawText(size.c_str(), RECT{right - 226, top + (bottom - top) / 2 - fontHeight / 2, right - 26, bottom},
                    DT_RIGHT | DT_SINGLELINE | DT_NOPREFIX);
    }
    dc.SelectObject(oldFont);

    CPen dots;
    dots.CreatePen(PS_DOT, 1, 0x646464);
    HGDIOBJ oldPen = dc.SelectObject(dots.GetSafeHandle());
    dc.MoveTo(left, bottom - 1);
    dc.LineTo(right, bottom - 1);
    dc.SelectObject(oldPen);

    if (d->itemState & ODS_FOCUS) {
        dc.SetTextColor(0x000000);
        dc.DrawFocusRect(item);
    }

    ::BitBlt(d->hDC, left, top, right - left, bottom - top, dc, left, top, SRCCOPY);
    dc.SelectObject(oldBitmap);
}

LRESULT CBakItemsListBox::OnLButtonDown(WPARAM, LPARAM point)
{
    // The nearest entry: a point below the last row gives the last row.
    BOOL outside = FALSE;
    POINT pt{short(LOWORD(point)), short(HIWORD(point))};
    int row = int(ItemFromPoint(pt, outside));
    if (pt.x <= 16)
        ToggleCheck(row);
    return Default();
}

LRESULT CBakItemsListBox::OnKeyDown(WPARAM key, LPARAM)
{
    if (key == VK_SPACE)
        ToggleCheck(int(SendMessage(LB_GETCURSEL)));
    return Default();
}

BOOL CBakItemsListBox::OnEraseBkgnd(HDC hdc)
{
    RECT client;
    GetClientRect(&client);
    int count = GetCount();
    if (count > 0) {
        RECT last;
        if (GetItemRect(count - 1, &last) != LB_ERR)
            client.top = std::max(client.top, last.bottom);
    }
    if (client.top < client.bottom) {
        CDC dc(hdc);
        dc.FillSolidRect(client, 0xFFFFFF);
    }
    return TRUE;
}
