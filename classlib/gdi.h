#pragma once
// Drawing objects that free themselves, and device contexts.
#include "wnd.h"

class CGdiObject {
public:
    CGdiObject() = default;
    ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    HGDIOBJ GetSafeHandle() const { return handle_; }
    BOOL DeleteObject();

protected:
    BOOL Attach(HGDIOBJ h);
    HGDIOBJ handle_ = nullptr;
};

class CFont : public CGdiObject {
public:
    BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                    BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                    BYTE pitchAndFamily, const wchar_t* face);
    BOOL CreateFontIndirect(const LOGFONTW& lf) { return Attach(::CreateFontIndirectW(&lf)); }
    operator HFONT() const { return static_cast<HFONT>(handle_); }
};

class CBrush : public CGdiObject {
public:
    BOOL CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }
    operator HBRUSH() const { return static_cast<HBRUSH>(handle_); }
};

class CPen : public CGdiObject {
public:
    BOOL CreatePen(int style, int width, COLORREF color) { return Attach(::CreatePen(style, width, color)); }
    operator HPEN() const { return static_cast<HPEN>(handle_); }
};

class CBitmap : public CGdiObject {
public:
    BOOL LoadBitmap(UINT id);
    BOOL CreateCompatibleBitmap(HDC dc, int w, int h) { return Attach(::CreateCompatibleBitmap(dc, w, h)); }
    SIZE GetSize() const;
    operator HBITMAP() const { return static_cast<HBITMAP>(handle_); }
};

// A device context; the derived classes own theirs.
class CDC {
public:
    CDC() = default;
    explicit CDC(HDC dc) : m_hDC(dc) {}
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    HDC m_hDC = nullptr;
    operator HDC() const { return m_hDC; }

    // A memory context, deleted with the object.
    BOOL CreateCompatibleDC(HDC dc);
    HGDIOBJ SelectObject(HGDIOBJ obj) { return ::SelectObject(m_hDC, obj); }
    void FillSolidRect(const RECT& r, COLORREF color);
    void FillRect(const RECT& r, HBRUSH brush) { ::FillRect(m_hDC, &r, brush); }
    BOOL Rectangle(const RECT& r) { return ::Rectangle(m_hDC, r.left, r.top, r.right, r.bottom); }
    BOOL DrawFrameControl(RECT r, UINT type, UINT state) { return ::DrawFrameControl(m_hDC, &r, type, state); }
    int DrawText(const wchar_t* text, RECT r, UINT format) { return ::DrawTextW(m_hDC, text, -1, &r, format); }
    SIZE GetTextExtent(const wchar_t* text) const;
    COLORREF SetTextColor(COLORREF c) { return ::SetTextColor(m_hDC, c); }
    COLORREF SetBkColor(COLORREF c) { return ::SetBkColor(m_hDC, c); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    BOOL MoveTo(int x, int y) { return ::MoveToEx(m_hDC, x, y, nullptr); }
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
    void DrawFocusRect(const RECT& r) { ::DrawFocusRect(m_hDC, &r); }
    BOOL BitBlt(int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop)
    {
        return ::BitBlt(m_hDC, x, y, w, h, src, sx, sy, rop);
    }
    BOOL TransparentBlt(int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, COLORREF transparent)
    {
        return ::TransparentBlt(m_hDC, x, y, w, h, src, sx, sy, sw, sh, transparent);
    }

private:
    bool memory_ = false;
};

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* wnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps;

private:
    HWND hwnd_;
};

// A window's client area (the screen for null).
class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* wnd) : hwnd_(wnd ? wnd->m_hWnd : nullptr) { m_hDC = ::GetDC(hwnd_); }
    ~CClientDC() override
    {
        ::ReleaseDC(hwnd_, m_hDC);
        m_hDC = nullptr;
    }

private:
    HWND hwnd_;
};
