#pragma once
// The main window's client area: the list of backup items, filling it.
#include "items_list.h"

class CChildView : public CWnd {
public:
    CChildView();
    // A child of the frame; the view picks its own window class.
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
    {
        return CreateEx(0, nullptr, L"", style | WS_CHILD, rect, parent, id);
    }

    CBakItemsListBox list;
    static constexpr UINT kListId = 101;

    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;

protected:
    LRESULT OnCreate(WPARAM, LPARAM);
    LRESULT OnSetFocus(WPARAM, LPARAM);
    void OnSize(UINT type, int cx, int cy);
    void OnPaint();
    DECLARE_MESSAGE_MAP()
};
