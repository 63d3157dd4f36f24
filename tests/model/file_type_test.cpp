#include <gtest/gtest.h>

#include "file_type.h"
#include "regkey.h"

#include <set>
#include <string>

namespace {

// Names of our own, so that a program test registering the real type at the same time cannot interfere.
const wchar_t kExt[] = L".bvk2test";
const wchar_t kProgId[] = L"Brisvale Test Archive";

std::wstring DefaultValue(const std::wstring& key)
{
    CRegKey k;
    if (k.Open(HKEY_CLASSES_ROOT, key.c_str(), KEY_READ) != ERROR_SUCCESS)
        return L"<no key>";
    wchar_t buf[2048];
    ULONG chars = 2048;
    if (k.QueryStringValue(nullptr, buf, &chars) != ERROR_SUCCESS)
        return L"<no value>";
    return buf;
}

// Every key below root with its value names, "key|value" each.
void Collect(HKEY parent, const std::wstring& path, std::set<std::wstring>& out)
{
    CRegKey k;
    ASSERT_EQ(ERROR_SUCCESS, k.Open(parent, path.c_str(), KEY_READ));
    out.insert(path + L"|");
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD chars = 256;
        if (RegEnumValueW(k, i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        out.insert(path + L"|" + name + L"=");
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD chars = 256;
        if (k.EnumKey(i, name, &chars) != ERROR_SUCCESS)
            break;
        Collect(parent, path + L"\\" + name, out);
    }
}

class FileTypeTest : public ::testing::Test {
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override
    {
        CRegKey classes;
        ASSERT_EQ(ERROR_SUCCESS, classes.Open(HKEY_CLASSES_ROOT, L""));
        classes.RecurseDeleteKey(kExt);
        classes.RecurseDeleteKey(kProgId);
    }
};

TEST_F(FileTypeTest, WritesExactlyTheAssociation)
{
    RegisterArchiveFileType(kExt, kProgId, L",0", L"Restore Brisvale Archive",
                            L"C:\\Program Files\\Brisvale\\korvane.exe");
    const std::wstring id = kProgId;
    EXPECT_EQ(id, DefaultValue(kExt));
    EXPECT_EQ(L"<no value>", DefaultValue(id));
    EXPECT_EQ(L"C:\\Program Files\\Brisvale\\korvane.exe,0", DefaultValue(id + L"\\DefaultIcon"));
    EXPECT_EQ(L"Open", DefaultValue(id + L"\\shell"));
    EXPECT_EQ(L"Restore Brisvale Archive", DefaultValue(id + L"\\shell\\Open"));
    EXPECT_EQ(L"\"C:\\Program Files\\Brisvale\\korvane.exe\" \"%1\"", DefaultValue(id + L"\\shell\\Open\\command"));

    std::set<std::wstring> keys;
    Collect(HKEY_CLASSES_ROOT, kExt, keys);
    Collect(HKEY_CLASSES_ROOT, kProgId, keys);
    const std::set<std::wstring> want = {
        id + L"|",
        id + L"\\DefaultIcon|",
        id + L"\\DefaultIcon|=",
        id + L"\\shell|",
        id + L"\\shell|=",
        id + L"\\shell\\Open|",
        id + L"\\shell\\Open|=",
        id + L"\\shell\\Open\\command|",
        id + L"\\shell\\Open\\command|=",
        std::wstring(kExt) + L"|",
        std::wstring(kExt) + L"|=",
    };
    EXPECT_EQ(want, keys);
}

TEST_F(FileTypeTest, SecondRegistrationReplacesThePaths)
{
    RegisterArchiveFileType(kExt, kProgId, L",0", L"Restore Brisvale Archive", L"C:\\old\\korvane.exe");
    RegisterArchiveFileType(kExt, kProgId, L",0", L"Restore Brisvale Archive", L"D:\\new place\\korvane.exe");
    const std::wstring id = kProgId;
    EXPECT_EQ(L"D:\\new place\\korvane.exe,0", DefaultValue(id + L"\\DefaultIcon"));
    EXPECT_EQ(L"\"D:\\new place\\korvane.exe\" \"%1\"", DefaultValue(id + L"\\shell\\Open\\command"));
    std::set<std::wstring> keys;
    Collect(HKEY_CLASSES_ROOT, kProgId, keys);
    EXPECT_EQ(9u, keys.size());
}

TEST_F(FileTypeTest, NothingIsWrittenWhenTheExtensionKeyCannotBeMade)
{
    // A key name longer than the registry allows cannot be created.
    const std::wstring badExt = L"." + std::wstring(300, L'x');
    RegisterArchiveFileType(badExt, kProgId, L",0", L"Restore Brisvale Archive", L"C:\\korvane.exe");
    CRegKey k;
    EXPECT_NE(ERROR_SUCCESS, k.Open(HKEY_CLASSES_ROOT, kProgId, KEY_READ));
}

}  // namespace
