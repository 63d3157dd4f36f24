// The tests' whole-file helpers: bytes come back as written, and a write that
// cannot be done fails at once, naming its path.
#include <gtest/gtest.h>
#include <stdexcept>
#include "scratch.h"
#include "test_files.h"
#include "ui_driver.h"

TEST(TestFiles, BytesComeBackAsWrittenAndAMissingFileReadsEmpty)
{
    const std::wstring folder = fresh_scratch_folder(L"brisvale-test-files");
    const std::string bytes("a\0b\r\n\xff", 6);
    write_file(folder + L"\\f.bin", bytes);
    EXPECT_EQ(bytes, read_file(folder + L"\\f.bin"));
    write_file(folder + L"\\f.bin", "");
    EXPECT_EQ("", read_file(folder + L"\\f.bin"));
    EXPECT_EQ("", read_file(folder + L"\\missing.bin"));
}

TEST(TestFiles, AWriteThatCannotBeDoneThrowsNamingThePath)
{
    const std::wstring path = fresh_scratch_folder(L"brisvale-test-files") + L"\\no such folder\\f.bin";
    try {
        write_file(path, "x");
        ADD_FAILURE() << "the write reported nothing";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string::npos, std::string(e.what()).find(uitest::narrow(path))) << e.what();
    }
}
