// The crash chain under Wine and Xvfb: a probe standing in for Korvane runs
// Korvane's real crash filter beside the real pellisk.exe, and the tests
// drive Pellisk's real dialog and check what it writes.
#pragma once

#include "resource.h"  // Pellisk's
#include "ui_driver.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

inline const wchar_t* const kCrashDialog = L"Crash handler program";
// Wine's dbghelp reads the debug information of every module before it
// writes a dump, which takes 10 to 20 seconds here.
inline constexpr uitest::milliseconds kDumpTimeout{120000};

// What a minidump file says about the crash.
struct Minidump {
    bool signature = false;  // "MDMP"
    uint64_t flags = 0;      // the dump type
    bool hasException = false;
    uint32_t exceptionThread = 0;
    uint32_t exceptionCode = 0;
    std::vector<uint32_t> threads;
};
Minidump ReadMinidump(const std::wstring& path);

// A process the test started or found; ended when the test is over. Tests
// let a crashed probe end by itself: Wine's debugger, attached to it by
// then, hangs when its process is killed.
class Process {
public:
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();
    bool running() const { return WaitForSingleObject(handle, 0) == WAIT_TIMEOUT; }

    HANDLE handle = nullptr;
    DWORD id = 0;
};

// Answers the save box of process pid with path and OK.
void AnswerSaveBox(DWORD pid, const std::wstring& path);
// Waits for a top-level dialog of process pid that is none of `known`.
HWND WaitOtherDialog(DWORD pid, const std::vector<HWND>& known);
// Waits for a message box of process pid, reads its text and closes it.
std::wstring ReadAndCloseBox(const wchar_t* caption, DWORD pid);
// Waits for process to end; true if it showed no window titled `watch`.
bool EndsWithoutWindow(const Process& process, const wchar_t* watch);
// Waits for process to end; true if it started no process named `exe`.
bool EndsWithoutChild(const Process& process, const wchar_t* exe);
bool Exists(const std::wstring& path);

// Each test gets a program folder whose path holds blanks, with the probe
// standing in for Korvane in it, and Pellisk once InstallReporter is called.
class CrashChain : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void InstallReporter();
    // Starts the probe crashing in `mode`; returns the crashing thread's id.
    DWORD Crash(Process& probe, const wchar_t* mode);
    // Starts pellisk.exe by hand with this whole command line.
    void StartReporter(Process& pellisk, std::wstring commandLine);
    // Waits for the dialog of the Pellisk that the probe started, and opens
    // that Pellisk (other tests may run Pellisk at the same time).
    HWND WaitCrashDialog(const Process& probe, Process& pellisk);
    // Waits for the dialog of a Pellisk the test started itself.
    HWND WaitCrashDialog(const Process& pellisk);

    std::wstring folder_, probe_, reporter_;
};
