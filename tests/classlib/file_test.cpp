#include <gtest/gtest.h>
#include "file.h"
#include <string>

namespace {

std::wstring TempPath(const wchar_t* name)
{
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}

std::string ReadAll(const std::wstring& path)
{
    CFile f(path.c_str(), CFile::modeRead);
    std::string data(1 << 16, '\0');
    data.resize(f.Read(data.data(), static_cast<UINT>(data.size())));
    return data;
}

TEST(CFileTest, WriteThenReadRoundTripAndShortReadAtEnd)
{
    const std::wstring path = TempPath(L"brisvale_cfile_roundtrip.bin");
    {
        CFile f(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        f.Write("hello", 5);
        f.Close();
        f.Close();  // a second close does nothing
    }
    CFile f(path.c_str(), CFile::modeRead);
    char buf[16] = {};
    EXPECT_EQ(5u, f.Read(buf, sizeof(buf)));
    EXPECT_STREQ("hello", buf);
    EXPECT_EQ(0u, f.Read(buf, sizeof(buf)));
    f.Close();
    DeleteFileW(path.c_str());
}

TEST(CFileTest, CreateTruncates)
{
    const std::wstring path = TempPath(L"brisvale_cfile_truncate.bin");
    {
        CFile f(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        f.Write("0123456789", 10);
    }
    EXPECT_EQ("0123456789", ReadAll(path));
    {
        CFile f(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        f.Write("xy", 2);
    }
    EXPECT_EQ("xy", ReadAll(path));
    DeleteFileW(path.c_str());
}

TEST(CFileTest, OpenFailureThrowsWithCauseAndName)
{
    const std::wstring missing = TempPath(L"brisvale_cfile_missing.bin");
    DeleteFileW(missing.c_str());
    try {
        CFile f(missing.c_str(), CFile::modeRead);
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(CFileException::fileNotFound, e.m_cause);
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, e.m_lOsError);
        EXPECT_EQ(missing, e.m_strFileName);
        EXPECT_EQ(0u, e.GetErrorMessage().find(missing + L": "));
    }
    CFile f;
    CFileException error;
    EXPECT_FALSE(f.Open(TempPath(L"no\\such\\folder\\x.bin").c_str(), CFile::modeCreate | CFile::modeWrite, &error));
    EXPECT_EQ(CFileException::badPath, error.m_cause);
}

TEST(CFileTest, WriteOnReadOnlyHandleThrows)
{
    const std::wstring path = TempPath(L"brisvale_cfile_ro.bin");
    {
        CFile f(path.c_str(), CFile::modeCreate | CFile::modeWrite);
    }
    {
        CFile f(path.c_str(), CFile::modeRead);
        EXPECT_THROW(f.Write("x", 1), CFileException);
    }
    DeleteFileW(path.c_str());
}

}  // namespace
