// Pellisk's dialog and command line, and the filter without a reporter.
#include "crash_chain.h"

namespace {

TEST_F(CrashChain, NoThankYouEndsWithTwoAndWritesNothing)
{
    InstallReporter();
    Process probe, pellisk;
    Crash(probe, L"access");
    HWND dialog = WaitCrashDialog(probe, pellisk);
    EXPECT_TRUE(probe.running());  // the filter waits for the reporter
    uitest::press(dialog, IDCANCEL);
    EXPECT_EQ(2u, uitest::wait_exit(pellisk.handle));
    uitest::wait_exit(probe.handle);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder_ + L"*.dmp").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, search);
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

TEST_F(CrashChain, MissingFolderGivesFileErrorWithTheFullPathAndTheDialogStays)
{
    InstallReporter();
    Process probe, pellisk;
    Crash(probe, L"access");
    HWND dialog = WaitCrashDialog(probe, pellisk);
    const std::wstring dump = folder_ + L"no such folder\\crash.dmp";
    uitest::press(dialog, IDC_SAVE);
    AnswerSaveBox(pellisk.id, dump);
    EXPECT_EQ(L"Cannot create file! Filename: [" + dump + L"]", ReadAndCloseBox(L"File error!", pellisk.id));
    EXPECT_TRUE(IsWindowVisible(dialog));
    uitest::press(dialog, IDCANCEL);
    EXPECT_EQ(2u, uitest::wait_exit(pellisk.handle));
    uitest::wait_exit(probe.handle);
}

// A process that cannot be opened: the user is told, no empty file is left
// and the dialog stays for another try.
TEST_F(CrashChain, UnwritableDumpIsReportedAndLeavesNoFile)
{
    InstallReporter();
    Process pellisk;
    StartReporter(pellisk, L"\"" + reporter_ + L"\" 12 0 56");
    HWND dialog = WaitCrashDialog(pellisk);
    const std::wstring dump = folder_ + L"crash.dmp";
    uitest::press(dialog, IDC_SAVE);
    AnswerSaveBox(pellisk.id, dump);
    EXPECT_EQ(L"Cannot write the error information! Filename: [" + dump + L"]",
              ReadAndCloseBox(L"File error!", pellisk.id));
    EXPECT_FALSE(Exists(dump));
    EXPECT_TRUE(IsWindowVisible(dialog));
    uitest::press(dialog, IDCANCEL);
    EXPECT_EQ(2u, uitest::wait_exit(pellisk.handle));
}

TEST_F(CrashChain, MissingReporterLetsTheCrashGoOn)
{
    Process probe;
    Crash(probe, L"access");
    EXPECT_TRUE(EndsWithoutChild(probe, L"pellisk.exe"));
}

// Started by hand: only a tail of three fields shows the dialog. The runtime
// skips a quoted program token whole; an unquoted one ends at its first
// blank, and the rest of the path becomes a field.
TEST_F(CrashChain, ReporterCommandLineDecidesWhetherTheDialogShows)
{
    InstallReporter();
    struct Case {
        std::wstring commandLine;
        bool dialog;
    } cases[] = {
        {L"\"" + reporter_ + L"\"", false},
        {L"\"" + reporter_ + L"\" 12 34", false},
        {L"\"" + reporter_ + L"\"\t12 34 56", true},
        {reporter_ + L" 12 34", true},
    };
    for (const auto& c : cases)
        try {
            SCOPED_TRACE(uitest::narrow(c.commandLine));
            Process pellisk;
            StartReporter(pellisk, c.commandLine);
            if (c.dialog) {
                uitest::press(WaitCrashDialog(pellisk), IDCANCEL);
                EXPECT_EQ(2u, uitest::wait_exit(pellisk.handle));
            } else {
                EXPECT_TRUE(EndsWithoutWindow(pellisk, kCrashDialog));
                EXPECT_EQ(0u, uitest::wait_exit(pellisk.handle));
            }
        } catch (const std::exception& e) {
            ADD_FAILURE() << uitest::narrow(c.commandLine) << ": " << e.what();
        }
}

}  // namespace
