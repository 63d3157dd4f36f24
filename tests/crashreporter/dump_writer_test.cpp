#include "dump_writer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring TempFolder()
{
    wchar_t buffer[MAX_PATH];
    GetTempPathW(MAX_PATH, buffer);
    return buffer;
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Fault(void*)
{
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;
}

void Count(void* counter)
{
    ++*static_cast<int*>(counter);
}

TEST(DumpWriter, StructuredExceptionBecomesCSEHExceptionAndTheProcessGoesOn)
{
    for (int round = 0; round < 2; ++round) {
        try {
            RunTranslated(Fault, nullptr);
            ADD_FAILURE() << "no exception";
        } catch (const CSEHException& e) {
            EXPECT_EQ(static_cast<uint32_t>(EXCEPTION_ACCESS_VIOLATION), e.code);
        }
        int calls = 0;
        EXPECT_NO_THROW(RunTranslated(Count, &calls));
        EXPECT_EQ(1, calls);
    }
}

TEST(DumpWriter, MissingFolderIsAFileErrorWithTheFullPath)
{
    const std::wstring path = TempFolder() + L"no such folder\\crash.dmp";
    try {
        WriteDump(0, static_cast<int32_t>(GetCurrentProcessId()), static_cast<int32_t>(GetCurrentThreadId()), path);
        ADD_FAILURE() << "no exception";
    } catch (const CFileError& e) {
        EXPECT_EQ(path, e.name);
        EXPECT_EQ(0, e.code);
    }
}

TEST(DumpWriter, LockedFileIsAFileErrorAndStaysUntouched)
{
    const std::wstring path = TempFolder() + L"locked crash.dmp";
    HANDLE holder = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    DWORD written = 0;
    WriteFile(holder, "keep", 4, &written, nullptr);
    EXPECT_THROW(WriteDump(0, static_cast<int32_t>(GetCurrentProcessId()), 1, path), CFileError);
    CloseHandle(holder);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(4u, data.nFileSizeLow);
    DeleteFileW(path.c_str());
}

// The process cannot be opened: no dump, and no empty file passed off as one.
TEST(DumpWriter, UnopenableProcessIsADumpErrorAndLeavesNoFile)
{
    const std::wstring path = TempFolder() + L"no process crash.dmp";
    DeleteFileW(path.c_str());
    try {
        WriteDump(56, 0, 12, path);
        ADD_FAILURE() << "no exception";
    } catch (const CDumpError& e) {
        EXPECT_EQ(path, e.name);
    }
    EXPECT_FALSE(Exists(path));
}

}  // namespace
