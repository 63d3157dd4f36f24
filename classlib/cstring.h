#pragma once
// Wide string of the class library: std::wstring plus the few helpers dialogs need.
#include <windows.h>
#include <string>

class CString : public std::wstring {
public:
    using std::wstring::wstring;
    CString() = default;
    CString(const wchar_t* s) : std::wstring(s ? s : L"") {}
    CString(const std::wstring& s) : std::wstring(s) {}
    CString(std::wstring&& s) : std::wstring(std::move(s)) {}

    int GetLength() const { return static_cast<int>(size()); }
    bool IsEmpty() const { return empty(); }

    // printf-style formatting with the Microsoft meaning of %s (wide); %ls is the
    // portable spelling. The result is bounded: output beyond 1 Mi characters is cut.
    void Format(const wchar_t* format, ...);
    // Loads a string resource of any length; false (and empty) when it does not exist.
    bool LoadString(UINT id);
};

// Copies text into a fixed array, cutting it so the terminator always fits.
template <size_t N>
void CopyBounded(wchar_t (&dest)[N], const wchar_t* text)
{
    size_t i = 0;
    for (; text && text[i] && i + 1 < N; ++i)
        dest[i] = text[i];
    dest[i] = 0;
}
