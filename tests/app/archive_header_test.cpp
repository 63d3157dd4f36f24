// The archive header: bytes written, files read back, passwords checked.
#include <gtest/gtest.h>
#include <cstring>
#include "archive_header.h"
#include "dialog_check.h"
#include "processors.h"
#include "prompt_recorder.h"
#include "res/resource.h"
#include "ui_driver.h"
#include "ui_fixture.h"

namespace {

const uint8_t* Bytes(const ArchiveHeader& h)
{
    return reinterpret_cast<const uint8_t*>(&h);
}

bool AllZero(const ArchiveHeader& h, int from, int to)
{
    for (int i = from; i < to; ++i)
        if (Bytes(h)[i] != 0)
            return false;
    return true;
}

TEST(ArchiveHeader, TheBlockGrowsWithThePasswordAndStopsAt11Characters)
{
    struct Case {
        std::wstring password;
        bool encrypt;
        int L, P;
    } cases[] = {
        {L"", false, 0, 0},
        {L"a", true, 4, 8},
        {L"abc", true, 8, 8},
        {L"abcd", true, 10, 16},
        {L"abcdefg", true, 16, 16},
        {L"abcdefgh", true, 18, 24},
        {L"abcdefghijk", true, 24, 24},
    };
    for (const Case& c : cases) {
        for (bool compress : {false, true}) {
            auto h = BuildArchiveHeader(compress, c.encrypt, c.password);
            ASSERT_TRUE(h);
            EXPECT_EQ(0, std::memcmp(h->magic, "rvq2", 4));
            EXPECT_EQ(c.L, h->check.plainLength);
            EXPECT_EQ(c.P, h->check.paddedLength);
            EXPECT_TRUE(AllZero(*h, 12 + c.P, 40)) << c.P;
            EXPECT_EQ(c.encrypt ? 1 : 0, h->encrypted);
            EXPECT_EQ(compress ? 1 : 0, h->compressed);
            EXPECT_TRUE(AllZero(*h, 42, 44));
            if (c.encrypt) {
                EXPECT_TRUE(PasswordMatches(*h, c.password));
            }
        }
    }
    EXPECT_FALSE(BuildArchiveHeader(false, true, L"abcdefghijkl"));
}

// An archive written by an independent implementation of the format.
TEST(ArchiveHeader, MatchesAnArchiveWrittenElsewhere)
{
    ArchiveHeader stored;
    ASSERT_TRUE(LoadArchiveHeader(fixture_path(L"archives\\p3-comp-enc.bvk2").c_str(), stored));
    auto built = BuildArchiveHeader(true, true, L"Secret-42");
    ASSERT_TRUE(built);
    EXPECT_EQ(0, std::memcmp(&stored, &*built, sizeof stored));
}

TEST(ArchiveHeader, WritingReplacesAnExistingFile)
{
    std::wstring path = scratch_folder(L"header") + L"\\old.bvk2";
    write_file(path, std::string(1 << 20, 'x'));
    auto h = BuildArchiveHeader(false, false, L"");
    ASSERT_TRUE(WriteArchiveHeader(path.c_str(), *h));
    ArchiveHeader back;
    ASSERT_TRUE(LoadArchiveHeader(path.c_str(), back));
    EXPECT_EQ(0, std::memcmp(&back, &*h, sizeof back));
    WIN32_FILE_ATTRIBUTE_DATA info;
    ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info));
    EXPECT_EQ(44u, info.nFileSizeLow);
}

TEST(ArchiveHeader, AShortFileIsNoHeader)
{
    std::wstring folder = scratch_folder(L"short");
    for (size_t size : {0, 43}) {
        std::wstring path = folder + L"\\" + std::to_wstring(size) + L".bvk2";
        write_file(path, std::string(size, '\1'));
        ArchiveHeader h;
        EXPECT_FALSE(LoadArchiveHeader(path.c_str(), h)) << size;
    }
    ArchiveHeader h;
    EXPECT_FALSE(LoadArchiveHeader((folder + L"\\missing.bvk2").c_str(), h));
}

// A check block is decrypted only when its lengths could come from a writer.
TEST(ArchiveHeader, DamagedCheckBlocksNeverMatch)
{
    auto good = *BuildArchiveHeader(false, true, L"pass");
    struct Case {
        const char* what;
        int32_t L, P;
    } cases[] = {
        {"P beyond the header", 10, 40},   {"L beyond P", 24, 16}, {"odd L", 9, 16},
        {"P not a multiple of 8", 10, 12}, {"negative L", -2, 16}, {"empty", 0, 0},
    };
    for (const Case& c : cases) {
        ArchiveHeader h = good;
        h.check.plainLength = c.L;
        h.check.paddedLength = c.P;
        EXPECT_FALSE(PasswordMatches(h, L"pass")) << c.what;
    }
    // Plain text without its terminator.
    ArchiveHeader h = {};
    DESEncryptor des(L"pass");
    des.process(L"pass", 8);
    std::memcpy(&h.check, des.output_data(), size_t(des.output_size()));
    EXPECT_FALSE(PasswordMatches(h, L"pass"));
    // A block that ends exactly at the last byte is still checked.
    const std::wstring fifteen = L"fifteen-chars!!";
    DESEncryptor full(fifteen);
    full.process(fifteen.c_str(), 32);
    std::memcpy(&h.check, full.output_data(), 40);
    EXPECT_EQ(32, h.check.paddedLength);
    EXPECT_TRUE(PasswordMatches(h, fifteen));
    EXPECT_FALSE(PasswordMatches(h, L"fifteen-chars!?"));
}

class ReadHeader : public ::testing::Test {
protected:
    void SetUp() override { init_common_controls(); }
    // Runs the reader with the password dialog driven: typed text, then OK; or Cancel.
    bool Read(const std::wstring& path, const wchar_t* typed, std::vector<std::string>* clipped = nullptr)
    {
        uitest::Driver driver([&] {
            HWND dlg = uitest::wait_window(L"Enter password", L"#32770", GetCurrentProcessId());
            if (clipped)
                *clipped = capture_and_check(dlg, L"password");
            if (typed)
                uitest::set_text(uitest::child(dlg, IDC_PASSWORD), typed);
            uitest::press(dlg, typed ? IDOK : IDCANCEL);
            uitest::wait_gone(dlg);
        });
        bool ok = ReadArchiveHeader(&sheet.page, path.c_str(), header);
        EXPECT_EQ("", driver.finish());
        sheet.Pump();
        return ok;
    }
    std::string PasswordStored() const { return reinterpret_cast<const char*>(&header.check); }
    SheetRecorder sheet;
    ArchiveHeader header = {};
};

TEST_F(ReadHeader, TheRightPasswordOpensTheArchive)
{
    PromptRecorder prompts;
    std::vector<std::string> clipped;
    EXPECT_TRUE(Read(fixture_path(L"archives\\p3-comp-enc.bvk2"), L"Secret-42", &clipped));
    EXPECT_EQ(std::vector<std::string>{}, clipped);
    EXPECT_EQ("Secret-42", PasswordStored());
    EXPECT_EQ(std::vector<LPARAM>{PSWIZB_BACK | PSWIZB_NEXT}, sheet.wizardButtons);
    EXPECT_TRUE(prompts.seen().empty());
}

TEST_F(ReadHeader, AWrongPasswordOrCancelOffersOnlyBack)
{
    for (const wchar_t* typed : {L"secret-42", L"Secret-4", L"", static_cast<const wchar_t*>(nullptr)}) {
        PromptRecorder prompts;
        sheet.wizardButtons.clear();
        EXPECT_FALSE(Read(fixture_path(L"archives\\p3-comp-enc.bvk2"), typed));
        EXPECT_EQ(std::vector<LPARAM>{PSWIZB_BACK}, sheet.wizardButtons);
        ASSERT_EQ(1u, prompts.seen().size());
        EXPECT_EQ(L"The password you have entered is wrong, please click \"Back\" button and try again!",
                  prompts.seen()[0].text);
        EXPECT_EQ(L"Error", prompts.seen()[0].caption);
        EXPECT_EQ(UINT(MB_ICONERROR), prompts.seen()[0].flags);
        EXPECT_EQ(sheet.page.m_hWnd, prompts.seen()[0].owner);
    }
}

// Not encrypted: no password is asked, whatever the other bytes hold.
TEST_F(ReadHeader, AnArchiveWithoutEncryptionHasTheEmptyPassword)
{
    std::wstring path = scratch_folder(L"plain") + L"\\garbage.bvk2";
    std::string bytes(44, '\x5a');
    bytes[40] = 0;
    write_file(path, bytes);
    for (const std::wstring& p : {fixture_path(L"archives\\p1-plain.bvk2"), path}) {
        EXPECT_TRUE(ReadArchiveHeader(&sheet.page, p.c_str(), header));
        EXPECT_EQ("", PasswordStored());
    }
    sheet.Pump();
    EXPECT_TRUE(sheet.wizardButtons.empty());
}

}  // namespace
