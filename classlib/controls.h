#pragma once
// Wrappers of the standard and common controls, attached with DDX_Control or created.
#include <vector>
#include "ctime.h"
#include "wnd.h"

class CStatic : public CWnd {
public:
    BOOL Create(const wchar_t* text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xFFFF)
    {
        return CreateEx(0, L"STATIC", text, style | WS_CHILD, rect, parent, id);
    }
};

// Owner-drawn lists and list views get their WM_DRAWITEM/WM_MEASUREITEM back from the parent.
class COwnerDrawn : public CWnd {
public:
    virtual void DrawItem(DRAWITEMSTRUCT*) {}
    virtual void MeasureItem(MEASUREITEMSTRUCT*) {}

protected:
    BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class CListBox : public COwnerDrawn {
public:
    int AddString(const wchar_t* text) { return int(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text))); }
    int GetCount() const { return int(::SendMessageW(m_hWnd, LB_GETCOUNT, 0, 0)); }
    int SetItemData(int i, DWORD_PTR data) { return int(SendMessage(LB_SETITEMDATA, WPARAM(i), LPARAM(data))); }
    DWORD_PTR GetItemData(int i) const { return DWORD_PTR(::SendMessageW(m_hWnd, LB_GETITEMDATA, WPARAM(i), 0)); }
    int GetItemRect(int i, RECT* r) const
    {
        return int(::SendMessageW(m_hWnd, LB_GETITEMRECT, WPARAM(i), reinterpret_cast<LPARAM>(r)));
    }
    // The item at a client point, and whether the point lies outside every item.
    UINT ItemFromPoint(POINT pt, BOOL& outside) const;
    void ResetContent() { SendMessage(LB_RESETCONTENT); }
};

class CProgressCtrl : public CWnd {
public:
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
    {
        return CreateEx(0, PROGRESS_CLASSW, L"", style | WS_CHILD, rect, parent, id);
    }
    void SetRange32(int low, int high) { SendMessage(PBM_SETRANGE32, WPARAM(low), LPARAM(high)); }
    void GetRange(int& low, int& high) const;
    int SetPos(int pos) { return int(SendMessage(PBM_SETPOS, WPARAM(pos))); }
    int GetPos() const { return int(::SendMessageW(m_hWnd, PBM_GETPOS, 0, 0)); }
    // Marquee needs the PBS_MARQUEE style and common controls 6.
    void SetMarquee(BOOL on, UINT intervalMs) { SendMessage(PBM_SETMARQUEE, WPARAM(on), LPARAM(intervalMs)); }
};

class CListCtrl : public COwnerDrawn {
public:
    void SetExtendedStyle(DWORD style) { SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LPARAM(style)); }
    int InsertColumn(int col, const wchar_t* heading, int format = LVCFMT_LEFT, int width = -1);
    int InsertItem(int item, const wchar_t* text, int image = -1);
    BOOL SetItemText(int item, int sub, const wchar_t* text);
    CString GetItemText(int item, int sub) const;
    BOOL SetItemData(int item, DWORD_PTR data);
    DWORD_PTR GetItemData(int item) const;
    int GetItemCount() const { return int(::SendMessageW(m_hWnd, LVM_GETITEMCOUNT, 0, 0)); }
    BOOL DeleteAllItems() { return BOOL(SendMessage(LVM_DELETEALLITEMS)); }
    // A row whose check was never set reads as unchecked.
    BOOL GetCheck(int item) const { return ListView_GetCheckState(m_hWnd, item) == 1; }
    void SetCheck(int item, BOOL check) { ListView_SetCheckState(m_hWnd, item, check); }
    UINT GetItemState(int item, UINT mask) const { return ListView_GetItemState(m_hWnd, item, mask); }
    int GetColumnWidth(int col) const { return ListView_GetColumnWidth(m_hWnd, col); }
    HIMAGELIST SetImageList(HIMAGELIST list, int which) { return ListView_SetImageList(m_hWnd, list, which); }
};

class CTreeCtrl : public CWnd {
public:
    HTREEITEM InsertItem(const wchar_t* text, int image, int selectedImage, HTREEITEM parent = TVI_ROOT,
                         HTREEITEM after = TVI_LAST);
    BOOL DeleteAllItems() { return TreeView_DeleteAllItems(m_hWnd); }
    HTREEITEM GetChildItem(HTREEITEM item) const { return TreeView_GetChild(m_hWnd, item); }
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return TreeView_GetNextSibling(m_hWnd, item); }
    CString GetItemText(HTREEITEM item) const;
    HIMAGELIST SetImageList(HIMAGELIST list, int which) { return TreeView_SetImageList(m_hWnd, list, which); }
};

class CComboBox : public CWnd {
public:
    // The index the entry got (sorted lists place it by its text).
    int AddString(const wchar_t* text) { return int(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text))); }
    int DeleteString(int i) { return int(SendMessage(CB_DELETESTRING, WPARAM(i))); }
    void ResetContent() { SendMessage(CB_RESETCONTENT); }
    int GetCount() const { return int(::SendMessageW(m_hWnd, CB_GETCOUNT, 0, 0)); }
    int GetCurSel() const { return int(::SendMessageW(m_hWnd, CB_GETCURSEL, 0, 0)); }
    int SetCurSel(int i) { return int(SendMessage(CB_SETCURSEL, WPARAM(i))); }
    CString GetLBText(int i) const { return GetLBText(m_hWnd, i); }
    static CString GetLBText(HWND combo, int i);  // "" for no such entry
    int SetItemDataPtr(int i, void* p)
    {
        return int(SendMessage(CB_SETITEMDATA, WPARAM(i), reinterpret_cast<LPARAM>(p)));
    }
    void* GetItemDataPtr(int i) const;
};

class CMonthCalCtrl : public CWnd {
public:
    BOOL SetCurSel(const CTime& t) { return SetCurSel(m_hWnd, t); }
    BOOL GetCurSel(CTime& t) const { return GetCurSel(m_hWnd, t); }  // the date at 0:00:00
    static BOOL SetCurSel(HWND calendar, const CTime& t);
    static BOOL GetCurSel(HWND calendar, CTime& t);
};

// An image list, destroyed with the object.
class CImageList {
public:
    CImageList() = default;
    ~CImageList() { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;
    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    // Adds the images of a bitmap strip; pixels of the mask colour become transparent.
    int Add(HBITMAP bitmap, COLORREF mask) { return ImageList_AddMasked(list_, bitmap, mask); }
    int GetImageCount() const { return ImageList_GetImageCount(list_); }
    void DeleteImageList();
    HIMAGELIST GetSafeHandle() const { return list_; }

private:
    HIMAGELIST list_ = nullptr;
};
