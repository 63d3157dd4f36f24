#include "gdi.h"

BOOL CGdiObject::DeleteObject()
{
    if (!handle_)
        return FALSE;
    BOOL ok = ::DeleteObject(handle_);
    handle_ = nullptr;
    return ok;
}

BOOL CGdiObject::Attach(HGDIOBJ h)
{
    DeleteObject();
    handle_ = h;
    return h != nullptr;
}

BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                       BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                       BYTE pitchAndFamily, const wchar_t* face)
{
    return Attach(::CreateFontW(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
                                outPrecision, clipPrecision, quality, pitchAndFamily, face));
}

BOOL CBitmap::LoadBitmap(UINT id)
{
    return Attach(::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id)));
}

SIZE CBitmap::GetSize() const
{
    BITMAP bm = {};
    if (!handle_ || !::GetObjectW(handle_, sizeof bm, &bm))
        return SIZE{0, 0};
    return SIZE{bm.bmWidth, bm.bmHeight};
}

CDC::~CDC()
{
    if (memory_ && m_hDC)
        ::DeleteDC(m_hDC);
}

BOOL CDC::CreateCompatibleDC(HDC dc)
{
    if (memory_ && m_hDC)
        ::DeleteDC(m_hDC);
    m_hDC = ::CreateCompatibleDC(dc);
    memory_ = m_hDC != nullptr;
    return memory_;
}

void CDC::FillSolidRect(const RECT& r, COLORREF color)
{
    COLORREF old = ::SetBkColor(m_hDC, color);
    ::ExtTextOutW(m_hDC, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, old);
}

SIZE CDC::GetTextExtent(const wchar_t* text) const
{
    SIZE s = {0, 0};
    ::GetTextExtentPoint32W(m_hDC, text, int(wcslen(text)), &s);
    return s;
}

CPaintDC::CPaintDC(CWnd* wnd) : hwnd_(wnd->m_hWnd)
{
    m_hDC = ::BeginPaint(hwnd_, &m_ps);
}

CPaintDC::~CPaintDC()
{
    ::EndPaint(hwnd_, &m_ps);
    m_hDC = nullptr;
}
