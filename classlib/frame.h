#pragma once
// Frame windows: a top-level window with bars docked along its top and bottom
// edges and one client view filling the space between them. Commands go to the
// view first, then the frame, then the application; the frame's accelerators
// are translated in the application's message loop.
#include <vector>
#include "wnd.h"

// The client view's child id.
inline constexpr UINT AFX_IDW_PANE_FIRST = 59648;

class CFrameWnd : public CWnd {
public:
    ~CFrameWnd() override;

    // Loads menu, accelerators and title string `id` and creates the window. The
    // menu is kept for its commands but not shown; the accelerators are in force.
    BOOL LoadFrame(UINT id, DWORD style = WS_OVERLAPPEDWINDOW, CWnd* parent = nullptr);

    // Docks a child bar along the top edge (below bars docked there before) or the
    // bottom edge (above them). The frame sets its place and width; the bar keeps
    // the height it has, and asks for a new layout when that changes.
    void DockBar(HWND bar, bool top);
    // Places the docked bars and gives the view what is left.
    void RecalcLayout();

    // The child with id AFX_IDW_PANE_FIRST, if it has an object.
    CWnd* GetActiveView() const;
    HMENU GetMenuResource() const { return menu_; }

    BOOL OnCmdMsg(UINT id, UINT code, bool probe = false) override;
    // The docked bars see each message first, then the accelerators.
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    // Frames are made with new and go with their window.
    void PostNcDestroy() override { delete this; }

    void OnSize(UINT type, int cx, int cy);
    void OnSetFocus(HWND old);
    DECLARE_MESSAGE_MAP()

private:
    struct Bar {
        HWND hwnd;
        bool top;
    };
    std::vector<Bar> bars_;
    HMENU menu_ = nullptr;
    HACCEL accel_ = nullptr;
};
