#pragma once
// The programs that must not run during a backup or restore, and a search for their running processes.
#include <cstdint>
#include <vector>

struct ProcessEntry {
    wchar_t exeName[256];      // executable file name to match, case-insensitively
    wchar_t displayName[256];  // shown to the user
    uint32_t processId;        // 0 in the watch list; the running process in a result
};

class ProcessWatchList {
public:
    // Watches the mail client.
    ProcessWatchList();

    void AddWatch(const wchar_t* exeName, const wchar_t* displayName);
    // Appends one entry per running watched process (after clearing out when clearFirst) and returns how many,
    // or -1 when no process snapshot can be taken.
    int FindRunning(std::vector<ProcessEntry>& out, bool clearFirst) const;

private:
    std::vector<ProcessEntry> watches_;
};
