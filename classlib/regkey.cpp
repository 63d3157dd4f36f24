#include "regkey.h"

CRegKey::~CRegKey()
{
    Close();
}

LONG CRegKey::Create(HKEY parent, LPCWSTR name, LPWSTR keyClass, DWORD options, REGSAM access)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(parent, name, 0, keyClass, options, access, nullptr, &key, nullptr);
    if (rc == ERROR_SUCCESS) {
        Close();
        m_hKey = key;
    }
    return rc;
}

LONG CRegKey::Open(HKEY parent, LPCWSTR name, REGSAM access)
{
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(parent, name, 0, access, &key);
    if (rc == ERROR_SUCCESS) {
        Close();
        m_hKey = key;
    }
    return rc;
}

LONG CRegKey::Close()
{
    LONG rc = ERROR_SUCCESS;
    if (m_hKey) {
        rc = RegCloseKey(m_hKey);
        m_hKey = nullptr;
    }
    return rc;
}

LONG CRegKey::QueryStringValue(LPCWSTR name, LPWSTR buffer, ULONG* chars)
{
    const ULONG capacity = *chars;
    if (capacity == 0)
        return ERROR_INVALID_PARAMETER;
    buffer[0] = 0;
    DWORD type = 0;
    DWORD bytes = capacity * sizeof(wchar_t);
    LONG rc = RegQueryValueExW(m_hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
    if (rc != ERROR_SUCCESS) {
        buffer[0] = 0;
        return rc;
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        buffer[0] = 0;
        return ERROR_INVALID_DATA;
    }
    // Stored strings need not carry their terminator, nor an even byte count.
    ULONG n = bytes / sizeof(wchar_t);
    if (n > 0 && buffer[n - 1] == 0)
        --n;
    if (n >= capacity) {
        buffer[0] = 0;
        return ERROR_MORE_DATA;
    }
    buffer[n] = 0;
    *chars = static_cast<ULONG>(wcslen(buffer)) + 1;
    return ERROR_SUCCESS;
}

LONG CRegKey::SetStringValue(LPCWSTR name, LPCWSTR text, DWORD type)
{
    const DWORD bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
    return RegSetValueExW(m_hKey, name, 0, type, reinterpret_cast<const BYTE*>(text), bytes);
}

LONG CRegKey::SetBinaryValue(LPCWSTR name, const void* data, ULONG bytes)
{
    return RegSetValueExW(m_hKey, name, 0, REG_BINARY, static_cast<const BYTE*>(data), bytes);
}

LONG CRegKey::EnumKey(DWORD index, LPWSTR name, DWORD* chars)
{
    if (*chars == 0)
        return ERROR_INVALID_PARAMETER;
    LONG rc = RegEnumKeyExW(m_hKey, index, name, chars, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_SUCCESS)
        ++*chars;
    else
        name[0] = 0;
    return rc;
}

LONG CRegKey::RecurseDeleteKey(LPCWSTR name)
{
    if (!name || !*name)
        return ERROR_INVALID_PARAMETER;
    CRegKey key;
    LONG rc = key.Open(m_hKey, name, KEY_READ | KEY_WRITE);
    if (rc != ERROR_SUCCESS)
        return rc;
    // Always enumerate index 0: each deletion shifts the rest down.
    wchar_t sub[256];
    for (;;) {
        DWORD chars = 256;
        if (RegEnumKeyExW(key, 0, sub, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        rc = key.RecurseDeleteKey(sub);
        if (rc != ERROR_SUCCESS)
            return rc;
    }
    key.Close();
    return RegDeleteKeyW(m_hKey, name);
}
