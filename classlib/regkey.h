#pragma once
// A small owner of one open registry key, in the style of the class library.
#include <windows.h>

class CRegKey {
public:
    CRegKey() noexcept = default;
    ~CRegKey();
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    // Opens name under parent, creating it when missing.
    LONG Create(HKEY parent, LPCWSTR name, LPWSTR keyClass = nullptr, DWORD options = REG_OPTION_NON_VOLATILE,
                REGSAM access = KEY_READ | KEY_WRITE);
    LONG Open(HKEY parent, LPCWSTR name, REGSAM access = KEY_READ | KEY_WRITE);
    LONG Close();

    // Reads a REG_SZ or REG_EXPAND_SZ value (unexpanded). *chars is the buffer size in characters on entry and the
    // length with terminator on success. The buffer always ends up terminated, empty on failure; a value that does
    // not fit gives ERROR_MORE_DATA, a value of another type ERROR_INVALID_DATA.
    LONG QueryStringValue(LPCWSTR name, LPWSTR buffer, ULONG* chars);
    LONG SetStringValue(LPCWSTR name, LPCWSTR text, DWORD type = REG_SZ);
    LONG SetBinaryValue(LPCWSTR name, const void* data, ULONG bytes);
    LONG DeleteValue(LPCWSTR name) { return RegDeleteValueW(m_hKey, name); }
    // Subkey name at index; *chars as for QueryStringValue.
    LONG EnumKey(DWORD index, LPWSTR name, DWORD* chars);
    // Deletes the subkey name and everything under it. An empty name is refused: it would mean this key itself.
    LONG RecurseDeleteKey(LPCWSTR name);

    operator HKEY() const noexcept { return m_hKey; }

    HKEY m_hKey = nullptr;
};
