#include "ribbon.h"
#include <algorithm>
#include <cmath>
#include <cwctype>

namespace {

// Geometry: a caption strip and the tab row behind the round application button,
// then the body with the panels of the shown category.
constexpr int kCaption = 24;
constexpr int kTabTop = kCaption + 2;
constexpr int kBodyTop = kCaption + 24;
constexpr int kBody = 96;
constexpr int kPanelGap = 3;
constexpr int kPanelCaption = 17;
constexpr int kLarge = 32;
constexpr int kSmall = 16;
constexpr int kButtonHeight = 68;

// The palette of the dark style.
constexpr COLORREF kStripTop = RGB(72, 72, 76), kStripBottom = RGB(30, 30, 32);
constexpr COLORREF kBodyTopColor = RGB(96, 96, 100), kBodyBottom = RGB(54, 54, 58);
constexpr COLORREF kBodyEdge = RGB(138, 138, 142), kDarkEdge = RGB(22, 22, 24);
constexpr COLORREF kPanelTop = RGB(86, 86, 90), kPanelBottom = RGB(66, 66, 70);
constexpr COLORREF kPanelBorder = RGB(34, 34, 36), kPanelLight = RGB(120, 120, 124);
constexpr COLORREF kCaptionTop = RGB(58, 58, 62), kCaptionBottom = RGB(44, 44, 48);
constexpr COLORREF kText = RGB(245, 245, 245), kCaptionText = RGB(206, 206, 210), kHotText = RGB(28, 28, 28);
constexpr COLORREF kHotTop = RGB(255, 244, 200), kHotMid = RGB(255, 216, 110), kHotBottom = RGB(255, 236, 168);
constexpr COLORREF kHotBorder = RGB(212, 168, 76);
constexpr COLORREF kDownTop = RGB(252, 196, 120), kDownMid = RGB(246, 146, 56), kDownBottom = RGB(250, 190, 110);
constexpr COLORREF kDownBorder = RGB(158, 104, 44);
constexpr COLORREF kMenuBack = RGB(48, 48, 52), kMenuIcons = RGB(60, 60, 64);

enum State { kNormal, kHot, kPressed };

COLORREF Mix(COLORREF a, COLORREF b, double t)
{
    auto m = [t](int x, int y) { return BYTE(x + (y - x) * t + 0.5); };
    return RGB(m(GetRValue(a), GetRValue(b)), m(GetGValue(a), GetGValue(b)), m(GetBValue(a), GetBValue(b)));
}

void Gradient(HDC dc, const RECT& r, COLORREF top, COLORREF bottom)
{
    if (r.bottom <= r.top || r.right <= r.left)
        return;
    TRIVERTEX v[2] = {{r.left, r.top, COLOR16(GetRValue(top) << 8), COLOR16(GetGValue(top) << 8),
                       COLOR16(GetBValue(top) << 8), 0},
                      {r.right, r.bottom, COLOR16(GetRValue(bottom) << 8), COLOR16(GetGValue(bottom) << 8),
                       COLOR16(GetBValue(bottom) << 8), 0}};
    GRADIENT_RECT g = {0, 1};
    ::GradientFill(dc, v, 2, &g, 1, GRADIENT_FILL_RECT_V);
}

// A rounded box: a two-part gradient inside a border of the given colour.
void RoundBox(HDC dc, const RECT& r, int radius, COLORREF top, COLORREF mid, COLORREF bottom, COLORREF border)
{
    HRGN clip = ::CreateRoundRectRgn(r.left, r.top, r.right + 1, r.bottom + 1, radius, radius);
    ::SelectClipRgn(dc, clip);
    int half = (r.top + r.bottom) / 2;
    Gradient(dc, RECT{r.left, r.top, r.right, half}, top, mid);
    Gradient(dc, RECT{r.left, half, r.right, r.bottom}, mid, bottom);
    ::SelectClipRgn(dc, nullptr);
    ::DeleteObject(clip);
    HPEN pen = ::CreatePen(PS_SOLID, 1, border);
    HGDIOBJ oldPen = ::SelectObject(dc, pen);
    HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
    ::RoundRect(dc, r.left, r.top, r.right, r.bottom, radius, radius);
    ::SelectObject(dc, oldBrush);
    ::SelectObject(dc, oldPen);
    ::DeleteObject(pen);
}

void HotBox(HDC dc, const RECT& r, int state)
{
    if (state == kHot)
        RoundBox(dc, r, 5, kHotTop, kHotMid, kHotBottom, kHotBorder);
    else if (state == kPressed)
        RoundBox(dc, r, 5, kDownTop, kDownMid, kDownBottom, kDownBorder);
}

void Fill(HDC dc, const RECT& r, COLORREF color)
{
    COLORREF old = ::SetBkColor(dc, color);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    ::SetBkColor(dc, old);
}

void Line(HDC dc, int x0, int y0, int x1, int y1, COLORREF color)
{
    HPEN pen = ::CreatePen(PS_SOLID, 1, color);
    HGDIOBJ old = ::SelectObject(dc, pen);
    ::MoveToEx(dc, x0, y0, nullptr);
    ::LineTo(dc, x1, y1);
    ::SelectObject(dc, old);
    ::DeleteObject(pen);
}

int TextWidth(HDC dc, const std::wstring& text)
{
    SIZE s = {};
    ::GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &s);
    return s.cx;
}

// A large button's label on one line, or on two split where the lines are most even.
std::pair<std::wstring, std::wstring> SplitLabel(HDC dc, const std::wstring& text)
{
    std::pair<std::wstring, std::wstring> best{text, L""};
    int bestWidth = TextWidth(dc, text);
    for (size_t i = text.find(L' '); i != std::wstring::npos; i = text.find(L' ', i + 1)) {
        std::wstring a = text.substr(0, i), b = text.substr(i + 1);
        int w = std::max(TextWidth(dc, a), TextWidth(dc, b));
        if (best.second.empty() || w < bestWidth) {
            best = {a, b};
            bestWidth = w;
        }
    }
    return best;
}

// A command's string resource: "description\ntitle", or just a title.
CString CommandTip(UINT id, const CString& fallback)
{
    CString s;
    if (!s.LoadString(id) || s.empty())
        return fallback;
    size_t nl = s.find(L'\n');
    if (nl == CString::npos)
        return s;
    CString title = s.substr(nl + 1), description = s.substr(0, nl);
    if (title.empty())
        title = fallback;
    return description.empty() || description == title ? title : CString(title + L"\n" + description);
}

// Picks an unused key-tip letter: the initials of the words, then any letter or digit.
CString PickKeyTip(const std::wstring& text, std::wstring& used)
{
    std::wstring candidates;
    for (size_t i = 0; i < text.size(); ++i)
        if (i == 0 || text[i - 1] == L' ')
            candidates += text[i];
    candidates += text + L"123456789";
    for (wchar_t c : candidates) {
        c = wchar_t(std::towupper(c));
        if (std::iswalnum(c) && used.find(c) == std::wstring::npos) {
            used += c;
            return CString(1, c);
        }
    }
    return CString();
}

// Draws image `index` of a strip; 32-bit strips carry premultiplied alpha (see
// Strip), others use magenta as the see-through colour.
void DrawImage(HDC dc, HBITMAP strip, int index, int size, int x, int y)
{
    if (!strip || index < 0)
        return;
    BITMAP bm = {};
    ::GetObjectW(strip, sizeof bm, &bm);
    if ((index + 1) * size > bm.bmWidth)
        return;
    HDC src = ::CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(src, strip);
    if (bm.bmBitsPixel == 32) {
        BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        ::AlphaBlend(dc, x, y, size, size, src, index * size, 0, size, size, blend);
    } else {
        ::TransparentBlt(dc, x, y, size, size, src, index * size, 0, size, size, RGB(255, 0, 255));
    }
    ::SelectObject(src, old);
    ::DeleteDC(src);
}

// The round application button: shaded glass with an anti-aliased rim, amber when
// hot, deeper when pressed.
void DrawOrb(HDC dc, const RECT& r, int state)
{
    int w = r.right - r.left, h = r.bottom - r.top;
    BITMAPINFO bi = {};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib)
        return;
    COLORREF top = RGB(120, 122, 130), bottom = RGB(16, 16, 20), rim = RGB(10, 10, 12);
    if (state == kHot)
        top = RGB(255, 222, 140), bottom = RGB(196, 104, 16), rim = RGB(120, 70, 20);
    else if (state == kPressed)
        top = RGB(236, 156, 64), bottom = RGB(140, 60, 8), rim = RGB(90, 46, 10);
    double cx = w / 2.0, cy = h / 2.0, radius = std::min(w, h) / 2.0 - 0.5;
    auto* px = static_cast<DWORD*>(bits);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double dx = x + 0.5 - cx, dy = y + 0.5 - cy, d = std::sqrt(dx * dx + dy * dy);
            double a = std::clamp(radius - d + 0.5, 0.0, 1.0);
            COLORREF c = Mix(top, bottom, double(y) / h);
            if (d > radius - 2)
                c = Mix(c, rim, std::clamp(d - (radius - 2), 0.0, 1.0));
            // The gloss: a lighter ellipse over the upper half.
            double gx = dx / (radius * 0.78), gy = (dy + radius * 0.42) / (radius * 0.52);
            if (gx * gx + gy * gy < 1.0)
                c = Mix(c, RGB(255, 255, 255), 0.28 * (1.0 - (dy + radius) / (radius * 1.2)));
            px[y * w + x] = DWORD(BYTE(a * 255)) << 24 | DWORD(BYTE(GetRValue(c) * a)) << 16 |
                            DWORD(BYTE(GetGValue(c) * a)) << 8 | DWORD(BYTE(GetBValue(c) * a));
        }
    }
    HDC src = ::CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(src, dib);
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::AlphaBlend(dc, r.left, r.top, w, h, src, 0, 0, w, h, blend);
    ::SelectObject(src, old);
    ::DeleteDC(src);
    ::DeleteObject(dib);
}

// Answers WM_PAINT through an off-screen bitmap of the client size, so the bars never flicker.
template <class PaintFn>
void PaintBuffered(CWnd* wnd, PaintFn paint)
{
    CPaintDC dc(wnd);
    RECT r;
    wnd->GetClientRect(&r);
    CDC mem;
    mem.CreateCompatibleDC(dc);
    CBitmap bmp;
    bmp.CreateCompatibleBitmap(dc, std::max<LONG>(r.right, 1), std::max<LONG>(r.bottom, 1));
    HGDIOBJ old = mem.SelectObject(bmp.GetSafeHandle());
    paint(HDC(mem));
    dc.BitBlt(0, 0, r.right, r.bottom, mem, 0, 0, SRCCOPY);
    mem.SelectObject(old);
}

// The system's message font, as dialogs use.
void MakeFont(CFont& font)
{
    NONCLIENTMETRICSW ncm = {};
    ncm.cbSize = sizeof ncm;
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
    font.CreateFontIndirect(ncm.lfMessageFont);
}

}  // namespace

// ---- the model

void CMFCRibbonPanel::Add(UINT id, const wchar_t* text, int image)
{
    CMFCRibbonButton b;
    b.id = id;
    b.text = text;
    b.image = image;
    buttons_.push_back(b);
}

void CMFCRibbonPanel::AddSeparator()
{
    buttons_.push_back(CMFCRibbonButton{});
}

void CMFCRibbonMainPanel::AddToBottom(UINT id, const wchar_t* text)
{
    CMFCRibbonButton b;
    b.id = id;
    b.text = text;
    bottom_.push_back(b);
}

CMFCRibbonPanel* CMFCRibbonCategory::AddPanel(const wchar_t* name)
{
    panels_.push_back(std::make_unique<CMFCRibbonPanel>(name));
    return panels_.back().get();
}

// ---- the bar

// What the mouse and the keyboard can reach, in Tab order.
struct CMFCRibbonBar::Item {
    enum Kind { kApp, kTab, kTabButton, kButton } kind;
    int category;                    // for tabs
    const CMFCRibbonButton* button;  // for buttons of both kinds
    RECT rect;
    CString keyTip;
    int row() const { return kind == kButton ? 1 : 0; }
};

CMFCRibbonBar::CMFCRibbonBar() = default;

CMFCRibbonBar::~CMFCRibbonBar()
{
    for (auto& s : strips_)
        ::DeleteObject(s.second);
}

BOOL CMFCRibbonBar::Create(CWnd* parent, UINT id)
{
    MakeFont(font_);
    RECT r = {0, 0, 0, GetPreferredHeight()};
    if (!CreateEx(0, AfxRegisterWndClass(0, ::LoadCursorW(nullptr, IDC_ARROW)), L"Ribbon",
                  WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, r, parent, id))
        return FALSE;
    toolTip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(toolTip_, TTM_SETMAXTIPWIDTH, 0, 320);
    return TRUE;
}

void CMFCRibbonBar::SetApplicationButton(CMFCRibbonApplicationButton* button, SIZE size)
{
    appButton_ = button;
    appSize_ = size;
    Layout();
    Invalidate(FALSE);
}

CMFCRibbonMainPanel* CMFCRibbonBar::AddMainCategory(const wchar_t* name, UINT smallImages, UINT)
{
    main_ = std::make_unique<CMFCRibbonMainPanel>(name);
    mainSmallId_ = smallImages;
    return main_.get();
}

CMFCRibbonCategory* CMFCRibbonBar::AddCategory(const wchar_t* name, UINT smallImages, UINT largeImages)
{
    categories_.push_back(std::make_unique<CMFCRibbonCategory>(name, smallImages, largeImages));
    if (active_ < 0)
        active_ = 0;
    return categories_.back().get();
}

void CMFCRibbonBar::AddToTabs(UINT id, const wchar_t* text)
{
    CMFCRibbonButton b;
    b.id = id;
    b.text = text;
    tabButtons_.push_back(b);
}

int CMFCRibbonBar::GetPreferredHeight() const
{
    return kBodyTop + kBody;
}

void CMFCRibbonBar::SetActiveCategory(int index)
{
    if (index < 0 || index >= GetCategoryCount() || index == active_)
        return;
    active_ = index;
    if (hot_ >= TabRowCount())
        hot_ = -1;  // a button of the category that went away
    Layout();
    Invalidate(FALSE);
}

HBITMAP CMFCRibbonBar::Strip(UINT id)
{
    if (!id)
        return nullptr;
    for (auto& s : strips_)
        if (s.first == id)
            return s.second;
    auto bmp = static_cast<HBITMAP>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    DIBSECTION ds = {};
    if (bmp && ::GetObjectW(bmp, sizeof ds, &ds) == sizeof ds && ds.dsBm.bmBitsPixel == 32 && ds.dsBm.bmBits) {
        // AlphaBlend wants the colours premultiplied by alpha.
        auto* px = static_cast<BYTE*>(ds.dsBm.bmBits);
        for (LONG i = 0; i < ds.dsBm.bmWidth * std::abs(ds.dsBm.bmHeight); ++i, px += 4)
            for (int c = 0; c < 3; ++c)
                px[c] = BYTE(px[c] * px[3] / 255);
    }
    strips_.emplace_back(id, bmp);
    return bmp;
}

void CMFCRibbonBar::Layout()
{
    if (!m_hWnd)
        return;
    RECT client;
    GetClientRect(&client);
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ oldFont = ::SelectObject(dc, font_);

    appRect_ = RECT{4, 2, 4 + appSize_.cx, 2 + appSize_.cy};
    int x = appButton_ ? appRect_.right + 8 : 6;
    std::wstring used;
    if (appButton_) {
        size_t nl = appButton_->text_.find(L'\n');
        if (nl != CString::npos && nl + 1 < appButton_->text_.size())
            used += wchar_t(std::towupper(appButton_->text_[nl + 1]));
    }
    for (auto& c : categories_) {
        int w = TextWidth(dc, c->name_) + 26;
        c->tab_ = RECT{x, kTabTop, x + w, kBodyTop};
        x += w + 2;
        c->keyTip_ = PickKeyTip(c->name_, used);
    }
    int right = client.right - 6;
    for (auto it = tabButtons_.rbegin(); it != tabButtons_.rend(); ++it) {
        int w = TextWidth(dc, it->text) + 16;
        it->rect = RECT{right - w, kTabTop + 1, right, kBodyTop - 2};
        right -= w + 2;
        it->keyTip = PickKeyTip(it->text, used);
    }

    for (auto& c : categories_) {
        std::wstring usedInCategory;
        int px = 4;
        for (auto& p : c->panels_) {
            int bx = px + 5;
            for (auto& b : p->buttons_) {
                if (!b.id) {
                    b.rect = RECT{bx + 1, kBodyTop + 8, bx + 3, kBodyTop + kBody - kPanelCaption - 8};
                    bx += 5;
                    continue;
                }
                auto lines = SplitLabel(dc, b.text);
                int w = std::max({kLarge + 10, TextWidth(dc, lines.first) + 10, TextWidth(dc, lines.second) + 10});
                b.rect = RECT{bx, kBodyTop + 6, bx + w, kBodyTop + 6 + kButtonHeight};
                b.keyTip = PickKeyTip(b.text, usedInCategory);
                bx += w + 1;
            }
            int w = std::max(bx + 4 - px, TextWidth(dc, p->name_) + 18);
            // Centre the buttons when the caption is the wider part.
            int shift = (w - (bx + 4 - px)) / 2;
            for (auto& b : p->buttons_)
                ::OffsetRect(&b.rect, shift, 0);
            p->rect_ = RECT{px, kBodyTop + 3, px + w, kBodyTop + kBody - 3};
            px += w + kPanelGap;
        }
    }
    ::SelectObject(dc, oldFont);
    ::ReleaseDC(m_hWnd, dc);
    UpdateToolTips();
}

std::vector<CMFCRibbonBar::Item> CMFCRibbonBar::Items() const
{
    std::vector<Item> items;
    if (appButton_) {
        size_t nl = appButton_->text_.find(L'\n');
        CString tip = nl == CString::npos ? CString() : CString(appButton_->text_.substr(nl + 1, 1));
        std::transform(tip.begin(), tip.end(), tip.begin(), [](wchar_t c) { return wchar_t(std::towupper(c)); });
        items.push_back({Item::kApp, -1, nullptr, appRect_, tip});
    }
    for (int i = 0; i < GetCategoryCount(); ++i)
        items.push_back({Item::kTab, i, nullptr, categories_[size_t(i)]->tab_, categories_[size_t(i)]->keyTip_});
    for (auto& b : tabButtons_)
        items.push_back({Item::kTabButton, -1, &b, b.rect, b.keyTip});
    if (active_ >= 0)
        for (auto& p : categories_[size_t(active_)]->panels_)
            for (auto& b : p->buttons_)
                if (b.id)
                    items.push_back({Item::kButton, -1, &b, b.rect, b.keyTip});
    return items;
}

int CMFCRibbonBar::TabRowCount() const
{
    return (appButton_ ? 1 : 0) + GetCategoryCount() + int(tabButtons_.size());
}

int CMFCRibbonBar::HitTest(POINT pt) const
{
    auto items = Items();
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].kind == Item::kApp) {
            // Round: only the disc answers.
            double dx = pt.x - (appRect_.left + appRect_.right) / 2.0,
                   dy = pt.y - (appRect_.top + appRect_.bottom) / 2.0;
            if (dx * dx + dy * dy <= appSize_.cx * appSize_.cx / 4.0)
                return int(i);
        } else if (::PtInRect(&items[i].rect, pt)) {
            return int(i);
        }
    }
    return -1;
}

BOOL CMFCRibbonBar::GetElementRect(UINT id, RECT* rect) const
{
    for (const Item& item : Items()) {
        if (item.button && item.button->id == id) {
            *rect = item.rect;
            return TRUE;
        }
    }
    return FALSE;
}

void CMFCRibbonBar::UpdateToolTips()
{
    // Tools are replaced only when the items move: replacing hides a shown tip.
    auto items = Items();
    std::vector<RECT> rects;
    for (const Item& item : items)
        rects.push_back(item.rect);
    if (!toolTip_ || (rects.size() == toolRects_.size() &&
                      std::equal(rects.begin(), rects.end(), toolRects_.begin(),
                                 [](const RECT& a, const RECT& b) { return ::EqualRect(&a, &b) != FALSE; })))
        return;
    toolRects_ = rects;
    TTTOOLINFOW ti = {};
    ti.cbSize = sizeof ti;
    ti.hwnd = m_hWnd;
    while (::SendMessageW(toolTip_, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&ti)))
        ::SendMessageW(toolTip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    for (size_t i = 0; i < items.size(); ++i) {
        const Item& item = items[i];
        CString text;
        if (item.kind == Item::kApp)
            text = appButton_->toolTip_;
        else if (item.button)
            text = CommandTip(item.button->id, item.button->text);
        if (text.empty())
            continue;
        ti = TTTOOLINFOW{};
        ti.cbSize = sizeof ti;
        ti.uFlags = TTF_SUBCLASS;
        ti.hwnd = m_hWnd;
        ti.uId = i;
        ti.rect = item.rect;
        ti.lpszText = text.data();
        ::SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
}

void CMFCRibbonBar::SetHot(int item)
{
    if (item != hot_) {
        hot_ = item;
        Invalidate(FALSE);
    }
}

void CMFCRibbonBar::Activate(const Item& item)
{
    switch (item.kind) {
    case Item::kApp:
        OpenMainMenu();
        break;
    case Item::kTab:
        SetActiveCategory(item.category);
        break;
    default: {
        UINT id = item.button->id;
        if (keys_ != Keys::off)
            LeaveKeys(true);
        pressed_ = -1;
        Invalidate(FALSE);
        ::PostMessageW(GetParent(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    }
    }
}

void CMFCRibbonBar::OpenMainMenu()
{
    if (!main_)
        return;
    HMENU menu = ::CreatePopupMenu();
    menuTexts_.clear();
    // Separators only between entries, never two together.
    std::vector<CMFCRibbonButton> entries;
    auto addAll = [&entries](const std::vector<CMFCRibbonButton>& buttons) {
        for (const auto& b : buttons)
            if (b.id || (!entries.empty() && entries.back().id))
                entries.push_back(b);
    };
    addAll(main_->buttons_);
    if (!main_->bottom_.empty()) {
        addAll({CMFCRibbonButton{}});
        addAll(main_->bottom_);
    }
    if (!entries.empty() && !entries.back().id)
        entries.pop_back();
    for (const auto& b : entries) {
        // Item data: the text's index, then the image index + 1 (0 for none).
        menuTexts_.push_back(b.text);
        MENUITEMINFOW mi = {};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA | MIIM_STATE;
        mi.fType = MFT_OWNERDRAW;
        mi.fState = b.id ? MFS_ENABLED : MFS_DISABLED;
        mi.wID = b.id;
        mi.dwItemData = ULONG_PTR(menuTexts_.size() - 1) << 16 | ULONG_PTR(b.image + 1);
        ::InsertMenuItemW(menu, ::GetMenuItemCount(menu), TRUE, &mi);
    }
    MENUINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = MIM_BACKGROUND;
    info.hbrBack = ::CreateSolidBrush(kMenuBack);
    ::SetMenuInfo(menu, &info);

    ::SendMessageW(toolTip_, TTM_ACTIVATE, FALSE, 0);  // no tip over the open menu
    menuOpen_ = true;                                  // the application button stays down while its menu is open
    Invalidate(FALSE);
    UpdateWindow();
    POINT pt = {appRect_.left, appRect_.bottom};
    ::ClientToScreen(m_hWnd, &pt);
    TPMPARAMS tpm = {sizeof tpm, appRect_};
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&tpm.rcExclude), 2);
    UINT id = UINT(::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_VERTICAL, pt.x, pt.y,
                                      m_hWnd, &tpm));
    ::DestroyMenu(menu);
    ::DeleteObject(info.hbrBack);
    ::SendMessageW(toolTip_, TTM_ACTIVATE, TRUE, 0);
    menuOpen_ = false;
    hot_ = -1;
    if (keys_ != Keys::off)
        LeaveKeys(true);
    Invalidate(FALSE);
    if (id)
        ::PostMessageW(GetParent(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void CMFCRibbonBar::MeasureMenuItem(MEASUREITEMSTRUCT* m)
{
    const std::wstring& text = menuTexts_[m->itemData >> 16];
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, font_);
    m->itemWidth = UINT(std::max(TextWidth(dc, text) + 60, 180));
    m->itemHeight = text.empty() ? 7 : 28;
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
}

void CMFCRibbonBar::DrawMenuItem(DRAWITEMSTRUCT* d)
{
    const std::wstring& text = menuTexts_[d->itemData >> 16];
    int image = int(d->itemData & 0xFFFF) - 1;
    HDC dc = d->hDC;
    RECT r = d->rcItem;
    Fill(dc, r, kMenuBack);
    Fill(dc, RECT{r.left, r.top, r.left + 30, r.bottom}, kMenuIcons);
    if (text.empty()) {
        int y = (r.top + r.bottom) / 2;
        Line(dc, r.left + 34, y, r.right - 4, y, kDarkEdge);
        Line(dc, r.left + 34, y + 1, r.right - 4, y + 1, RGB(90, 90, 94));
        return;
    }
    bool hot = (d->itemState & ODS_SELECTED) != 0;
    if (hot)
        HotBox(dc, RECT{r.left + 2, r.top + 1, r.right - 2, r.bottom - 1}, kHot);
    DrawImage(dc, Strip(mainSmallId_), image, kSmall, r.left + 7, (r.top + r.bottom - kSmall) / 2);
    HGDIOBJ old = ::SelectObject(dc, font_);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, hot ? kHotText : kText);
    RECT tr = {r.left + 38, r.top, r.right - 8, r.bottom};
    ::DrawTextW(dc, text.c_str(), -1, &tr, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    ::SelectObject(dc, old);
}

void CMFCRibbonBar::EnterKeys(Keys mode, HWND restore)
{
    if (keys_ == Keys::off)
        restoreFocus_ = restore != m_hWnd ? restore : nullptr;
    keys_ = mode;
    if (::GetFocus() != m_hWnd)
        SetFocus();
    if (mode == Keys::focus && hot_ < 0) {
        auto items = Items();
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].kind == Item::kTab && items[i].category == active_)
                hot_ = int(i);
    }
    Invalidate(FALSE);
}

void CMFCRibbonBar::LeaveKeys(bool restoreFocus)
{
    keys_ = Keys::off;
    hot_ = -1;
    Invalidate(FALSE);
    HWND back = restoreFocus_;
    restoreFocus_ = nullptr;
    if (restoreFocus && ::GetFocus() == m_hWnd)
        ::SetFocus(back && ::IsWindow(back) ? back : GetParent());
}

bool CMFCRibbonBar::OnKey(UINT vk)
{
    auto items = Items();
    int n = int(items.size());
    if (n == 0)
        return false;
    bool shift = ::GetKeyState(VK_SHIFT) < 0;
    switch (vk) {
    case VK_ESCAPE:
        if (keys_ == Keys::buttonTips)
            keys_ = Keys::tabTips;
        else
            LeaveKeys(true);
        Invalidate(FALSE);
        return true;
    case VK_TAB:
    case VK_LEFT:
    case VK_RIGHT: {
        bool back = vk == VK_LEFT || (vk == VK_TAB && shift);
        bool fresh = keys_ != Keys::focus;
        EnterKeys(Keys::focus, nullptr);
        if (fresh)
            return true;  // the first move shows the focus on the shown tab
        int from = std::max(hot_, 0);
        int row = items[size_t(from)].row();
        for (int step = 1; step <= n; ++step) {
            int i = ((from + (back ? -step : step)) % n + n) % n;
            if (vk == VK_TAB || items[size_t(i)].row() == row) {
                SetHot(i);
                break;
            }
        }
        return true;
    }
    case VK_UP:
    case VK_DOWN: {
        EnterKeys(Keys::focus, nullptr);
        int row = vk == VK_DOWN ? 1 : 0;
        for (int i = 0; i < n; ++i) {
            const Item& item = items[size_t(i)];
            if (item.row() == row && (row == 1 || (item.kind == Item::kTab && item.category == active_))) {
                SetHot(i);
                break;
            }
        }
        return true;
    }
    case VK_RETURN:
    case VK_SPACE:
        if (hot_ >= 0 && hot_ < n) {
            Item item = items[size_t(hot_)];
            Activate(item);
        }
        return true;
    default:
        break;
    }
    if (keys_ != Keys::tabTips && keys_ != Keys::buttonTips)
        return false;
    wchar_t c = wchar_t(std::towupper(wchar_t(vk)));
    for (int i = 0; i < n; ++i) {
        Item item = items[size_t(i)];
        if ((item.row() == 1) != (keys_ == Keys::buttonTips) || item.keyTip.empty() || item.keyTip[0] != c)
            continue;
        if (item.kind == Item::kTab) {
            SetActiveCategory(item.category);
            keys_ = Keys::buttonTips;
            Invalidate(FALSE);
        } else {
            Activate(item);
        }
        return true;
    }
    return false;
}

BOOL CMFCRibbonBar::PreTranslateMessage(MSG* msg)
{
    if (!m_hWnd || !::IsWindowVisible(m_hWnd))
        return FALSE;
    HWND top = ::GetAncestor(m_hWnd, GA_ROOT);
    if (msg->hwnd != top && !::IsChild(top, msg->hwnd))
        return FALSE;
    switch (msg->message) {
    case WM_SYSKEYDOWN:
        if (msg->wParam == VK_MENU) {
            if (keys_ != Keys::off) {
                LeaveKeys(true);
                altAlone_ = false;
                return TRUE;
            }
            if (!(msg->lParam & (1 << 30)))
                altAlone_ = true;
            return FALSE;
        }
        altAlone_ = false;
        if (msg->wParam == VK_F10) {
            if (keys_ != Keys::off)
                LeaveKeys(true);
            else
                EnterKeys(Keys::tabTips, ::GetFocus());
            return TRUE;
        }
        if (std::iswalnum(wchar_t(msg->wParam))) {
            // Alt+letter: a tab-row key tip, if one matches.
            wchar_t c = wchar_t(std::towupper(wchar_t(msg->wParam)));
            for (const Item& item : Items()) {
                if (item.row() == 0 && !item.keyTip.empty() && item.keyTip[0] == c) {
                    EnterKeys(Keys::tabTips, ::GetFocus());
                    OnKey(UINT(msg->wParam));
                    return TRUE;
                }
            }
        }
        return FALSE;
    case WM_SYSKEYUP:
        if (msg->wParam == VK_MENU && altAlone_) {
            altAlone_ = false;
            EnterKeys(Keys::tabTips, ::GetFocus());
            return TRUE;
        }
        return FALSE;
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
        altAlone_ = false;
        return FALSE;
    default:
        return FALSE;
    }
}

LRESULT CMFCRibbonBar::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SIZE:
        Layout();
        Invalidate(FALSE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        Layout();  // buttons may have been added since the last size
        PaintBuffered(this, [this](HDC dc) { Paint(dc); });
        return 0;
    case WM_MOUSEMOVE: {
        if (!tracking_) {
            TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, m_hWnd, 0};
            tracking_ = ::TrackMouseEvent(&tme) != FALSE;
        }
        if (keys_ == Keys::off)
            SetHot(HitTest(POINT{short(LOWORD(lParam)), short(HIWORD(lParam))}));
        return 0;
    }
    case WM_MOUSELEAVE:
        tracking_ = false;
        if (keys_ == Keys::off)
            SetHot(-1);
        return 0;
    case WM_LBUTTONDOWN: {
        if (keys_ != Keys::off)
            LeaveKeys(true);
        int i = HitTest(POINT{short(LOWORD(lParam)), short(HIWORD(lParam))});
        if (i < 0)
            return 0;
        Item item = Items()[size_t(i)];
        if (item.kind == Item::kApp || item.kind == Item::kTab) {
            // Tabs switch and the menu opens as the button goes down.
            Activate(item);
            return 0;
        }
        pressed_ = i;
        hot_ = i;
        ::SetCapture(m_hWnd);
        Invalidate(FALSE);
        return 0;
    }
    case WM_LBUTTONUP: {
        int down = pressed_;
        if (down < 0)
            return 0;
        int i = HitTest(POINT{short(LOWORD(lParam)), short(HIWORD(lParam))});
        pressed_ = -1;
        ::ReleaseCapture();
        Invalidate(FALSE);
        if (i == down)
            Activate(Items()[size_t(i)]);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (pressed_ >= 0) {
            pressed_ = -1;
            Invalidate(FALSE);
        }
        return 0;
    case WM_MOUSEWHEEL: {
        // The wheel walks through the tabs, as ribbons do.
        int next = active_ + (short(HIWORD(wParam)) > 0 ? -1 : 1);
        SetActiveCategory(next);
        return 0;
    }
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (keys_ != Keys::off && OnKey(UINT(wParam)))
            return 0;
        break;
    case WM_CHAR:
    case WM_SYSCHAR:
        if (keys_ != Keys::off)
            return 0;  // key tips and navigation took the key already
        break;
    case WM_KILLFOCUS:
        if (keys_ != Keys::off) {
            keys_ = Keys::off;
            hot_ = -1;
            restoreFocus_ = nullptr;
            Invalidate(FALSE);
        }
        return 0;
    case WM_MEASUREITEM:
        if (reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->CtlType == ODT_MENU) {
            MeasureMenuItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
            return TRUE;
        }
        break;
    case WM_DRAWITEM:
        if (reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->CtlType == ODT_MENU) {
            DrawMenuItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        }
        break;
    case WM_MENUCHAR: {
        // Owner-drawn entries answer to their first letter.
        auto menu = reinterpret_cast<HMENU>(lParam);
        wchar_t c = wchar_t(std::towupper(wchar_t(LOWORD(wParam))));
        for (int i = 0, n = ::GetMenuItemCount(menu); i < n; ++i) {
            MENUITEMINFOW mi = {};
            mi.cbSize = sizeof mi;
            mi.fMask = MIIM_DATA | MIIM_ID;
            ::GetMenuItemInfoW(menu, UINT(i), TRUE, &mi);
            const std::wstring& text = menuTexts_[mi.dwItemData >> 16];
            if (mi.wID && !text.empty() && wchar_t(std::towupper(text[0])) == c)
                return MAKELRESULT(i, MNC_EXECUTE);
        }
        return MAKELRESULT(0, MNC_IGNORE);
    }
    default:
        break;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

// ---- painting

void CMFCRibbonBar::PaintKeyTip(HDC dc, int x, int y, const wchar_t* tip)
{
    HGDIOBJ old = ::SelectObject(dc, font_);
    int w = TextWidth(dc, tip) + 8, h = 16;
    RECT r = {x - w / 2, y, x - w / 2 + w, y + h};
    RoundBox(dc, r, 3, RGB(252, 252, 252), RGB(236, 236, 236), RGB(214, 214, 214), RGB(70, 70, 70));
    ::SetTextColor(dc, RGB(20, 20, 20));
    ::DrawTextW(dc, tip, -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    ::SelectObject(dc, old);
}

void CMFCRibbonBar::PaintButton(HDC dc, const CMFCRibbonButton& b, HBITMAP strip, int state)
{
    const RECT& r = b.rect;
    HotBox(dc, r, state);
    int cx = (r.left + r.right) / 2;
    DrawImage(dc, strip, b.image, kLarge, cx - kLarge / 2, r.top + 4);
    auto lines = SplitLabel(dc, b.text);
    ::SetTextColor(dc, state == kNormal ? kText : kHotText);
    RECT t1 = {r.left, r.top + kLarge + 8, r.right, r.top + kLarge + 22};
    ::DrawTextW(dc, lines.first.c_str(), -1, &t1, DT_SINGLELINE | DT_CENTER | DT_NOPREFIX);
    RECT t2 = {r.left, t1.bottom, r.right, t1.bottom + 14};
    ::DrawTextW(dc, lines.second.c_str(), -1, &t2, DT_SINGLELINE | DT_CENTER | DT_NOPREFIX);
}

void CMFCRibbonBar::Paint(HDC dc)
{
    RECT client;
    GetClientRect(&client);
    ::SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = ::SelectObject(dc, font_);

    // Caption strip and tab row, then the body.
    Gradient(dc, RECT{0, 0, client.right, kBodyTop}, kStripTop, kStripBottom);
    Gradient(dc, RECT{0, kBodyTop, client.right, client.bottom}, kBodyTopColor, kBodyBottom);
    Line(dc, 0, kBodyTop, client.right, kBodyTop, kBodyEdge);
    Line(dc, 0, client.bottom - 1, client.right, client.bottom - 1, kDarkEdge);

    auto items = Items();
    auto stateOf = [&](int i) {
        if (i == pressed_)
            return kPressed;
        return i == hot_ ? kHot : kNormal;
    };
    for (size_t i = 0; i < items.size(); ++i) {
        const Item& item = items[i];
        int state = stateOf(int(i));
        if (item.kind == Item::kTab) {
            RECT r = item.rect;
            bool active = item.category == active_;
            if (active) {
                HRGN clip = ::CreateRoundRectRgn(r.left, r.top, r.right + 1, r.bottom + 6, 6, 6);
                ::SelectClipRgn(dc, clip);
                Gradient(dc, RECT{r.left, r.top, r.right, r.bottom + 1}, RGB(128, 128, 132), kBodyTopColor);
                ::SelectClipRgn(dc, nullptr);
                ::DeleteObject(clip);
                Line(dc, r.left, r.bottom, r.left, r.top + 3, kBodyEdge);
                Line(dc, r.left + 3, r.top, r.right - 3, r.top, RGB(168, 168, 172));
                Line(dc, r.right - 1, r.top + 3, r.right - 1, r.bottom, kBodyEdge);
                Line(dc, r.left, r.top + 3, r.left + 3, r.top, kBodyEdge);
                Line(dc, r.right - 4, r.top, r.right - 1, r.top + 3, kBodyEdge);
            } else if (state != kNormal) {
                RoundBox(dc, RECT{r.left, r.top, r.right, r.bottom + 4}, 6, RGB(96, 96, 100), RGB(74, 74, 78),
                         RGB(60, 60, 64), RGB(110, 110, 114));
                Line(dc, r.left, kBodyTop, r.right, kBodyTop, kBodyEdge);
            }
            if (keys_ == Keys::focus && int(i) == hot_)
                RoundBox(dc, RECT{r.left + 2, r.top + 2, r.right - 2, r.bottom - 1}, 4, kHotTop, kHotMid, kHotBottom,
                         kHotBorder);
            ::SetTextColor(dc, keys_ == Keys::focus && int(i) == hot_ ? kHotText : kText);
            ::DrawTextW(dc, categories_[size_t(item.category)]->name_.c_str(), -1, &r,
                        DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
        } else if (item.kind == Item::kTabButton) {
            HotBox(dc, item.rect, state);
            ::SetTextColor(dc, state == kNormal ? kText : kHotText);
            RECT r = item.rect;
            ::DrawTextW(dc, item.button->text.c_str(), -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
        }
    }

    if (active_ >= 0) {
        const CMFCRibbonCategory& c = *categories_[size_t(active_)];
        HBITMAP strip = Strip(c.largeId_);
        for (const auto& p : c.panels_) {
            RECT r = p->rect_;
            RoundBox(dc, r, 5, kPanelTop, Mix(kPanelTop, kPanelBottom, 0.5), kPanelBottom, kPanelBorder);
            Line(dc, r.left + 3, r.top + 1, r.right - 3, r.top + 1, kPanelLight);
            RECT cap = {r.left + 1, r.bottom - kPanelCaption, r.right - 1, r.bottom - 1};
            HRGN clip = ::CreateRoundRectRgn(r.left + 1, cap.top, r.right, r.bottom, 5, 5);
            ::SelectClipRgn(dc, clip);
            Gradient(dc, cap, kCaptionTop, kCaptionBottom);
            ::SelectClipRgn(dc, nullptr);
            ::DeleteObject(clip);
            Line(dc, r.left + 1, cap.top, r.right - 1, cap.top, RGB(100, 100, 104));
            ::SetTextColor(dc, kCaptionText);
            ::DrawTextW(dc, p->name_.c_str(), -1, &cap, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
            for (const auto& b : p->buttons_) {
                if (!b.id) {
                    Line(dc, b.rect.left, b.rect.top, b.rect.left, b.rect.bottom, kPanelBorder);
                    Line(dc, b.rect.left + 1, b.rect.top, b.rect.left + 1, b.rect.bottom, kPanelLight);
                }
            }
        }
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].kind == Item::kButton)
                PaintButton(dc, *items[i].button, strip, stateOf(int(i)));
    }

    if (appButton_) {
        DrawOrb(dc, appRect_, menuOpen_ ? kPressed : hot_ == 0 ? kHot : kNormal);
        // The image is drawn centred on the disc at its own size.
        BITMAP bm = {};
        if (HBITMAP image = Strip(appButton_->imageId_); image && ::GetObjectW(image, sizeof bm, &bm))
            DrawImage(dc, image, 0, bm.bmHeight, (appRect_.left + appRect_.right - bm.bmHeight) / 2,
                      (appRect_.top + appRect_.bottom - bm.bmHeight) / 2);
    }

    // Key tips over everything else.
    if (keys_ == Keys::tabTips || keys_ == Keys::buttonTips) {
        for (const Item& item : items) {
            if (item.keyTip.empty() || (item.row() == 1) != (keys_ == Keys::buttonTips))
                continue;
            // Below the middle of tabs and buttons, in the middle of the round button.
            const RECT& r = item.rect;
            int y = item.kind == Item::kApp ? (r.top + r.bottom) / 2 - 8 : r.bottom - 6;
            PaintKeyTip(dc, (r.left + r.right) / 2, y, item.keyTip.c_str());
        }
    }
    ::SelectObject(dc, oldFont);
}

// ---- the status bar

BOOL CMFCRibbonStatusBar::Create(CWnd* parent, UINT id)
{
    MakeFont(font_);
    RECT r = {0, 0, 0, GetPreferredHeight()};
    return CreateEx(0, AfxRegisterWndClass(0, ::LoadCursorW(nullptr, IDC_ARROW)), L"", WS_CHILD | WS_VISIBLE, r, parent,
                    id);
}

void CMFCRibbonStatusBar::AddElement(const wchar_t* text)
{
    // Regular panes stay ahead of the extended ones.
    auto firstExtended = std::find_if(panes_.begin(), panes_.end(), [](const Pane& p) { return p.extended; });
    panes_.insert(firstExtended, Pane{text, false});
    Invalidate(FALSE);
}

void CMFCRibbonStatusBar::AddExtendedElement(const wchar_t* text)
{
    panes_.push_back(Pane{text, true});
    Invalidate(FALSE);
}

void CMFCRibbonStatusBar::SetPaneText(int index, const wchar_t* text)
{
    panes_[size_t(index)].text = text;
    Invalidate(FALSE);
}

int CMFCRibbonStatusBar::GetPreferredHeight() const
{
    LOGFONTW lf = {};
    ::GetObjectW(font_.GetSafeHandle(), sizeof lf, &lf);
    return std::max(22, int(std::abs(lf.lfHeight)) + 12);
}

void CMFCRibbonStatusBar::Paint(HDC dc)
{
    RECT client;
    GetClientRect(&client);
    Gradient(dc, client, RGB(70, 70, 74), RGB(36, 36, 40));
    Line(dc, 0, 0, client.right, 0, kDarkEdge);
    Line(dc, 0, 1, client.right, 1, RGB(104, 104, 108));
    HGDIOBJ old = ::SelectObject(dc, font_);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kText);
    // Extended panes from the right edge, on a lighter ground.
    int right = client.right;
    for (auto it = panes_.rbegin(); it != panes_.rend() && it->extended; ++it) {
        int w = std::max(TextWidth(dc, it->text) + 20, 40);
        RECT r = {right - w, 2, right, client.bottom};
        Gradient(dc, r, RGB(92, 92, 96), RGB(52, 52, 56));
        Line(dc, r.left, 2, r.left, client.bottom, kDarkEdge);
        Line(dc, r.left + 1, 2, r.left + 1, client.bottom, RGB(120, 120, 124));
        RECT t = {r.left + 10, r.top, r.right - 10, r.bottom};
        ::DrawTextW(dc, it->text.c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        right = r.left;
    }
    int x = 0;
    for (const Pane& p : panes_) {
        if (p.extended)
            break;
        int w = TextWidth(dc, p.text) + 20;
        RECT t = {x + 10, 2, std::min(x + w, right) - 10, client.bottom};
        ::DrawTextW(dc, p.text.c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        x += w;
        Line(dc, x, 5, x, client.bottom - 3, kDarkEdge);
        Line(dc, x + 1, 5, x + 1, client.bottom - 3, RGB(100, 100, 104));
        x += 2;
    }
    ::SelectObject(dc, old);
}

LRESULT CMFCRibbonStatusBar::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        Invalidate(FALSE);
        return 0;
    case WM_PAINT:
        PaintBuffered(this, [this](HDC dc) { Paint(dc); });
        return 0;
    default:
        return CWnd::WindowProc(msg, wParam, lParam);
    }
}
