// Drawing objects and device contexts.
#include <gtest/gtest.h>
#include "afxwin.h"

namespace {

TEST(Gdi, AMemoryContextDrawsIntoItsBitmap)
{
    CClientDC screen(nullptr);
    CDC mem;
    ASSERT_TRUE(mem.CreateCompatibleDC(screen));
    CBitmap bmp;
    ASSERT_TRUE(bmp.CreateCompatibleBitmap(screen, 20, 10));
    EXPECT_EQ(20, bmp.GetSize().cx);
    EXPECT_EQ(10, bmp.GetSize().cy);
    HGDIOBJ old = mem.SelectObject(bmp.GetSafeHandle());
    mem.FillSolidRect(RECT{0, 0, 20, 10}, RGB(0, 0, 255));
    CPen pen;
    ASSERT_TRUE(pen.CreatePen(PS_SOLID, 1, RGB(255, 0, 0)));
    HGDIOBJ oldPen = mem.SelectObject(pen.GetSafeHandle());
    mem.MoveTo(0, 5);
    mem.LineTo(20, 5);
    mem.SelectObject(oldPen);
    EXPECT_EQ(RGB(0, 0, 255), GetPixel(mem, 3, 2));
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(mem, 3, 5));
    mem.SelectObject(old);
}

TEST(Gdi, FontsAreMadeAsAsked)
{
    CFont font;
    ASSERT_TRUE(font.CreateFont(20, 0, 0, 0, FW_NORMAL, TRUE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS, L"Arial"));
    LOGFONTW lf = {};
    ASSERT_TRUE(GetObjectW(font.GetSafeHandle(), sizeof lf, &lf));
    EXPECT_EQ(20, lf.lfHeight);
    EXPECT_EQ(1, lf.lfItalic);
    font.DeleteObject();
    EXPECT_EQ(nullptr, font.GetSafeHandle());
}

}  // namespace
