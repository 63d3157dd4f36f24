// Looking at a live dialog: a picture of it in the build folder, and its controls
// whose text does not fit or that reach outside the window.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// Repaints a window of another thread with all its children and waits until it has.
void wait_painted(HWND window);
// Saves the window as screenshots/<name>.png under the working folder (the test's
// build folder) and returns a line for every clipped control ("" when none is).
std::vector<std::string> capture_and_check(HWND window, const std::wstring& name);
