// The info list and the transparent image control, each in a window of its own,
// read back from the window's pixels.
#include <gtest/gtest.h>
#include "dialog_check.h"
#include "info_list_ctrl.h"
#include "trans_image_ctrl.h"
#include "ui_driver.h"
#include "window_picture.h"
#include "ui_fixture.h"

namespace {

constexpr UINT kPicture = 900;  // 16 x 12, see info_controls_test.rc
constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kMagenta = RGB(255, 0, 255),
                   kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0), kGrey = RGB(150, 150, 150),
                   kUnavailable = RGB(200, 0, 0), kParent = RGB(0, 160, 0);

// A top-level window whose static controls get a green background.
class Host : public CWnd {
public:
    explicit Host(const wchar_t* title)
    {
        green.CreateSolidBrush(kParent);
        CreateEx(0, AfxRegisterWndClass(0, nullptr, GetSysColorBrush(COLOR_3DFACE)), title,
                 WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{60, 60, 560, 400}, nullptr, 0);
    }
    CBrush green;

protected:
    HBRUSH OnCtlColor(HDC, HWND, UINT) { return green; }
    // Rows tall enough for the info list's check box and text.
    LRESULT OnMeasureItem(WPARAM, LPARAM lParam)
    {
        reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 20;
        return TRUE;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(Host, CWnd)
    ON_WM_CTLCOLOR()
    ON_MESSAGE(WM_MEASUREITEM, &Host::OnMeasureItem)
END_MESSAGE_MAP()

// ---- CBakInfoListCtrl

class InfoList : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_common_controls();
        // As an owner would make it: owner-drawn report view, no check-box style.
        ASSERT_TRUE(list.CreateEx(0, WC_LISTVIEWW, L"",
                                  WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_SINGLESEL |
                                      LVS_SHOWSELALWAYS,
                                  RECT{10, 10, 460, 250}, &host, 100));
        ASSERT_TRUE(list.cornerBitmap.LoadBitmap(kPicture));
        list.InsertColumn(0, L"Item", LVCFMT_LEFT, 300);
        list.InsertColumn(1, L"Size", LVCFMT_RIGHT, 120);
        const struct {
            const wchar_t* text;
            const wchar_t* value;
            BOOL checked;
        } rows[] = {
            {L"Mail store-the messages of every identity", L"12.5 MB", TRUE},
            {L"Address book-the contacts file", L"n/a", TRUE},
            {L"Settings", L"4 KB", FALSE},
        };
        for (int i = 0; i < 3; ++i) {
            list.InsertItem(i, rows[i].text);
            list.SetItemText(i, 1, rows[i].value);
            list.SetCheck(i, rows[i].checked);
        }
    }
    RECT RowRect(int row)
    {
        RECT r = {LVIR_BOUNDS, 0, 0, 0};
        ListView_GetItemRect(list.m_hWnd, row, &r, LVIR_BOUNDS);
        return r;
    }
    Host host{L"Info list"};
    CBakInfoListCtrl list;
};

// What one row shows, read from the list's pixels.
struct RowLook {
    COLORREF background;
    bool boxMatches;  // the 15 x 15 box equals the frame control drawn with the expected state
    int valueRed, valueBlack, descriptionGrey, descriptionWhite, titleBlack;
};

RowLook Look(const WindowPixels& px, const RECT& item, int column0, const wchar_t* title, UINT boxState, bool selected,
             HFONT font)
{
    RowLook look = {};
    COLORREF bg = GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    look.background = px.at(item.left + column0 - 4, item.top + 1);
    // The reference box, drawn on the row's background.
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 15, 15);
    HGDIOBJ old = SelectObject(mem, bmp);
    RECT box = {0, 0, 15, 15};
    HBRUSH brush = CreateSolidBrush(bg);
    FillRect(mem, &box, brush);
    DeleteObject(brush);
    DrawFrameControl(mem, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | boxState);
    // The list may keep a margin of its own left of the rectangle it hands over.
    for (int margin = 0; margin <= 2 && !look.boxMatches; ++margin) {
        look.boxMatches = true;
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 15; ++x)
                look.boxMatches =
                    look.boxMatches && GetPixel(mem, x, y) == px.at(item.left + margin + 1 + x, item.top + 1 + y);
    }
    HGDIOBJ oldFont = SelectObject(mem, font);
    SIZE titleSize = {};
    GetTextExtentPoint32W(mem, title, int(wcslen(title)), &titleSize);
    SelectObject(mem, oldFont);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);

    RECT titleZone = {item.left + 18, item.top, item.left + 18 + titleSize.cx, item.bottom};
    RECT descriptionZone = {titleZone.right, item.top, item.left + column0, item.bottom};
    RECT valueZone = {item.left + column0 + 3, item.top, item.right - 3, item.bottom};
    look.titleBlack = px.count(titleZone, kBlack);
    look.descriptionGrey = px.count(descriptionZone, kGrey);
    look.descriptionWhite = px.count(descriptionZone, kWhite);
    look.valueRed = px.count(valueZone, kUnavailable);
    look.valueBlack = px.count(valueZone, kBlack);
    return look;
}

TEST_F(InfoList, RowsShowTheirStateAndOneClickTogglesTheCheckOnce)
{
    std::vector<std::string> clipped;
    std::vector<BOOL> checksAfter[3];
    std::vector<RowLook> before, after;
    RECT rows[3] = {};
    int column0 = 0;
    HFONT font = list.GetFont();
    const wchar_t* titles[] = {L"Mail store", L"Address book", L"Settings"};
    auto checks = [&] { return std::vector<BOOL>{list.GetCheck(0), list.GetCheck(1), list.GetCheck(2)}; };
    uitest::Driver driver([&] {
        column0 = list.GetColumnWidth(0);
        for (int i = 0; i < 3; ++i)
            rows[i] = RowRect(i);
        clipped = capture_and_check(host.m_hWnd, L"info_list");
        {
            WindowPixels px(list.m_hWnd);
            before.push_back(Look(px, rows[0], column0, titles[0], DFCS_CHECKED, false, font));
            before.push_back(Look(px, rows[1], column0, titles[1], DFCS_INACTIVE, false, font));
            before.push_back(Look(px, rows[2], column0, titles[2], 0, false, font));
        }
        // A click on a row's check box flips its check once and selects the row.
        uitest::click_at(list.m_hWnd, rows[0].left + 8, (rows[0].top + rows[0].bottom) / 2);
        uitest::require([&] { return !list.GetCheck(0); }, "first row's check flipped");
        checksAfter[0] = checks();
        capture_and_check(host.m_hWnd, L"info_list_selected");
        {
            WindowPixels px(list.m_hWnd);
            after.push_back(Look(px, rows[0], column0, titles[0], 0, true, font));
        }
        // A click on the inactive row's value flips its stored check too, though it stays grey.
        uitest::click_at(list.m_hWnd, rows[1].right - 20, (rows[1].top + rows[1].bottom) / 2);
        uitest::require([&] { return !list.GetCheck(1); }, "second row's check flipped");
        checksAfter[1] = checks();
        // Below the last row nothing changes.
        uitest::click_at(list.m_hWnd, 100, rows[2].bottom + 30);
        uitest::click_at(list.m_hWnd, rows[2].left + 8, (rows[2].top + rows[2].bottom) / 2);
        uitest::require([&] { return list.GetCheck(2) == TRUE; }, "third row's check flipped");
        checksAfter[2] = checks();
    });
    EXPECT_EQ("", driver.finish());
    EXPECT_EQ(std::vector<std::string>{}, clipped);
    ASSERT_EQ(3u, before.size());
    ASSERT_EQ(1u, after.size());
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(GetSysColor(COLOR_WINDOW), before[i].background);
        EXPECT_TRUE(before[i].boxMatches);
        EXPECT_GT(before[i].titleBlack, 0);
    }
    // Descriptions in grey, and "n/a" in red instead of black.
    EXPECT_GT(before[0].descriptionGrey, 0);
    EXPECT_GT(before[1].descriptionGrey, 0);
    EXPECT_EQ(0, before[2].descriptionGrey);  // no '-': all title, nothing else drawn
    EXPECT_EQ(0, before[0].valueRed);
    EXPECT_GT(before[0].valueBlack, 0);
    EXPECT_GT(before[1].valueRed, 0);
    EXPECT_EQ(0, before[1].valueBlack);
    // Selected: highlight, the description in white, the box unticked by the click.
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), after[0].background);
    EXPECT_TRUE(after[0].boxMatches);
    EXPECT_GT(after[0].descriptionWhite, 0);
    EXPECT_EQ(0, after[0].descriptionGrey);
    EXPECT_EQ((std::vector<BOOL>{FALSE, TRUE, FALSE}), checksAfter[0]);
    EXPECT_EQ((std::vector<BOOL>{FALSE, FALSE, FALSE}), checksAfter[1]);
    EXPECT_EQ((std::vector<BOOL>{FALSE, FALSE, TRUE}), checksAfter[2]);
}

// White below the rows, the corner bitmap unscaled in the bottom-right corner.
TEST_F(InfoList, TheBackgroundIsWhiteWithTheBitmapInTheCorner)
{
    std::vector<COLORREF> seen;
    uitest::Driver driver([&] {
        wait_painted(host.m_hWnd);
        WindowPixels px(list.m_hWnd);
        int w = px.width(), h = px.height();
        seen = {px.at(w - 1, h - 1),  px.at(w - 16, h - 12), px.at(w - 16 + 7, h - 12 + 5),
                px.at(w - 17, h - 1), px.at(w - 1, h - 13),  px.at(w / 2, h - 5)};
    });
    EXPECT_EQ("", driver.finish());
    EXPECT_EQ((std::vector<COLORREF>{kBlue, kRed, kMagenta, kWhite, kWhite, kWhite}), seen);
}

// ---- CTransImageCtrl

// Magenta and whatever the bitmap does not cover show the parent's background;
// a control smaller than the bitmap shows its top-left part.
TEST(TransImage, PaintsTheBitmapWithMagentaTransparent)
{
    init_common_controls();
    Host host(L"Image control");
    CTransImageCtrl larger, smaller;
    ASSERT_TRUE(larger.Create(kPicture, WS_VISIBLE, RECT{10, 10, 50, 40}, &host, 101));
    ASSERT_TRUE(smaller.Create(kPicture, WS_VISIBLE, RECT{70, 10, 78, 16}, &host, 102));
    std::vector<COLORREF> big, small;
    std::vector<std::string> clipped;
    uitest::Driver driver([&] {
        clipped = capture_and_check(host.m_hWnd, L"trans_image");
        WindowPixels px(larger.m_hWnd), sx(smaller.m_hWnd);
        big = {px.at(0, 0), px.at(15, 11), px.at(7, 5), px.at(8, 6), px.at(16, 0), px.at(39, 29), px.at(0, 12)};
        small = {sx.at(0, 0), sx.at(6, 4), sx.at(7, 5)};
    });
    EXPECT_EQ("", driver.finish());
    EXPECT_EQ(std::vector<std::string>{}, clipped);
    EXPECT_EQ((std::vector<COLORREF>{kRed, kBlue, kParent, kParent, kParent, kParent, kParent}), big);
    EXPECT_EQ((std::vector<COLORREF>{kRed, kParent, kParent}), small);
}

}  // namespace
