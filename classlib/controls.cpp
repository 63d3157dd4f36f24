#include "controls.h"

BOOL COwnerDrawn::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (msg == WM_DRAWITEM) {
        DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        *result = TRUE;
        return TRUE;
    }
    if (msg == WM_MEASUREITEM) {
        MeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        *result = TRUE;
        return TRUE;
    }
    return CWnd::OnChildNotify(msg, wParam, lParam, result);
}

UINT CListBox::ItemFromPoint(POINT pt, BOOL& outside) const
{
    LRESULT r = ::SendMessageW(m_hWnd, LB_ITEMFROMPOINT, 0, MAKELPARAM(pt.x, pt.y));
    outside = HIWORD(r) != 0;
    return LOWORD(r);
}

void CProgressCtrl::GetRange(int& low, int& high) const
{
    PBRANGE r = {};
    ::SendMessageW(m_hWnd, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&r));
    low = r.iLow;
    high = r.iHigh;
}

int CListCtrl::InsertColumn(int col, const wchar_t* heading, int format, int width)
{
    LVCOLUMNW c = {};
    c.mask = LVCF_TEXT | LVCF_FMT | (width >= 0 ? LVCF_WIDTH : 0);
    c.fmt = format;
    c.cx = width;
    c.pszText = const_cast<wchar_t*>(heading);
    return int(SendMessage(LVM_INSERTCOLUMNW, WPARAM(col), reinterpret_cast<LPARAM>(&c)));
}

int CListCtrl::InsertItem(int item, const wchar_t* text, int image)
{
    LVITEMW it = {};
    it.mask = LVIF_TEXT | (image >= 0 ? LVIF_IMAGE : 0);
    it.iItem = item;
    it.iImage = image;
    it.pszText = const_cast<wchar_t*>(text);
    return int(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it)));
}

BOOL CListCtrl::SetItemText(int item, int sub, const wchar_t* text)
{
    LVITEMW it = {};
    it.iSubItem = sub;
    it.pszText = const_cast<wchar_t*>(text);
    return BOOL(SendMessage(LVM_SETITEMTEXTW, WPARAM(item), reinterpret_cast<LPARAM>(&it)));
}

CString CListCtrl::GetItemText(int item, int sub) const
{
    // The control gives no length: grow until the text fits with room to spare.
    for (size_t size = 256;; size *= 2) {
        std::vector<wchar_t> buf(size, 0);
        LVITEMW it = {};
        it.iSubItem = sub;
        it.pszText = buf.data();
        it.cchTextMax = int(size);
        LRESULT n = ::SendMessageW(m_hWnd, LVM_GETITEMTEXTW, WPARAM(item), reinterpret_cast<LPARAM>(&it));
        if (size_t(n) + 1 < size || size >= (size_t(1) << 20))
            return CString(it.pszText);
    }
}

BOOL CListCtrl::SetItemData(int item, DWORD_PTR data)
{
    LVITEMW it = {};
    it.mask = LVIF_PARAM;
    it.iItem = item;
    it.lParam = LPARAM(data);
    return BOOL(SendMessage(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it)));
}

DWORD_PTR CListCtrl::GetItemData(int item) const
{
    LVITEMW it = {};
    it.mask = LVIF_PARAM;
    it.iItem = item;
    if (!::SendMessageW(m_hWnd, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it)))
        return 0;
    return DWORD_PTR(it.lParam);
}

HTREEITEM CTreeCtrl::InsertItem(const wchar_t* text, int image, int selectedImage, HTREEITEM parent, HTREEITEM after)
{
    TVINSERTSTRUCTW tv = {};
    tv.hParent = parent;
    tv.hInsertAfter = after;
    tv.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    tv.item.pszText = const_cast<wchar_t*>(text);
    tv.item.iImage = image;
    tv.item.iSelectedImage = selectedImage;
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&tv)));
}

CString CTreeCtrl::GetItemText(HTREEITEM item) const
{
    std::vector<wchar_t> buf(4096, 0);
    TVITEMW it = {};
    it.mask = TVIF_TEXT;
    it.hItem = item;
    it.pszText = buf.data();
    it.cchTextMax = int(buf.size());
    if (!::SendMessageW(m_hWnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it)))
        return CString();
    return CString(it.pszText);
}

CString CComboBox::GetLBText(HWND combo, int i)
{
    LRESULT n = ::SendMessageW(combo, CB_GETLBTEXTLEN, WPARAM(i), 0);
    if (n == CB_ERR)
        return CString();
    std::wstring text(size_t(n) + 1, L'\0');
    ::SendMessageW(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(size_t(n));
    return CString(std::move(text));
}

void* CComboBox::GetItemDataPtr(int i) const
{
    LRESULT r = ::SendMessageW(m_hWnd, CB_GETITEMDATA, WPARAM(i), 0);
    return r == CB_ERR ? nullptr : reinterpret_cast<void*>(r);
}

BOOL CMonthCalCtrl::SetCurSel(HWND calendar, const CTime& t)
{
    SYSTEMTIME st;
    return t.GetAsSystemTime(st) && ::SendMessageW(calendar, MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&st));
}

BOOL CMonthCalCtrl::GetCurSel(HWND calendar, CTime& t)
{
    SYSTEMTIME st = {};
    if (!::SendMessageW(calendar, MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&st)))
        return FALSE;
    CTime date(st.wYear, st.wMonth, st.wDay, 0, 0, 0);
    if (!date.IsValid())
        return FALSE;
    t = date;
    return TRUE;
}

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow)
{
    DeleteImageList();
    list_ = ImageList_Create(cx, cy, flags, initial, grow);
    return list_ != nullptr;
}

void CImageList::DeleteImageList()
{
    if (list_)
        ImageList_Destroy(list_);
    list_ = nullptr;
}
