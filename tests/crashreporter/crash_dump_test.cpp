// A crash of the probe ends in a minidump saved through Pellisk's dialog.
#include "crash_chain.h"

#include <algorithm>

namespace {

TEST_F(CrashChain, CrashEndsInAMinidumpNamingTheCrashedThread)
{
    InstallReporter();
    struct Case {
        const wchar_t* mode;
        uint32_t code;  // 0: any (an uncaught C++ exception is raised differently per target)
    } cases[] = {
        {L"access", EXCEPTION_ACCESS_VIOLATION},
        {L"worker", EXCEPTION_ACCESS_VIOLATION},
        {L"overflow", EXCEPTION_STACK_OVERFLOW},
        {L"throw", 0},
    };
    for (const auto& c : cases)
        try {
            SCOPED_TRACE(uitest::narrow(c.mode));
            Process probe, pellisk;
            const DWORD crashed = Crash(probe, c.mode);
            HWND dialog = WaitCrashDialog(probe, pellisk);
            EXPECT_EQ(L"&Save and exit", uitest::text(uitest::child(dialog, IDC_SAVE)));
            EXPECT_EQ(L"&No, thank you", uitest::text(uitest::child(dialog, IDCANCEL)));

            // Typed without an extension: the box adds ".dmp".
            const std::wstring dump = folder_ + c.mode + L" crash";
            uitest::press(dialog, IDC_SAVE);
            AnswerSaveBox(pellisk.id, dump);
            EXPECT_EQ(2u, uitest::wait_exit(pellisk.handle, kDumpTimeout));
            uitest::wait_exit(probe.handle);

            const Minidump read = ReadMinidump(dump + L".dmp");
            EXPECT_TRUE(read.signature);
            EXPECT_EQ(0x2000u, read.flags & 0x2000u);  // MiniDumpWithCodeSegs
            ASSERT_TRUE(read.hasException);
            EXPECT_EQ(crashed, read.exceptionThread);
            if (c.code) {
                EXPECT_EQ(c.code, read.exceptionCode);
            }
            EXPECT_NE(read.threads.end(), std::find(read.threads.begin(), read.threads.end(), crashed));
        } catch (const std::exception& e) {
            ADD_FAILURE() << uitest::narrow(c.mode) << ": " << e.what();
        }
}

TEST_F(CrashChain, ExistingFileIsReplacedAfterTheQuestion)
{
    InstallReporter();
    const std::wstring dump = folder_ + L"old.dmp";
    {
        HANDLE old = CreateFileW(dump.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(old, "old contents", 12, &written, nullptr);
        CloseHandle(old);
    }
    Process probe, pellisk;
    const DWORD crashed = Crash(probe, L"access");
    HWND dialog = WaitCrashDialog(probe, pellisk);
    uitest::press(dialog, IDC_SAVE);
    HWND box = uitest::wait_window(L"Save As", L"#32770", pellisk.id);
    uitest::set_text(uitest::first_descendant(box, L"Edit"), dump);
    uitest::press(box, IDOK);
    uitest::press(WaitOtherDialog(pellisk.id, {dialog, box}), IDYES);
    EXPECT_EQ(2u, uitest::wait_exit(pellisk.handle, kDumpTimeout));
    uitest::wait_exit(probe.handle);
    const Minidump read = ReadMinidump(dump);
    EXPECT_TRUE(read.signature);
    EXPECT_EQ(crashed, read.exceptionThread);
}

}  // namespace
