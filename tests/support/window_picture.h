// What a window shows, read from the window's own surface (so other windows on the
// display never get in the way): its pixels, or a picture of it saved as a PNG file.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// A window's client area as it shows now, or the whole window with its frame.
class WindowPixels {
public:
    explicit WindowPixels(HWND window, bool wholeWindow = false);
    int width() const { return w_; }
    int height() const { return h_; }
    COLORREF at(int x, int y) const { return px_[size_t(y) * size_t(w_) + size_t(x)]; }
    // Pixels of r, within the picture, that are c, or that are not.
    int count(const RECT& r, COLORREF c) const;
    int others(const RECT& r, COLORREF c) const;

private:
    int w_ = 0, h_ = 0;
    std::vector<COLORREF> px_;
};

// The whole window as a PNG file; false when the file cannot be written.
bool save_window_png(HWND window, const std::wstring& path);
