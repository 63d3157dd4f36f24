#pragma once
// A static control that paints a bitmap of the resources, magenta (255,0,255) being
// transparent: those pixels, and any part of the control the bitmap does not
// cover, show the parent's background.
#include "controls.h"
#include "gdi.h"

class CTransImageCtrl : public CStatic {
public:
    // Loads bitmap `bitmapId`, then creates the control with an empty text.
    BOOL Create(UINT bitmapId, DWORD style, const RECT& rect, CWnd* parent, UINT id);

protected:
    void OnPaint();
    BOOL OnEraseBkgnd(HDC dc);
    DECLARE_MESSAGE_MAP()

private:
    CBitmap bitmap_;
};
