#include "cstring.h"
#include <cstdarg>
#include <cstdio>
#include <vector>

void CString::Format(const wchar_t* format, ...)
{
    constexpr size_t kLimit = size_t(1) << 20;
    std::vector<wchar_t> buf(256);
    for (;;) {
        va_list args;
        va_start(args, format);
        int n = _vsnwprintf(buf.data(), buf.size(), format, args);
        va_end(args);
        if (n >= 0 && size_t(n) < buf.size()) {
            assign(buf.data(), size_t(n));
            return;
        }
        if (buf.size() >= kLimit) {
            buf.back() = 0;
            assign(buf.data());
            return;
        }
        buf.resize(buf.size() * 2);
    }
}

bool CString::LoadString(UINT id)
{
    const wchar_t* text = nullptr;
    int n = ::LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (n <= 0 || !text) {
        clear();
        return false;
    }
    assign(text, size_t(n));
    return true;
}
