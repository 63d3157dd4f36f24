#include <gtest/gtest.h>

#include "persistent.h"
#include "preference.h"
#include "quick_settings.h"
#include "test_files.h"

#include <cstring>
#include <string>

namespace {

std::wstring TestPath()
{
    std::wstring path;
    return GetAppDataFilePath(L"test_quick_settings.dat", kProductFolder, path);
}

TEST(QuickSettingsTest, FileIsInTheProductFolder)
{
    std::wstring folder;
    ASSERT_TRUE(GetAppDataFolder(folder, kProductFolder, false));
    EXPECT_EQ(folder + L"\\backup_quick_settings.dat", QuickSettingsPath());
}

TEST(QuickSettingsTest, SaveWrites516BytesWithThePasswordZeroed)
{
    _BackupSettings s;
    std::memset(&s, 0, sizeof s);
    s.compress = 1;
    s.passwordProtected = 1;
    wcscpy(s.password, L"Secret-42");
    s.transfer = 0;
    s.showDefaultSettings = 1;
    SaveQuickSettings(s, TestPath());

    const std::string b = read_file(TestPath());
    ASSERT_EQ(516u, b.size());
    EXPECT_EQ(1, b[0]);
    EXPECT_EQ(1, b[1]);
    EXPECT_EQ(std::string(512, '\0'), b.substr(2, 512)) << "the password must not reach the disk";
    EXPECT_EQ(0, b[514]);
    EXPECT_EQ(1, b[515]);

    const _BackupSettings back = LoadQuickSettings(TestPath());
    EXPECT_EQ(1, back.compress);
    EXPECT_EQ(1, back.passwordProtected);
    EXPECT_EQ(0, back.transfer);
    EXPECT_EQ(1, back.showDefaultSettings);
    EXPECT_STREQ(L"", back.password);
    DeleteFileW(TestPath().c_str());
}

TEST(QuickSettingsTest, LoadTakesWhatTheFileHolds)
{
    struct Case {
        const char* what;
        bool exists;
        size_t size;
        uint8_t compress, protect, transfer, show;
    } cases[] = {
        {"missing", false, 0, 0, 0, 0, 0},          {"empty", true, 0, 0, 0, 0, 0},
        {"10 bytes", true, 10, 7, 8, 0, 0},         {"516 bytes", true, 516, 7, 8, 0xCC, 0xDD},
        {"600 bytes", true, 600, 7, 8, 0xCC, 0xDD},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileW(TestPath().c_str());
        if (c.exists) {
            std::string data(c.size, '\x41');  // every password character 'AA' = U+4141
            if (c.size > 0)
                data[0] = 7;
            if (c.size > 1)
                data[1] = 8;
            if (c.size > 514)
                data[514] = '\xCC';
            if (c.size > 515)
                data[515] = '\xDD';
            write_file(TestPath(), data);
        }
        const _BackupSettings s = LoadQuickSettings(TestPath());
        EXPECT_EQ(c.compress, s.compress);
        EXPECT_EQ(c.protect, s.passwordProtected);
        EXPECT_EQ(c.transfer, s.transfer);
        EXPECT_EQ(c.show, s.showDefaultSettings);
        EXPECT_EQ(0u, wcsnlen(s.password, 256)) << "the password is never read back";
    }
    DeleteFileW(TestPath().c_str());
}

TEST(CFileStreamTest, UnopenableStreamReadsAndWritesNothing)
{
    char buf[8] = {};
    CFileStream stream(L"Z:\\no such folder\\at all\\x.dat", OPEN_EXISTING, GENERIC_READ, FILE_SHARE_READ,
                       FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(0, stream.Read(buf, sizeof buf));
    EXPECT_EQ(0, stream.Write(buf, sizeof buf));
    stream.Close();
    stream.Close();
}

TEST(PersistentTest, LoadPersistentZeroFillsWhatTheStreamDidNotDeliver)
{
    struct Rec {
        int32_t a, b, c;
    };
    // A stream that delivers only its first four bytes.
    class ShortStream : public CStream {
    public:
        int Write(const void*, int) override { return 0; }
        int Read(void* buffer, int length) override
        {
            std::memset(buffer, 0x11, 4);
            return length < 4 ? length : 4;
        }
    } stream;
    Rec r = {5, 6, 7};
    EXPECT_EQ(4, LoadPersistent(r, &stream));
    EXPECT_EQ(0x11111111, r.a);
    EXPECT_EQ(0, r.b);
    EXPECT_EQ(0, r.c);
}

}  // namespace
