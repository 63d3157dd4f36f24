#include "watch_list.h"

#include <windows.h>
#include <tlhelp32.h>
#include <cwchar>

namespace {

// Case-insensitive for ASCII letters only, whatever the locale.
bool SameExeName(const wchar_t* a, const wchar_t* b)
{
    for (;; ++a, ++b) {
        wchar_t ca = *a, cb = *b;
        if (ca >= L'A' && ca <= L'Z')
            ca = static_cast<wchar_t>(ca - L'A' + L'a');
        if (cb >= L'A' && cb <= L'Z')
            cb = static_cast<wchar_t>(cb - L'A' + L'a');
        if (ca != cb)
            return false;
        if (!ca)
            return true;
    }
}

}  // namespace

ProcessWatchList::ProcessWatchList()
{
    AddWatch(L"msimn.exe", L"Outlook Express");
}

void ProcessWatchList::AddWatch(const wchar_t* exeName, const wchar_t* displayName)
{
    ProcessEntry entry = {};
    wcsncpy(entry.exeName, exeName, 255);
    wcsncpy(entry.displayName, displayName, 255);
    watches_.push_back(entry);
}

int ProcessWatchList::FindRunning(std::vector<ProcessEntry>& out, bool clearFirst) const
{
    if (clearFirst)
        out.clear();
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    int count = 0;
    PROCESSENTRY32W process = {};
    process.dwSize = sizeof process;
    for (BOOL more = Process32FirstW(snapshot, &process); more; more = Process32NextW(snapshot, &process)) {
        process.szExeFile[MAX_PATH - 1] = 0;
        for (const ProcessEntry& watch : watches_) {
            if (SameExeName(watch.exeName, process.szExeFile)) {
                ProcessEntry found = watch;
                found.processId = process.th32ProcessID;
                out.push_back(found);
                ++count;
                break;
            }
        }
    }
    CloseHandle(snapshot);
    return count;
}
