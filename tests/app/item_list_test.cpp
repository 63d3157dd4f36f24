// The main window's item list, in a plain window of its own, driven by real
// clicks and keys; what it draws is read back from the screen.
#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include "child_view.h"
#include "dialog_check.h"
#include "ui_driver.h"
#include "window_picture.h"
#include "ui_fixture.h"

namespace {

TEST(FormatSizeText, BytesBelowOneKilobyteThenWholeKilobytesInGroupsOfThree)
{
    const struct {
        uint64_t size;
        const wchar_t* text;
    } cases[] = {
        {0, L"0 Bytes"},
        {1, L"1 Bytes"},
        {1023, L"1,023 Bytes"},
        {1024, L"1 KB"},
        {1536, L"1 KB"},
        {999 * 1024, L"999 KB"},
        {1000 * 1024, L"1,000 KB"},
        {1048576, L"1,024 KB"},
        {1024000000, L"1,000,000 KB"},
        {5000000000, L"4,882,812 KB"},
        {UINT64_MAX, L"18,014,398,509,481,983 KB"},
    };
    for (const auto& c : cases) {
        CString text = L"left over";
        FormatSizeText(c.size, text);
        EXPECT_EQ(c.text, text) << c.size;
    }
}

constexpr UINT kRunOnUi = WM_APP + 1;

// A top-level window holding the view, as the main window does.
class ListHost : public CWnd {
public:
    ListHost()
    {
        CreateEx(0, AfxRegisterWndClass(0, ::LoadCursorW(nullptr, IDC_ARROW), HBRUSH(COLOR_BTNFACE + 1)),
                 L"Item list host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{40, 40, 680, 400}, nullptr, 0);
        view.Create(WS_VISIBLE | WS_BORDER, RECT{0, 0, 0, 0}, this, 59648);
        RECT r;
        GetClientRect(&r);
        view.MoveWindow(0, 0, r.right, r.bottom);
    }
    CChildView view;
    CBakItemsListBox& list = view.list;
    HWND listHwnd() const { return view.list.m_hWnd; }

    // From a driver thread: runs fn on the window's own thread.
    void OnUi(std::function<void()> fn) { ::SendMessageW(m_hWnd, kRunOnUi, 0, reinterpret_cast<LPARAM>(&fn)); }
    template <class T>
    T OnUi(std::function<T()> fn)
    {
        T value{};
        OnUi(std::function<void()>([&] { value = fn(); }));
        return value;
    }

    // Adds a row in one go, as the item-size worker and the frame do between them.
    int Add(const wchar_t* name, int32_t state, int32_t kind, uint64_t size, bool checked)
    {
        int row = list.AddItem(name);
        list.SetItemKind(row, kind);
        list.SetItemSize(row, size);
        list.SetItemState(row, state);
        list.SetCheck(row, checked);
        return row;
    }

    RECT RowRect(int row) const
    {
        RECT r = {};
        ::SendMessageW(listHwnd(), LB_GETITEMRECT, WPARAM(row), reinterpret_cast<LPARAM>(&r));
        return r;
    }

protected:
    void OnSize(UINT, int cx, int cy)
    {
        if (view.m_hWnd)
            view.MoveWindow(0, 0, cx, cy);
    }
    LRESULT OnRun(WPARAM, LPARAM fn)
    {
        (*reinterpret_cast<std::function<void()>*>(fn))();
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ListHost, CWnd)
    ON_WM_SIZE()
    ON_MESSAGE(kRunOnUi, &ListHost::OnRun)
END_MESSAGE_MAP()

// The middle of a row at x, in the list's client coordinates.
POINT RowPoint(const RECT& row, int x)
{
    return POINT{x, (row.top + row.bottom) / 2};
}

class ItemList : public ::testing::Test {
protected:
    void SetUp() override { init_common_controls(); }
    // Runs a driver script against the host and pumps its messages until the script ends.
    std::string Drive(std::function<void()> script)
    {
        uitest::Driver driver(std::move(script));
        return driver.finish(std::chrono::milliseconds(60000));
    }
    void Click(int x, int y) { uitest::click_at(host.listHwnd(), x, y); }
    bool Checked(int row)
    {
        return host.OnUi<bool>([&] { return host.list.GetCheck(row); });
    }
    int Selected()
    {
        return host.OnUi<int>([&] { return int(host.list.SendMessage(LB_GETCURSEL)); });
    }

    ListHost host;
};

TEST_F(ItemList, TheViewHoldsTheListFillingItsClientArea)
{
    host.Add(L"A - a", kRowDone, kKindFolder, 0, true);
    HWND view = host.view.m_hWnd, list = host.listHwnd();
    EXPECT_TRUE(GetWindowLongW(view, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_FALSE(GetWindowLongW(view, GWL_STYLE) & WS_BORDER);
    EXPECT_EQ(59648, GetDlgCtrlID(view));
    EXPECT_EQ(101, GetDlgCtrlID(list));
    const LONG style = GetWindowLongW(list, GWL_STYLE);
    EXPECT_TRUE(style & LBS_OWNERDRAWVARIABLE);
    EXPECT_FALSE(style & (LBS_SORT | LBS_HASSTRINGS));
    RECT v, l;
    GetClientRect(view, &v);
    GetWindowRect(list, &l);
    EXPECT_EQ(v.right, l.right - l.left);
    EXPECT_EQ(v.bottom, l.bottom - l.top);
    // No font is set on the list: rows are two lines of 15 pixels and 6 to spare.
    EXPECT_EQ(15, host.list.GetFontHeight());
    EXPECT_EQ(36, int(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0)));
    SetFocus(view);
    EXPECT_EQ(list, GetFocus());
    // The scroll bar shows once the rows do not fit.
    for (int i = 0; i < 20; ++i)
        host.Add(L"More - rows", kRowDone, kKindFolder, 0, false);
    EXPECT_TRUE(GetWindowLongW(list, GWL_STYLE) & WS_VSCROLL);
}

TEST_F(ItemList, AClickInTheCheckColumnTogglesTheRowOnceAndAClickBesideItOnlySelects)
{
    for (const wchar_t* name : {L"A - a", L"B - b", L"C - c"})
        host.Add(name, kRowDone, kKindFolder, 0, false);
    const RECT row0 = host.RowRect(0), row1 = host.RowRect(1), row2 = host.RowRect(2);
    bool afterX16 = false, afterX17 = true, afterSecond = true, lastBelow = false, quickTwice = true;
    int selectedAfterX17 = -1;
    EXPECT_EQ("", Drive([&] {
                  POINT p = RowPoint(row1, 16);
                  Click(p.x, p.y);
                  afterX16 = Checked(1);
                  p = RowPoint(row0, 17);
                  Click(p.x, p.y);
                  afterX17 = Checked(0);
                  selectedAfterX17 = Selected();
                  p = RowPoint(row1, 2);
                  Click(p.x, p.y);
                  afterSecond = Checked(1);
                  // Below the last row the nearest entry is the last one.
                  Click(8, row2.bottom + 100);
                  lastBelow = Checked(2);
                  // Two quick clicks on a box (a double click) tick and untick it again.
                  p = RowPoint(row0, 8);
                  Click(p.x, p.y);
                  Click(p.x, p.y);
                  quickTwice = Checked(0);
              }));
    EXPECT_TRUE(afterX16);
    EXPECT_FALSE(afterX17);
    EXPECT_EQ(0, selectedAfterX17);
    EXPECT_FALSE(afterSecond);
    EXPECT_TRUE(lastBelow);
    EXPECT_FALSE(quickTwice);
}

TEST_F(ItemList, SpaceTogglesTheSelectedRow)
{
    host.Add(L"A - a", kRowDone, kKindFolder, 0, false);
    host.Add(L"B - b", kRowDone, kKindFolder, 0, true);
    bool first = false, second = true;
    int selected = -1;
    EXPECT_EQ("", Drive([&] {
                  HWND list = host.listHwnd();
                  uitest::key(list, VK_HOME);
                  uitest::key(list, VK_SPACE);
                  first = Checked(0);
                  uitest::key(list, VK_DOWN);
                  uitest::key(list, VK_SPACE);
                  second = Checked(1);
                  selected = Selected();
              }));
    EXPECT_TRUE(first);
    EXPECT_FALSE(second);
    EXPECT_EQ(1, selected);
}

TEST_F(ItemList, AFailedRowCannotBeChecked)
{
    host.Add(L"Gone - C:\\gone", kRowFailed, kKindFolder, 0, true);
    host.Add(L"Here - C:\\here", kRowDone, kKindFolder, 0, false);
    EXPECT_FALSE(host.list.GetCheck(0));
    const RECT row0 = host.RowRect(0);
    bool afterClick = true, afterSpace = true;
    EXPECT_EQ("", Drive([&] {
                  POINT p = RowPoint(row0, 8);
                  Click(p.x, p.y);
                  afterClick = Checked(0);
                  uitest::key(host.listHwnd(), VK_SPACE);
                  afterSpace = Checked(0);
              }));
    EXPECT_FALSE(afterClick);
    EXPECT_FALSE(afterSpace);
    // "Select All" sets every row.
    for (int row = 0; row < 2; ++row)
        host.list.SetCheck(row, true);
    EXPECT_FALSE(host.list.GetCheck(0));
    EXPECT_TRUE(host.list.GetCheck(1));
    EXPECT_EQ(kRowFailed, host.list.GetItemState(0));
}

TEST_F(ItemList, AnEmptyListAndRowsOutOfRangeAreLeftAlone)
{
    EXPECT_EQ("", Drive([&] {
                  HWND list = host.listHwnd();
                  Click(8, 8);
                  Click(8, 200);
                  uitest::key(list, VK_SPACE);
                  uitest::key(list, VK_DOWN);
              }));
    host.list.SetItemState(0, kRowRunning);
    host.list.SetItemState(-1, kRowRunning);
    host.list.SetCheck(0, true);
    host.list.SetItemKind(3, kKindFolder);
    host.list.SetItemSize(-1, 5);
    EXPECT_FALSE(host.list.GetCheck(0));
    EXPECT_FALSE(host.list.GetCheck(-1));
    EXPECT_EQ(kRowWaiting, host.list.GetItemState(7));
    EXPECT_EQ(0, host.list.GetCount());
    EXPECT_TRUE(uitest::descendants(host.listHwnd(), L"msctls_progress32", false).empty());
    // A row added now is the first row and out-of-range calls did not touch it.
    EXPECT_EQ(0, host.list.AddItem(L"A - a"));
    EXPECT_FALSE(host.list.GetCheck(0));
    EXPECT_EQ(kRowWaiting, host.list.GetItemState(0));
}

TEST_F(ItemList, ARunningRowShowsAMovingBarThatGivesWayToTheSize)
{
    host.Add(L"A - a", kRowWaiting, kKindFolder, 2048, true);
    host.list.SetItemState(0, kRowRunning);
    host.list.UpdateWindow();
    std::vector<HWND> bars = uitest::descendants(host.listHwnd(), L"msctls_progress32", false);
    ASSERT_EQ(1u, bars.size());
    HWND bar = bars[0];
    EXPECT_TRUE(IsWindowVisible(bar));
    EXPECT_TRUE(GetWindowLongW(bar, GWL_STYLE) & PBS_MARQUEE);
    RECT row = host.RowRect(0), r;
    GetWindowRect(bar, &r);
    MapWindowPoints(nullptr, host.listHwnd(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(row.right - 126, r.left);
    EXPECT_EQ(row.right - 26, r.right);
    EXPECT_EQ(row.top + 36 / 2 - 5, r.top);
    EXPECT_EQ(10, r.bottom - r.top);

    host.list.SetItemState(0, kRowDone);
    EXPECT_FALSE(IsWindowVisible(bar));
    // The same bar comes back if the row runs again.
    host.list.SetItemState(0, kRowRunning);
    EXPECT_EQ(bars, uitest::descendants(host.listHwnd(), L"msctls_progress32", false));
    EXPECT_TRUE(IsWindowVisible(bar));
}

TEST_F(ItemList, RowsInEachStateAreDrawnAsTheyShould)
{
    host.Add(L"Identities - Registry: HKEY_CURRENT_USER\\Identities", kRowDone, kKindRegistry, 123456789, true);
    host.Add(L"Main Identity - Message store: C:\\Mail\\Main", kRowRunning, kKindFolder, 0, true);
    host.Add(L"Address Book - C:\\Mail\\book.wab", kRowWaiting, kKindFolder, 0, true);
    host.Add(L"Custom Folder - C:\\Gone", kRowFailed, kKindFolder, 0, true);
    host.Add(L"A name without a dash & more", kRowDone, kKindNone, 1023, false);
    host.list.SendMessage(LB_SETCURSEL, 0);
    SetForegroundWindow(host.m_hWnd);
    host.list.SetFocus();
    std::vector<std::string> clipped;
    std::unique_ptr<WindowPixels> shot;
    EXPECT_EQ("", Drive([&] {
                  clipped = capture_and_check(host.m_hWnd, L"item-list");
                  shot = std::make_unique<WindowPixels>(host.listHwnd());
              }));
    EXPECT_EQ(std::vector<std::string>{}, clipped);
    ASSERT_TRUE(shot);
    const WindowPixels& px = *shot;
    RECT rows[5];
    for (int i = 0; i < 5; ++i)
        rows[i] = host.RowRect(i);
    const int right = rows[0].right;
    auto image = [&](int i) {
        int y = rows[i].top + 36 / 2 - 8 + 1;
        return RECT{right - 17, y, right - 1, y + 16};
    };
    auto description = [&](int i) { return RECT{18, rows[i].top + 17, right - 226, rows[i].bottom - 2}; };
    auto title = [&](int i) { return RECT{18, rows[i].top + 1, right - 226, rows[i].top + 16}; };
    auto sizeZone = [&](int i) { return RECT{right - 226, rows[i].top + 2, right - 26, rows[i].bottom - 2}; };
    const COLORREF white = 0xFFFFFF, dark = 0x323232, grey = 0xC8C8C8;

    // The selected row is dark, the others white; between rows runs a dotted line.
    EXPECT_EQ(dark, px.at(5, rows[0].top + 25));
    for (int i = 1; i < 5; ++i)
        EXPECT_EQ(white, px.at(5, rows[i].top + 25)) << i;
    EXPECT_GT(px.count(RECT{0, rows[2].bottom - 1, right, rows[2].bottom}, 0x646464), right / 4);
    // Below the last row the list is white.
    EXPECT_EQ(0, px.others(RECT{0, rows[4].bottom, right, rows[4].bottom + 40}, white));

    // Kind images without their magenta; none for kind 0.
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(0, px.count(image(i), RGB(255, 0, 255))) << i;
    EXPECT_GT(px.others(image(0), dark), 10);
    EXPECT_GT(px.others(image(2), white), 10);
    EXPECT_EQ(0, px.others(image(4), white));

    // Waiting and failed rows are grey throughout: text and size column.
    for (int i : {2, 3}) {
        EXPECT_GT(px.count(title(i), grey), 10) << i;
        EXPECT_GT(px.count(description(i), grey), 10) << i;
        EXPECT_GT(px.count(sizeZone(i), grey), 10) << i;
        EXPECT_EQ(0, px.count(sizeZone(i), 0x000000)) << i;
    }
    // A done row: black title and size, grey-blue description.
    EXPECT_GT(px.count(title(4), 0x000000), 10);
    EXPECT_GT(px.count(sizeZone(4), 0x000000), 10);
    EXPECT_GT(px.count(description(1), 0x969696), 10);
    // The selected row's title and size are white on dark.
    EXPECT_GT(px.count(title(0), white), 10);
    EXPECT_GT(px.count(sizeZone(0), white), 10);
    // A running row shows its bar, no text, in the size column.
    EXPECT_EQ(0, px.count(RECT{right - 226, rows[1].top + 2, right - 130, rows[1].bottom - 2}, 0x000000));
    // A name without "-" is all title: nothing below it.
    EXPECT_EQ(0, px.others(description(4), white));
}

}  // namespace
