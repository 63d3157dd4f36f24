#include <gtest/gtest.h>

#include "eng_except.h"
#include "file.h"
#include "preference.h"
#include "test_files.h"

#include <shlobj.h>
#include <cstring>
#include <string>

namespace {

std::wstring PathOf(const wchar_t* fileName)
{
    std::wstring path;
    return GetAppDataFilePath(fileName, kProductFolder, path);
}

std::string Bytes(const PreferenceFile& p)
{
    std::string out(reinterpret_cast<const char*>(&p.archive), sizeof p.archive);
    out.append(reinterpret_cast<const char*>(&p.ftp), sizeof p.ftp);
    out.append(reinterpret_cast<const char*>(&p.cddvd), sizeof p.cddvd);
    return out;
}

std::wstring TextAt(const std::string& bytes, size_t offset)
{
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + offset));
}

int32_t IntAt(const std::string& bytes, size_t offset)
{
    int32_t v;
    std::memcpy(&v, bytes.data() + offset, 4);
    return v;
}

TEST(AppDataTest, FolderIsMadeInsideApplicationData)
{
    std::wstring folder;
    ASSERT_TRUE(GetAppDataFolder(folder, L"BrisvaleTestFolder", true));
    EXPECT_EQ(shell_folder(CSIDL_APPDATA) + L"\\BrisvaleTestFolder", folder);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder.c_str()));
    std::wstring path;
    EXPECT_EQ(folder + L"\\x.dat", GetAppDataFilePath(L"x.dat", L"BrisvaleTestFolder", path));
    RemoveDirectoryW(folder.c_str());
}

TEST(PreferenceFileTest, SaveWritesTheRecordByteForByte)
{
    PreferenceFile p;
    p.Clear();
    wcscpy(p.archive.outputFolder, L"C:\\out");
    wcscpy(p.archive.baseName, L"base");
    wcscpy(p.archive.timeStampFormat, L"%Y");
    p.archive.addTimeStamp = 1;
    p.archive.timeStampPosition = 2;
    wcscpy(p.ftp.host, L"ftp.example");
    p.ftp.port = 2121;
    wcscpy(p.ftp.user, L"me");
    wcscpy(p.ftp.password, L"pw");
    wcscpy(p.ftp.directory, L"/up");
    p.ftp.passive = 1;
    wcscpy(p.cddvd.device, L"Writer A");
    p.cddvd.erase = 1;
    p.Save(L"test_preference_layout.dat");

    const std::string b = read_file(PathOf(L"test_preference_layout.dat"));
    ASSERT_EQ(13506u, b.size());
    EXPECT_EQ(L"C:\\out", TextAt(b, 0));
    EXPECT_EQ(L"base", TextAt(b, 4096));
    EXPECT_EQ(L"%Y", TextAt(b, 8192));
    EXPECT_EQ(1, b[8392]);
    EXPECT_EQ(std::string(3, '\0'), b.substr(8393, 3));
    EXPECT_EQ(2, IntAt(b, 8396));
    EXPECT_EQ(L"ftp.example", TextAt(b, 8400));
    EXPECT_EQ(2121, IntAt(b, 8400 + 200));
    EXPECT_EQ(L"me", TextAt(b, 8400 + 204));
    EXPECT_EQ(L"pw", TextAt(b, 8400 + 404));
    EXPECT_EQ(L"/up", TextAt(b, 8400 + 604));
    EXPECT_EQ(1, b[8400 + 4700]);
    EXPECT_EQ(std::string(3, '\0'), b.substr(8400 + 4701, 3));
    EXPECT_EQ(L"Writer A", TextAt(b, 13104));
    EXPECT_EQ(1, b[13104 + 400]);
    EXPECT_EQ(0, b[13505]);
    // Everything else is zero: Clear leaves no stray bytes.
    EXPECT_EQ(Bytes(p), b);
}

TEST(PreferenceFileTest, MissingFileGetsDefaultsSavedAndThrows)
{
    const std::wstring path = PathOf(L"test_preference_missing.dat");
    DeleteFileW(path.c_str());
    PreferenceFile p;
    p.Clear();
    try {
        p.Load(L"test_preference_missing.dat");
        FAIL() << "no exception";
    } catch (const EngExcept::EFileNotFound& e) {
        EXPECT_EQ(L"File doesn't exist!", e.get_message());
        EXPECT_EQ(path, e.get_detail());
        EXPECT_EQ(2, e.get_code());
    }
    EXPECT_EQ(shell_folder(CSIDL_PERSONAL), p.archive.outputFolder);
    EXPECT_STREQ(L"BAK", p.archive.baseName);
    EXPECT_STREQ(L"%B %d, %Y@%H.%M.%S.%p", p.archive.timeStampFormat);
    EXPECT_EQ(1, p.archive.addTimeStamp);
    EXPECT_EQ(2, p.archive.timeStampPosition);
    const std::string b = read_file(path);
    ASSERT_EQ(13506u, b.size());
    EXPECT_EQ(std::string(4704 + 402, '\0'), b.substr(8400));
    EXPECT_EQ(Bytes(p), b);

    // The second load finds the file.
    PreferenceFile again;
    again.Clear();
    EXPECT_NO_THROW(again.Load(L"test_preference_missing.dat"));
    EXPECT_EQ(Bytes(p), Bytes(again));
    DeleteFileW(path.c_str());
}

TEST(PreferenceFileTest, MissingFileKeepsABaseNameAlreadySet)
{
    const std::wstring path = PathOf(L"test_preference_kept.dat");
    DeleteFileW(path.c_str());
    PreferenceFile p;
    p.Clear();
    wcscpy(p.archive.baseName, L"Mine");
    p.archive.timeStampPosition = 1;
    EXPECT_THROW(p.Load(L"test_preference_kept.dat"), EngExcept::EFileNotFound);
    EXPECT_STREQ(L"Mine", p.archive.baseName);
    EXPECT_STREQ(L"", p.archive.timeStampFormat);
    EXPECT_EQ(0, p.archive.addTimeStamp);
    EXPECT_EQ(1, p.archive.timeStampPosition);
    EXPECT_EQ(shell_folder(CSIDL_PERSONAL), p.archive.outputFolder);
    DeleteFileW(path.c_str());
}

// A byte pattern with no zero bytes, so that every text arrives without a terminator.
std::string Pattern(size_t size)
{
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>('A' + i % 23);
    return s;
}

TEST(PreferenceFileTest, LoadReadsWhatTheFileHoldsAndTerminatesEveryText)
{
    struct Case {
        const char* what;
        size_t fileSize;
    } cases[] = {{"100-byte file", 100}, {"one block and a bit", 9000}, {"exact size", 13506}, {"longer file", 14000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring path = PathOf(L"test_preference_sized.dat");
        write_file(path, Pattern(c.fileSize));
        PreferenceFile p;
        p.Clear();
        EXPECT_NO_THROW(p.Load(L"test_preference_sized.dat"));

        // Expected: the file's bytes over a zero record, each text array's last character zero.
        std::string want = Pattern(std::min<size_t>(c.fileSize, 13506));
        want.resize(13506, '\0');
        for (size_t end : {4096u, 8192u, 8392u, 8400u + 200, 8400u + 404, 8400u + 604, 8400u + 4700, 13104u + 400})
            want[end - 2] = want[end - 1] = 0;
        EXPECT_EQ(want, Bytes(p));
        EXPECT_LT(wcslen(p.archive.timeStampFormat), 100u);
        EXPECT_LT(wcslen(p.cddvd.device), 200u);
        // Loading an existing file never rewrites it.
        EXPECT_EQ(Pattern(c.fileSize), read_file(path));
        DeleteFileW(path.c_str());
    }
}

TEST(PreferenceFileTest, CaseOfTheFileNameDoesNotMatter)
{
    PreferenceFile p;
    p.Clear();
    wcscpy(p.archive.baseName, L"either");
    p.Save(L"test_preference_case.dat");
    PreferenceFile q;
    q.Clear();
    EXPECT_NO_THROW(q.Load(L"TEST_Preference_Case.dat"));
    EXPECT_STREQ(L"either", q.archive.baseName);
    DeleteFileW(PathOf(L"test_preference_case.dat").c_str());
}

TEST(PreferenceFileTest, SaveToAnUncreatablePathThrowsTheFileException)
{
    PreferenceFile p;
    p.Clear();
    EXPECT_THROW(p.Save(L"no such folder\\preference.dat"), CFileException);
    EXPECT_THROW(p.Load(L"no such folder\\preference.dat"), CFileException);
}

}  // namespace
