#include "crash_chain.h"
#include "test_files.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cstring>

namespace {

std::wstring Widen(const char* text)
{
    return std::wstring(text, text + std::strlen(text));
}

void Start(Process& process, const std::wstring& exe, std::wstring commandLine)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        throw uitest::Failure("cannot start " + uitest::narrow(exe));
    CloseHandle(info.hThread);
    process.handle = info.hProcess;
    process.id = info.dwProcessId;
}

// A process that `parent` started with this file name, or 0.
DWORD FindChild(DWORD parent, const wchar_t* exe)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    DWORD found = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry))
        if (entry.th32ParentProcessID == parent && _wcsicmp(entry.szExeFile, exe) == 0)
            found = entry.th32ProcessID;
    CloseHandle(snapshot);
    return found;
}

struct DialogQuery {
    DWORD pid;
    const std::vector<HWND>* known;
    HWND found;
};

BOOL CALLBACK MatchOtherDialog(HWND w, LPARAM p)
{
    auto& q = *reinterpret_cast<DialogQuery*>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner != q.pid || !IsWindowVisible(w) || uitest::class_of(w) != L"#32770")
        return TRUE;
    for (HWND k : *q.known)
        if (k == w)
            return TRUE;
    q.found = w;
    return FALSE;
}

}  // namespace

Minidump ReadMinidump(const std::wstring& path)
{
    const std::string file = read_file(path);
    const std::vector<unsigned char> bytes(file.begin(), file.end());
    auto u32 = [&](size_t at) -> uint32_t {
        if (at + 4 > bytes.size())
            throw uitest::Failure("minidump cut short");
        return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
    };
    Minidump dump;
    dump.signature = u32(0) == 0x504D444D;
    dump.flags = u32(24) | static_cast<uint64_t>(u32(28)) << 32;
    const uint32_t streams = u32(8), directory = u32(12);
    for (uint32_t i = 0; i < streams; ++i) {
        const uint32_t type = u32(directory + 12 * i), rva = u32(directory + 12 * i + 8);
        if (type == 6) {  // ExceptionStream: thread id, alignment, exception record
            dump.hasException = true;
            dump.exceptionThread = u32(rva);
            dump.exceptionCode = u32(rva + 8);
        } else if (type == 3) {  // ThreadListStream: count, then 48-byte records
            for (uint32_t t = 0, n = u32(rva); t < n; ++t)
                dump.threads.push_back(u32(rva + 4 + 48 * t));
        }
    }
    return dump;
}

Process::~Process()
{
    if (!handle)
        return;
    if (running()) {
        TerminateProcess(handle, 1);
        WaitForSingleObject(handle, 10000);  // its files are free only once it is gone
    }
    CloseHandle(handle);
}

void AnswerSaveBox(DWORD pid, const std::wstring& path)
{
    HWND box = uitest::wait_window(L"Save As", L"#32770", pid);
    uitest::set_text(uitest::first_descendant(box, L"Edit"), path);
    uitest::press(box, IDOK);
}

HWND WaitOtherDialog(DWORD pid, const std::vector<HWND>& known)
{
    DialogQuery q{pid, &known, nullptr};
    uitest::require(
        [&] {
            EnumWindows(MatchOtherDialog, reinterpret_cast<LPARAM>(&q));
            return q.found != nullptr;
        },
        "another dialog");
    return q.found;
}

std::wstring ReadAndCloseBox(const wchar_t* caption, DWORD pid)
{
    HWND box = uitest::wait_window(caption, L"#32770", pid);
    std::wstring message;
    for (HWND text : uitest::descendants(box, L"Static"))
        if (GetDlgCtrlID(text) == 0xFFFF)
            message += uitest::text(text);  // the box's message text
    uitest::press(box, IDOK);
    uitest::wait_gone(box);
    return message;
}

bool EndsWithoutWindow(const Process& process, const wchar_t* watch)
{
    bool seen = false;
    uitest::require(
        [&] {
            seen = seen || uitest::find_window(watch, nullptr, process.id) != nullptr;
            return !process.running();
        },
        "process to end");
    return !seen;
}

bool EndsWithoutChild(const Process& process, const wchar_t* exe)
{
    bool seen = false;
    uitest::require(
        [&] {
            seen = seen || FindChild(process.id, exe) != 0;
            return !process.running();
        },
        "process to end");
    return !seen;
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void CrashChain::SetUp()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    // A folder per test: the debugger Wine starts after a crash may still
    // hold the last test's probe open.
    const char* test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder_ =
        std::wstring(temp) + L"brisvale crash " + std::to_wstring(GetCurrentProcessId()) + L" " + Widen(test) + L"\\";
    CreateDirectoryW(folder_.c_str(), nullptr);
    probe_ = folder_ + L"korvane probe.exe";
    reporter_ = folder_ + L"pellisk.exe";
    ASSERT_TRUE(CopyFileW(Widen(CRASH_PROBE_EXE).c_str(), probe_.c_str(), FALSE));
}

void CrashChain::TearDown()
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder_ + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do
            DeleteFileW((folder_ + found.cFileName).c_str());
        while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder_.c_str());
}

void CrashChain::InstallReporter()
{
    ASSERT_TRUE(CopyFileW(Widen(PELLISK_EXE).c_str(), reporter_.c_str(), FALSE));
}

DWORD CrashChain::Crash(Process& probe, const wchar_t* mode)
{
    const std::wstring report = folder_ + L"probe report.txt";
    DeleteFileW(report.c_str());
    Start(probe, probe_, L"\"" + probe_ + L"\" " + mode + L" \"" + report + L"\"");
    unsigned long pid = 0, tid = 0;
    uitest::require(
        [&] {
            FILE* f = _wfopen(report.c_str(), L"r");
            if (!f)
                return false;
            const bool told = fscanf(f, "%lu %lu", &pid, &tid) == 2;
            fclose(f);
            return told;
        },
        "probe report");
    EXPECT_EQ(probe.id, pid);
    return tid;
}

void CrashChain::StartReporter(Process& pellisk, std::wstring commandLine)
{
    Start(pellisk, reporter_, std::move(commandLine));
}

HWND CrashChain::WaitCrashDialog(const Process& probe, Process& pellisk)
{
    uitest::require([&] { return (pellisk.id = FindChild(probe.id, L"pellisk.exe")) != 0; }, "Pellisk to start");
    pellisk.handle = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pellisk.id);
    if (!pellisk.handle)
        throw uitest::Failure("cannot open Pellisk");
    return WaitCrashDialog(pellisk);
}

HWND CrashChain::WaitCrashDialog(const Process& pellisk)
{
    return uitest::wait_window(kCrashDialog, L"#32770", pellisk.id);
}
