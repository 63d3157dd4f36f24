#include <gtest/gtest.h>
#include "regkey.h"
#include <set>
#include <string>

namespace {

const wchar_t kTestKey[] = L"Software\\BrisvaleTest\\RegKey";

void DeleteTestKey()
{
    CRegKey parent;
    if (parent.Open(HKEY_CURRENT_USER, L"Software\\BrisvaleTest") == ERROR_SUCCESS)
        parent.RecurseDeleteKey(L"RegKey");
}

class RegKeyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteTestKey();
        ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, kTestKey));
    }
    void TearDown() override
    {
        key.Close();
        DeleteTestKey();
    }
    void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes)
    {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes));
    }
    bool Exists(const std::wstring& sub)
    {
        HKEY h;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, (std::wstring(kTestKey) + L"\\" + sub).c_str(), 0, KEY_READ, &h))
            return false;
        RegCloseKey(h);
        return true;
    }
    CRegKey key;
};

struct StringCase {
    const char* what;
    DWORD type;
    std::wstring data;  // stored as given: no terminator is added
    DWORD extraBytes;   // stray bytes appended after the text
    ULONG capacity;
    LONG rc;
    std::wstring text;
};

TEST_F(RegKeyTest, QueryStringValueBoundsAndTerminates)
{
    const StringCase cases[] = {
        {"terminated REG_SZ", REG_SZ, std::wstring(L"abc\0", 4), 0, 16, ERROR_SUCCESS, L"abc"},
        {"REG_EXPAND_SZ is read unexpanded", REG_EXPAND_SZ, std::wstring(L"%TEMP%\\x\0", 9), 0, 16, ERROR_SUCCESS,
         L"%TEMP%\\x"},
        {"no terminator stored", REG_SZ, L"abcd", 0, 16, ERROR_SUCCESS, L"abcd"},
        {"no terminator, fills the buffer exactly", REG_SZ, L"abcd", 0, 4, ERROR_MORE_DATA, L""},
        {"no terminator, one spare character", REG_SZ, L"abcd", 0, 5, ERROR_SUCCESS, L"abcd"},
        {"terminated, fits exactly", REG_SZ, std::wstring(L"abcd\0", 5), 0, 5, ERROR_SUCCESS, L"abcd"},
        {"longer than the buffer", REG_SZ, std::wstring(L"abcdefgh\0", 9), 0, 4, ERROR_MORE_DATA, L""},
        {"odd byte count", REG_SZ, L"ab", 1, 16, ERROR_SUCCESS, L"ab"},
        {"wrong type", REG_BINARY, L"ab", 0, 16, ERROR_INVALID_DATA, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string raw(reinterpret_cast<const char*>(c.data.data()), c.data.size() * sizeof(wchar_t));
        raw.append(c.extraBytes, 'x');
        SetRaw(L"v", c.type, raw.data(), static_cast<DWORD>(raw.size()));
        wchar_t buf[16];
        wmemset(buf, L'#', 16);
        ULONG chars = c.capacity;
        EXPECT_EQ(c.rc, key.QueryStringValue(L"v", buf, &chars));
        EXPECT_EQ(c.text, std::wstring(buf, wcsnlen(buf, c.capacity)));
        EXPECT_LT(wcsnlen(buf, c.capacity), c.capacity) << "not terminated inside the buffer";
        if (c.rc == ERROR_SUCCESS) {
            EXPECT_EQ(c.text.size() + 1, chars);
        }
    }
}

TEST_F(RegKeyTest, QueryMissingValueLeavesEmptyText)
{
    wchar_t buf[8] = L"stale";
    ULONG chars = 8;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.QueryStringValue(L"missing", buf, &chars));
    EXPECT_STREQ(L"", buf);
}

TEST_F(RegKeyTest, SetStringValueStoresTerminatorAndType)
{
    ASSERT_EQ(ERROR_SUCCESS, key.SetStringValue(nullptr, L"Open"));
    ASSERT_EQ(ERROR_SUCCESS, key.SetStringValue(L"e", L"%X%", REG_EXPAND_SZ));
    wchar_t buf[8];
    DWORD type = 0, bytes = sizeof(buf);
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"", nullptr, &type, reinterpret_cast<BYTE*>(buf), &bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(10u, bytes);
    bytes = sizeof(buf);
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"e", nullptr, &type, reinterpret_cast<BYTE*>(buf), &bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), type);
}

TEST_F(RegKeyTest, RecurseDeleteKeyRemovesTheWholeTreeOnly)
{
    for (const wchar_t* path : {L"a\\b\\c", L"a\\d", L"a\\b\\e", L"keep"}) {
        CRegKey k;
        ASSERT_EQ(ERROR_SUCCESS, k.Create(key, path));
        k.SetStringValue(L"x", L"y");
    }
    EXPECT_EQ(ERROR_SUCCESS, key.RecurseDeleteKey(L"a"));
    EXPECT_FALSE(Exists(L"a"));
    EXPECT_TRUE(Exists(L"keep"));
    EXPECT_NE(ERROR_SUCCESS, key.RecurseDeleteKey(L"a"));
}

TEST_F(RegKeyTest, RecurseDeleteKeyRefusesAnEmptyName)
{
    CRegKey k;
    ASSERT_EQ(ERROR_SUCCESS, k.Create(key, L"child"));
    k.Close();
    EXPECT_EQ(ERROR_INVALID_PARAMETER, key.RecurseDeleteKey(L""));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, key.RecurseDeleteKey(nullptr));
    EXPECT_TRUE(Exists(L"child"));
}

TEST_F(RegKeyTest, EnumKeyListsSubkeysThenFails)
{
    for (const wchar_t* name : {L"one", L"two"}) {
        CRegKey k;
        ASSERT_EQ(ERROR_SUCCESS, k.Create(key, name));
    }
    std::set<std::wstring> seen;
    wchar_t name[8];
    DWORD i = 0;
    for (;; ++i) {
        DWORD chars = 8;
        if (key.EnumKey(i, name, &chars) != ERROR_SUCCESS)
            break;
        EXPECT_EQ(wcslen(name) + 1, chars);
        seen.insert(name);
    }
    EXPECT_EQ(2u, i);
    EXPECT_EQ((std::set<std::wstring>{L"one", L"two"}), seen);
}

TEST_F(RegKeyTest, OpenMissingKeyFailsAndKeepsNothingOpen)
{
    CRegKey k;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, k.Open(key, L"nope", KEY_READ));
    EXPECT_EQ(nullptr, static_cast<HKEY>(k));
}

}  // namespace
