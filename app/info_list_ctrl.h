#pragma once
// A report list of two columns whose rows show a check box, a title with a grey
// description ("title-description" in column 0) and a right-aligned value in
// column 1; a value of "n/a" greys the check box and shows in red.
#include "controls.h"
#include "gdi.h"

// The owner creates the list with LVS_REPORT | LVS_OWNERDRAWFIXED and loads the
// corner bitmap. It must not set LVS_EX_CHECKBOXES: the list would then toggle a
// click on the box itself, and the click handler here would toggle it back. The
// check states work without the style.
class CBakInfoListCtrl : public CListCtrl {
public:
    CBitmap cornerBitmap;  // painted unscaled in the bottom-right corner of the background

    void DrawItem(DRAWITEMSTRUCT* dis) override;

protected:
    void OnClick(NMHDR* nm, LRESULT* result);
    BOOL OnEraseBkgnd(HDC dc);
    DECLARE_MESSAGE_MAP()
};
