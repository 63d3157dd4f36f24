#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "eng_except.h"
#include "engine_test_util.h"
#include "backup_item.h"
#include "progress.h"
#include "source_nodes.h"
#include "source_readers.h"

#include <winioctl.h>

namespace {

using Bytes = std::vector<uint8_t>;

std::wstring describe(const FileNode& n)
{
    return (n.is_dir() ? L"D " : L"F ") + n.path() + L"|" + n.name();
}
std::wstring describe(const RegNode& n)
{
    return (n.is_key() ? L"K " : L"V ") + std::wstring(n.key_path()) + L"|" + n.value_name();
}

template <class Node>
std::vector<std::wstring> describe(const std::vector<Node>& list)
{
    std::vector<std::wstring> out;
    for (const Node& n : list)
        out.push_back(describe(n));
    return out;
}

FileItem file_item(const std::wstring& folder, const std::wstring& name)
{
    FileItem item{};
    wcsncpy(item.folder, folder.c_str(), 2047);
    wcsncpy(item.name, name.c_str(), 2047);
    return item;
}

}  // namespace

TEST(SourceTreeTest, FolderListIsPreOrderBySiblingBlocksAndOnlyTheRootIsTrimmed)
{
    TempDir dir;
    write_bytes(dir / L"a.txt", {1});
    write_bytes(dir / L"b.txt", {2});
    CreateDirectoryW((dir / L"S").c_str(), nullptr);
    write_bytes(dir / L"S\\c.txt", {3});
    CreateDirectoryW((dir / L"T").c_str(), nullptr);
    // A subfolder whose name begins with a space keeps it.
    CreateDirectoryW((dir / L"T\\ lead").c_str(), nullptr);
    write_bytes(dir / L"T\\ lead\\d.txt", {4});
    CreateDirectoryW((dir / L"U").c_str(), nullptr);

    const std::wstring root = dir.path();
    for (const std::wstring& given : {root, L"  " + root + L"  ", root + L"\\"}) {
        CustomFolderBuilder builder;
        builder.set_folder(given);
        FileTree tree;
        tree.build(builder.build_root());
        const std::wstring base = given.back() == L'\\' ? root + L"\\" : root;
        const std::wstring sep = given.back() == L'\\' ? L"" : L"\\";
        const std::vector<std::wstring> expected = {
            L"F " + base + L"|a.txt",          L"F " + base + L"|b.txt",
            L"D " + base + sep + L"S|",        L"D " + base + sep + L"T|",
            L"D " + base + sep + L"U|",        L"F " + base + sep + L"S|c.txt",
            L"D " + base + sep + L"T\\ lead|", L"F " + base + sep + L"T\\ lead|d.txt",
        };
        EXPECT_EQ(describe(tree.list()), expected);
    }
}

TEST(SourceTreeTest, EmptyAndMissingSources)
{
    TempDir dir;
    CustomFolderBuilder empty;
    empty.set_folder(dir.path());
    FileTree tree;
    tree.build(empty.build_root());
    EXPECT_TRUE(tree.list().empty());

    CustomFolderBuilder missing;
    missing.set_folder(dir / L"absent");
    try {
        missing.build_root();
        ADD_FAILURE() << "a missing folder was taken";
    } catch (const EngExcept::EFolderNotFound& e) {
        EXPECT_EQ(dir / L"absent", e.get_folder());  // the box names the folder
    }

    TestKey key;
    CustomRegistryBuilder onlyHere;
    onlyHere.set_key(HKEY_LOCAL_MACHINE, key.path());
    try {
        onlyHere.build_root();
        ADD_FAILURE() << "a key that exists only under another root counts as missing";
    } catch (EngExcept::EFailedToOpenRegKey& e) {
        EXPECT_EQ(e.get_message(), L"Failed to open key path: " + key.path());
    }
    CustomRegistryBuilder emptyKey;
    emptyKey.set_key(HKEY_CURRENT_USER, key.path());
    RegTree regTree;
    regTree.build(emptyKey.build_root());
    EXPECT_TRUE(regTree.list().empty());
}

TEST(SourceTreeTest, RegistryListHasSubkeysBeforeValuesAndTheDefaultValueUnnamed)
{
    TestKey key;
    key.set(L"", L"", REG_SZ, {'d', 0, 0, 0});
    key.set(L"", L"v1", REG_DWORD, {1, 0, 0, 0});
    key.set(L"A", L"x", REG_DWORD, {2, 0, 0, 0});
    key.set(L"A\\Deep", L"y", REG_DWORD, {3, 0, 0, 0});
    key.set(L"B", L"z", REG_DWORD, {4, 0, 0, 0});

    CustomRegistryBuilder builder;
    builder.set_key(HKEY_CURRENT_USER, key.path());
    RegTree tree;
    tree.build(builder.build_root());
    const std::wstring k = key.path();
    std::vector<std::wstring> list = describe(tree.list());
    // Values within one key come in the registry's order.
    std::sort(list.begin() + 2, list.begin() + 4);
    const std::vector<std::wstring> expected = {
        L"K " + k + L"\\A|",       L"K " + k + L"\\B|",  L"V " + k + L"|",           L"V " + k + L"|v1",
        L"K " + k + L"\\A\\Deep|", L"V " + k + L"\\A|x", L"V " + k + L"\\A\\Deep|y", L"V " + k + L"\\B|z",
    };
    EXPECT_EQ(list, expected);
    for (const RegNode& node : tree.list())
        EXPECT_EQ(node.root(), HKEY_CURRENT_USER);
}

// Wine runs Unix programs given by their Unix path; each gets up to 10 s
// until `done` holds (Wine does not wait on Unix processes). Paths in the
// command line are quoted: the build folder may hold spaces.
template <class Done>
bool run_unix(const std::wstring& commandLine, Done done)
{
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    const std::wstring program = L"Z:" + commandLine.substr(0, commandLine.find(L' '));
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    for (int i = 0; i < 200 && !done(); ++i)
        Sleep(50);
    return done();
}

std::wstring unix_path(const std::wstring& path)
{
    using UnixName = char* (*)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (!unixName)
        return L"";
    char* name = unixName(path.c_str());
    const std::wstring out(name, name + strlen(name));
    HeapFree(GetProcessHeap(), 0, name);
    return out;
}

// A folder link to `target`: a Unix symbolic link under Wine (which shows it
// as a reparse point), a junction on Windows.
bool make_folder_link(const std::wstring& link, const std::wstring& target)
{
    const std::wstring unixTarget = unix_path(target);
    if (!unixTarget.empty()) {
        std::wstring leaf = link.substr(target.size());
        std::replace(leaf.begin(), leaf.end(), L'\\', L'/');
        run_unix(L"/bin/ln -s \"" + unixTarget + L"\" \"" + unixTarget + leaf + L"\"",
                 [&] { return GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES; });
    } else {
        CreateDirectoryW(link.c_str(), nullptr);
        HANDLE h = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        const std::wstring nt = L"\\??\\" + target;
        std::vector<uint8_t> buf(16 + (nt.size() + 2) * 2);
        auto put16 = [&](size_t at, size_t v) {
            buf[at] = uint8_t(v);
            buf[at + 1] = uint8_t(v >> 8);
        };
        put_u32(buf, 0, IO_REPARSE_TAG_MOUNT_POINT);
        put16(4, buf.size() - 8);
        put16(10, nt.size() * 2);
        put16(12, (nt.size() + 1) * 2);
        std::memcpy(&buf[16], nt.c_str(), nt.size() * 2);
        DWORD got;
        DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, buf.data(), static_cast<DWORD>(buf.size()), nullptr, 0, &got,
                        nullptr);
        CloseHandle(h);
    }
    const DWORD attributes = GetFileAttributesW(link.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

void remove_folder_link(const std::wstring& link)
{
    const std::wstring unixLink = unix_path(link);
    if (unixLink.empty())
        RemoveDirectoryW(link.c_str());
    else
        run_unix(L"/bin/rm \"" + unixLink + L"\"",
                 [&] { return GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

// A link may point back up the tree; walking it would never end.
TEST(SourceTreeTest, ReparsePointFoldersAreNotWalked)
{
    TempDir dir;
    CreateDirectoryW((dir / L"real").c_str(), nullptr);
    write_bytes(dir / L"real\\f.txt", {1});
    ASSERT_TRUE(make_folder_link(dir / L"loop", dir.path()));

    CustomFolderBuilder builder;
    builder.set_folder(dir.path());
    FileTree tree;
    tree.build(builder.build_root());
    const std::vector<std::wstring> expected = {L"D " + dir.path() + L"\\real|", L"F " + dir.path() + L"\\real|f.txt"};
    EXPECT_EQ(describe(tree.list()), expected);
    remove_folder_link(dir / L"loop");
}

TEST(FileReaderTest, OpenSkipsWhatMustNotBeStoredAndNeverCreatesTheSource)
{
    TempDir dir;
    write_bytes(dir / L"mail.dbx", make_data(1000, DataKind::Text));
    const std::wstring archive = dir / L"Backup.bvk";
    FileReader reader(&archive);

    EXPECT_EQ(reader.source_open(file_item(dir.path(), L"")), SourceOpen::NotStored) << "folder node";
    std::wstring upper = archive;
    for (wchar_t& c : upper)
        c = towupper(c);
    write_bytes(archive, {1, 2, 3});
    EXPECT_EQ(reader.source_open(file_item(dir.path(), L"BACKUP.BVK")), SourceOpen::NotStored) << "the archive itself";

    EXPECT_EQ(reader.source_open(file_item(dir.path(), L"vanished.dbx")), SourceOpen::LeftOut);
    EXPECT_EQ(reader.source_name(), dir / L"vanished.dbx");
    EXPECT_EQ(GetFileAttributesW((dir / L"vanished.dbx").c_str()), INVALID_FILE_ATTRIBUTES) << "never created";
    EXPECT_EQ(reader.source_open(file_item(dir / L"gone", L"x.dbx")), SourceOpen::LeftOut);
    EXPECT_EQ(GetFileAttributesW((dir / L"gone").c_str()), INVALID_FILE_ATTRIBUTES);

    ASSERT_EQ(reader.source_open(file_item(dir.path(), L"mail.dbx")), SourceOpen::Opened);
    EXPECT_EQ(reader.source_size(), 1000u);
    Bytes buf(800);
    EXPECT_EQ(reader.source_read_buff(buf.data(), 800), 800);
    EXPECT_EQ(reader.source_read_buff(buf.data(), 800), 200);
    EXPECT_EQ(reader.source_read_buff(buf.data(), 800), 0);
    reader.source_close();
    reader.source_close();
}

// A file whose whole path is past the length limit is read like any other,
// never taken for one that has vanished.
TEST(FileReaderTest, PathsPastTheLengthLimitAreRead)
{
    TempDir dir;
    std::wstring deep = dir.path();
    while (deep.size() < 2 * MAX_PATH) {
        deep += L"\\" + std::wstring(60, L'd');
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr));
    }
    write_bytes(L"\\\\?\\" + deep + L"\\Inbox.dbx", make_data(300000, DataKind::Text));
    const std::wstring archive = dir / L"Backup.bvk";
    FileReader reader(&archive);
    ASSERT_EQ(reader.source_open(file_item(deep, L"Inbox.dbx")), SourceOpen::Opened);
    EXPECT_EQ(reader.source_size(), 300000u);
    Bytes all(300000), buf(kChunkPiece);
    size_t got = 0;
    for (int32_t n; (n = reader.source_read_buff(buf.data(), kChunkPiece)) > 0; got += n)
        std::copy(buf.begin(), buf.begin() + n, all.begin() + got);
    EXPECT_EQ(got, 300000u);
    EXPECT_EQ(all, make_data(300000, DataKind::Text));
    reader.source_close();
    EXPECT_EQ(reader.source_open(file_item(deep, L"Outbox.dbx")), SourceOpen::LeftOut);
    EXPECT_EQ(reader.source_open(file_item(deep + L"\\gone", L"Inbox.dbx")), SourceOpen::LeftOut);

    EXPECT_EQ(sum_file_sizes({FileNode(deep, false, L"Inbox.dbx", L"*.*")}), 300000u) << "counted as it is read";
    remove_tree(L"\\\\?\\" + dir.path() + L"\\" + std::wstring(60, L'd'));
}

TEST(FileReaderTest, SharesWithWritersButNotWithExclusiveHolders)
{
    TempDir dir;
    const std::wstring path = dir / L"Inbox.dbx";
    write_bytes(path, make_data(100, DataKind::Text));
    const std::wstring archive = dir / L"a.bvk";
    FileReader reader(&archive);
    {
        // The mail client keeps its store open for writing.
        HANDLE client = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(client, INVALID_HANDLE_VALUE);
        EXPECT_EQ(reader.source_open(file_item(dir.path(), L"Inbox.dbx")), SourceOpen::Opened);
        reader.source_close();
        CloseHandle(client);
    }
    HANDLE exclusive = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    try {
        reader.source_open(file_item(dir.path(), L"Inbox.dbx"));
        ADD_FAILURE() << "an exclusively held file must be reported";
    } catch (EngExcept::FileException& e) {
        EXPECT_EQ(e.get_message(), L"FileReader::source_open(): Failed to open file!");
        EXPECT_EQ(e.get_detail(), path);
    }
    CloseHandle(exclusive);
}

TEST(FileReaderTest, ProfileFoldersComeBackInVariableForm)
{
    TempDir inProfile(expand(L"%APPDATA%"));
    write_bytes(inProfile / L"f.txt", {1});
    const std::wstring leaf = inProfile.path().substr(inProfile.path().rfind(L'\\'));
    TempDir outside(L"Z:\\tmp");
    write_bytes(outside / L"f.txt", {1});
    const std::wstring archive = L"Z:\\nowhere.bvk";
    FileReader reader(&archive);

    ASSERT_EQ(reader.source_open(file_item(inProfile.path(), L"f.txt")), SourceOpen::Opened);
    EXPECT_EQ(std::wstring(reader.source_item().folder), L"%APPDATA%" + leaf);
    EXPECT_EQ(std::wstring(reader.source_item().name), L"f.txt");
    reader.source_close();
    ASSERT_EQ(reader.source_open(file_item(outside.path(), L"f.txt")), SourceOpen::Opened);
    EXPECT_EQ(std::wstring(reader.source_item().folder), outside.path());
}

TEST(RegReaderTest, ValuesAreHandedOutInPiecesWithTheirType)
{
    TestKey key;
    key.set(L"", L"empty", REG_BINARY, {});
    key.set(L"", L"big", REG_BINARY, make_data(500000, DataKind::Random));
    RegReader reader(nullptr);
    RegItem item{};
    item.root = reg_root_value(HKEY_CURRENT_USER);
    wcscpy(item.key, key.path().c_str());

    wcscpy(item.value, L"empty");
    ASSERT_EQ(reader.source_open(item), SourceOpen::Opened);
    EXPECT_EQ(reader.source_size(), 0u);
    Bytes buf(kChunkPiece);
    EXPECT_EQ(reader.source_read_buff(buf.data(), kChunkPiece), 0);
    EXPECT_EQ(reader.source_item().type, uint32_t(REG_BINARY));

    wcscpy(item.value, L"big");
    ASSERT_EQ(reader.source_open(item), SourceOpen::Opened);
    EXPECT_EQ(reader.source_size(), 500000u);
    Bytes all;
    for (int32_t expect : {204800, 204800, 90400, 0}) {
        EXPECT_EQ(reader.source_read_buff(buf.data(), kChunkPiece), expect);
        all.insert(all.end(), buf.begin(), buf.begin() + expect);
    }
    EXPECT_EQ(all, make_data(500000, DataKind::Random));

    wcscpy(item.value, L"missing");
    EXPECT_EQ(reader.source_open(item), SourceOpen::LeftOut);
    EXPECT_EQ(reader.source_name(), key.path() + L"\\missing");
}

TEST(HooksTest, ProgressPostsOnlyWithAWindowAndTheStopFlagMayBeAbsent)
{
    ProgressWindow window;
    MFCProgress progress;
    progress.post_range(100);
    progress.post_position(5);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_ENGINE_PROGRESS, WM_ENGINE_PROGRESS, PM_REMOVE));
    progress.set_target(window.hwnd(), WM_ENGINE_PROGRESS);
    progress.post_range(100);
    progress.post_position(42);
    const std::vector<std::pair<WPARAM, LPARAM>> expected = {{0, 100}, {42, 0}};
    EXPECT_EQ(window.take(WM_ENGINE_PROGRESS), expected);

    MFCThreadCtrl ctrl;
    EXPECT_FALSE(ctrl.is_stopped());
    ctrl.stop();
    EXPECT_FALSE(ctrl.is_stopped());
    std::atomic<bool> flag{false};
    ctrl.set_flag(&flag);
    EXPECT_FALSE(ctrl.is_stopped());
    std::thread([&] { flag.store(true); }).join();
    EXPECT_TRUE(ctrl.is_stopped());
}

// Paths that do not fit the records' arrays are left out whole, never cut.
TEST(SourceTreeTest, NamesBeyondTheRecordArraysAreLeftOutNotCut)
{
    TestKey key;
    const std::wstring level(250, L'k');
    std::wstring sub;
    for (int depth = 1; depth <= 4; ++depth) {
        sub += (sub.empty() ? L"" : L"\\") + level;
        key.set(sub, L"v", REG_DWORD, {1, 0, 0, 0});
    }
    ASSERT_LT(key.path().size() + 1 + 3 * 251, 1024u);
    ASSERT_GT(key.path().size() + 1 + 4 * 251, 1023u);
    HKEY deepest;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (key.path() + L"\\" + sub).c_str(), 0, KEY_READ, &deepest),
              ERROR_SUCCESS);
    RegCloseKey(deepest);
    CustomRegistryBuilder builder;
    builder.set_key(HKEY_CURRENT_USER, key.path());
    RegTree tree;
    tree.build(builder.build_root());
    EXPECT_EQ(tree.list().size(), 6u) << "three levels, each a key and its value";
    for (const RegNode& node : tree.list())
        EXPECT_LT(wcslen(node.key_path()), 1024u);

    EXPECT_NO_THROW(to_file_item(FileNode(L"C:\\x", false, std::wstring(2047, L'n'), L"*.*")));
    EXPECT_THROW(to_file_item(FileNode(L"C:\\x", false, std::wstring(2048, L'n'), L"*.*")), EngExcept::FileException);
    EXPECT_THROW(to_file_item(FileNode(std::wstring(2048, L'f'), true, L"", L"*.*")), EngExcept::FileException);
}
