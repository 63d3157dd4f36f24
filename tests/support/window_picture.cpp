#include "window_picture.h"
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

uint32_t Crc32(const uint8_t* p, size_t n, uint32_t crc = 0)
{
    static uint32_t table[256];
    if (!table[1])
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
    crc = ~crc;
    for (size_t i = 0; i < n; ++i)
        crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void PutBE(std::vector<uint8_t>& out, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8)
        out.push_back(uint8_t(v >> s));
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data)
{
    PutBE(out, uint32_t(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBE(out, Crc32(out.data() + start, out.size() - start));
}

// An RGB PNG of rows (top first, 3 bytes a pixel), compressed with stored deflate blocks: plain and always valid.
std::vector<uint8_t> EncodePng(int w, int h, const std::vector<uint8_t>& rgb)
{
    std::vector<uint8_t> raw;
    for (int y = 0; y < h; ++y) {
        raw.push_back(0);  // no filter
        raw.insert(raw.end(), rgb.begin() + size_t(y) * w * 3, rgb.begin() + size_t(y + 1) * w * 3);
    }
    std::vector<uint8_t> z = {0x78, 0x01};
    size_t pos = 0;
    do {
        const size_t n = raw.size() - pos < 65535 ? raw.size() - pos : 65535;
        z.push_back(pos + n == raw.size() ? 1 : 0);  // last block?
        z.insert(z.end(), {uint8_t(n), uint8_t(n >> 8), uint8_t(~n), uint8_t(~n >> 8)});
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBE(z, (b << 16) | a);

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBE(header, uint32_t(w));
    PutBE(header, uint32_t(h));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB
    Chunk(png, "IHDR", header);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    return png;
}

}  // namespace

WindowPixels::WindowPixels(HWND window, bool wholeWindow)
{
    RECT r;
    if (wholeWindow) {
        GetWindowRect(window, &r);
        OffsetRect(&r, -r.left, -r.top);
    } else {
        GetClientRect(window, &r);
    }
    w_ = r.right;
    h_ = r.bottom;
    HDC source = wholeWindow ? GetWindowDC(window) : GetDC(window);
    HDC mem = CreateCompatibleDC(source);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w_;
    bi.bmiHeader.biHeight = -h_;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(source, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w_, h_, source, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const DWORD*>(bits);
    for (size_t i = 0; i < size_t(w_) * size_t(h_); ++i)
        px_.push_back(RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF));
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(window, source);
}

int WindowPixels::count(const RECT& r, COLORREF c) const
{
    int n = 0;
    for (int y = std::max(0, int(r.top)); y < std::min(h_, int(r.bottom)); ++y)
        for (int x = std::max(0, int(r.left)); x < std::min(w_, int(r.right)); ++x)
            n += at(x, y) == c;
    return n;
}

int WindowPixels::others(const RECT& r, COLORREF c) const
{
    const int w = std::min(w_, int(r.right)) - std::max(0, int(r.left));
    const int h = std::min(h_, int(r.bottom)) - std::max(0, int(r.top));
    return (w > 0 && h > 0 ? w * h : 0) - count(r, c);
}

bool save_window_png(HWND window, const std::wstring& path)
{
    const WindowPixels px(window, true);
    std::vector<uint8_t> rgb;
    for (int y = 0; y < px.height(); ++y)
        for (int x = 0; x < px.width(); ++x) {
            const COLORREF c = px.at(x, y);
            rgb.insert(rgb.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
        }
    const std::vector<uint8_t> png = EncodePng(px.width(), px.height(), rgb);
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f)
        return false;
    const bool written = fwrite(png.data(), 1, png.size(), f) == png.size();
    return fclose(f) == 0 && written;
}
