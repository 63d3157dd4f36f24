#include <gtest/gtest.h>

#include "watch_list.h"

#include <windows.h>
#include <algorithm>
#include <string>
#include <vector>

namespace {

std::wstring Dir(const std::wstring& path)
{
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::wstring IdleChild()
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return Dir(self) + L"model_idle_child.exe";
}

// A running copy of the idle child under the given image name, ended when the object goes.
class ChildProcess {
public:
    ChildProcess(const std::wstring& folderName, const std::wstring& exeName)
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        const std::wstring folder = std::wstring(temp) + folderName;
        CreateDirectoryW(folder.c_str(), nullptr);
        path_ = folder + L"\\" + exeName;
        EXPECT_TRUE(CopyFileW(IdleChild().c_str(), path_.c_str(), FALSE)) << GetLastError();
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        std::wstring cmd = L"\"" + path_ + L"\"";
        EXPECT_TRUE(CreateProcessW(path_.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_));
        CloseHandle(pi_.hThread);
    }
    ~ChildProcess()
    {
        TerminateProcess(pi_.hProcess, 0);
        WaitForSingleObject(pi_.hProcess, 10000);
        CloseHandle(pi_.hProcess);
        DeleteFileW(path_.c_str());
    }
    DWORD Id() const { return pi_.dwProcessId; }

private:
    std::wstring path_;
    PROCESS_INFORMATION pi_ = {};
};

std::vector<DWORD> Ids(const std::vector<ProcessEntry>& entries, size_t from = 0)
{
    std::vector<DWORD> ids;
    for (size_t i = from; i < entries.size(); ++i)
        ids.push_back(entries[i].processId);
    std::sort(ids.begin(), ids.end());
    return ids;
}

TEST(ProcessWatchListTest, NewListWatchesTheMailClient)
{
    ProcessWatchList list;
    std::vector<ProcessEntry> found;
    EXPECT_EQ(0, list.FindRunning(found, true));
    EXPECT_TRUE(found.empty());
}

TEST(ProcessWatchListTest, FindsEveryRunningCopyWhateverTheCase)
{
    ChildProcess lower(L"brisvale_watch_a", L"msimn.exe");
    ChildProcess upper(L"brisvale_watch_b", L"MSIMN.EXE");
    ChildProcess longer(L"brisvale_watch_c", L"msimn.exe.exe");  // begins with the name: no match

    ProcessWatchList list;
    std::vector<ProcessEntry> found;
    ASSERT_EQ(2, list.FindRunning(found, true));
    std::vector<DWORD> want = {lower.Id(), upper.Id()};
    std::sort(want.begin(), want.end());
    EXPECT_EQ(want, Ids(found));
    for (const ProcessEntry& e : found) {
        EXPECT_STREQ(L"msimn.exe", e.exeName);
        EXPECT_STREQ(L"Outlook Express", e.displayName);
    }

    // Without clearing, results are appended and only the new ones counted.
    EXPECT_EQ(2, list.FindRunning(found, false));
    EXPECT_EQ(4u, found.size());
    EXPECT_EQ(want, Ids(found, 2));
}

TEST(ProcessWatchListTest, AddedWatchesMatchTheirOwnNames)
{
    ChildProcess other(L"brisvale_watch_d", L"Other Client.exe");
    ProcessWatchList list;
    list.AddWatch(L"other client.EXE", L"Other");
    std::vector<ProcessEntry> found(1);
    ASSERT_EQ(1, list.FindRunning(found, true));
    ASSERT_EQ(1u, found.size());
    EXPECT_EQ(other.Id(), found[0].processId);
    EXPECT_STREQ(L"Other", found[0].displayName);
}

}  // namespace
