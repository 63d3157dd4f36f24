// A picture of a window, taken from the window's own surface (so other windows on
// the display never get in the way) and saved as a PNG file.
#pragma once
#include <windows.h>
#include <string>

// False when the file cannot be written.
bool save_window_png(HWND window, const std::wstring& path);
