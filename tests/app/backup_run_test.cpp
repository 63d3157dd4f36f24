// A backup run through the progress dialog and its worker: real folders and
// registry keys of the test prefix, the archive read back by the engine's own
// reader, and transfers to the loopback FTP server and the disc stand-in.
#include <gtest/gtest.h>
#include <algorithm>
#include <map>
#include <shlobj.h>
#include <shlwapi.h>
#include <stdexcept>
#include "archive_header.h"
#include "backup_dlg.h"
#include "backup_item.h"
#include "backup_transfer_dlg.h"
#include "copier_harness.h"
#include "data_restore.h"
#include "dialog_check.h"
#include "eng_except.h"
#include "fake_item.h"
#include "file.h"
#include "ftp_test_server.h"
#include "preference.h"
#include "prompt_recorder.h"
#include "quick_settings.h"
#include "res/resource.h"
#include "ui_driver.h"
#include "ui_fixture.h"

namespace {

constexpr int kButton = IDC_STOP, kTotal = IDC_TOTAL_PROGRESS, kCurrent = IDC_CURRENT_PROGRESS,
              kLabel = IDC_CURRENT_LABEL;
const wchar_t kKey[] = L"Software\\Brisvale Test\\Backup run";
const std::wstring kPassword = L"Inbox 2026!";  // as long as the archive allows

// An item whose backup posts engine positions, waits, stops or throws as scripted.
class ScriptedItem : public FakeItem {
public:
    explicit ScriptedItem(std::wstring name)
        : FakeItem(std::move(name), 9), go_(CreateEventW(nullptr, TRUE, TRUE, nullptr))
    {
    }
    ~ScriptedItem() override { CloseHandle(go_); }
    std::vector<int> positions;
    std::function<void()> fail;         // throws
    bool untilStopped = false;          // runs until the stop flag is set
    std::vector<std::wstring> leftOut;  // what its backup reports left out
    std::atomic<bool> started{false};
    // Holds the backup after its posts until Release.
    void Hold() { ResetEvent(go_); }
    void Release() { SetEvent(go_); }

    uint64_t backup(const std::wstring&, std::atomic<bool>* stop, bool, bool, const std::wstring&) override
    {
        started = true;
        for (int p : positions)
            PostMessageW(window_, message_, WPARAM(p), 0);
        WaitForSingleObject(go_, 30000);
        while (untilStopped && !*stop)
            Sleep(5);
        leftOut_ = leftOut;
        if (fail)
            fail();
        return 0;
    }
    void set_progress_target(HWND window, UINT message) override
    {
        window_ = window;
        message_ = message;
    }

private:
    HANDLE go_;
    HWND window_ = nullptr;
    UINT message_ = 0;
};

std::pair<int, int> Range(HWND bar)
{
    PBRANGE r = {};
    SendMessageW(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&r));
    return {r.iLow, r.iHigh};
}

int Pos(HWND bar)
{
    return int(SendMessageW(bar, PBM_GETPOS, 0, 0));
}

std::string Random(size_t n, uint32_t state)
{
    std::string s(n, '\0');
    for (char& c : s) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        c = char(state);
    }
    return s;
}

// The names of the plain files in a folder, sorted.
std::vector<std::wstring> FileNames(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

struct Outcome {
    INT_PTR result = 0;
    std::wstring button;
    std::vector<int> states;
    std::pair<int, int> totalRange;
    int total = 0;
    std::wstring status;
    std::vector<PromptRecord> prompts;
};

class BackupRun : public ComponentsTest {
protected:
    void SetUp() override
    {
        ComponentsTest::SetUp();
        init_common_controls();
        folder = ScratchFolder();
        archive = folder + L"\\run.bvk2";
    }
    void TearDown() override
    {
        SHDeleteKeyW(HKEY_CURRENT_USER, kKey);
        SetEnvironmentVariableW(L"BRISVALE_DISC_FOLDERS", nullptr);
        ComponentsTest::TearDown();
    }
    // Runs the progress dialog over the job; `during` drives it while it runs,
    // then the script waits for the end and presses the button.
    Outcome Run(BackupJob& job, const std::function<void(HWND, CBackupTransferDlg&)>& during = {},
                const wchar_t* screenshot = nullptr, std::deque<int> answers = {})
    {
        PromptRecorder prompts(std::move(answers));
        CBackupTransferDlg dlg;
        dlg.job = job;
        Outcome out;
        uitest::Driver driver([&] {
            HWND h = uitest::wait_window(L"Backup", L"#32770", GetCurrentProcessId());
            if (during)
                during(h, dlg);
            HWND button = uitest::child(h, kButton);
            uitest::require([&] { return IsWindowEnabled(button) && uitest::text(button) != L"&Stop"; }, "the end",
                            uitest::milliseconds(60000));
            out.button = uitest::text(button);
            out.totalRange = Range(uitest::child(h, kTotal));
            out.total = Pos(uitest::child(h, kTotal));
            out.status = uitest::text(uitest::child(h, kLabel));
            for (int i = 0; i < dlg.Rows().GetRowCount(); ++i)
                out.states.push_back(dlg.Rows().GetRowState(i));
            if (screenshot) {
                EXPECT_EQ(std::vector<std::string>{}, capture_and_check(h, screenshot));
            }
            uitest::click(button);
            uitest::wait_gone(h);
        });
        out.result = dlg.DoModal();
        EXPECT_EQ("", driver.finish());
        out.prompts = prompts.seen();
        return out;
    }
    std::wstring folder, archive;
};

std::wstring Failure(const std::wstring& message, const std::wstring& detail)
{
    return L"Before you starting backup process, please make sure Outlook Express has been closed!\n\nError: " +
           message + L"\nFilename: " + detail;
}

// Settings dialog, then the progress dialog over two folders and a registry key,
// compressed and encrypted: the archive restores byte for byte.
TEST_F(BackupRun, AWholeBackupRestoresExactly)
{
    DeleteFileW(QuickSettingsPath().c_str());
    const std::wstring mail = folder + L"\\Mail", book = folder + L"\\Address Book";
    std::map<std::wstring, std::string> files = {
        {mail + L"\\Inbox.dbx", Random(700000, 7)},
        {mail + L"\\Sub\\Sent Items.dbx", std::string(300000, 'm')},
        {book + L"\\user.wab", Random(1000, 9)},
        {book + L"\\empty.txt", ""},
    };
    SHCreateDirectoryExW(nullptr, (mail + L"\\Sub").c_str(), nullptr);
    SHCreateDirectoryExW(nullptr, book.c_str(), nullptr);
    for (const auto& [path, data] : files)
        write_file(path, data);
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    const DWORD number = 0x12345678;
    RegSetValueExW(key, L"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    RegSetValueExW(key, L"Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"Main Identity"), 28);
    RegCloseKey(key);

    CBackupDialog settings;
    uitest::Driver typing([&] {
        HWND h = uitest::wait_window(L"Backup", L"#32770", GetCurrentProcessId());
        uitest::set_text(uitest::child(h, IDC_FILENAME), L"");
        uitest::type(uitest::child(h, IDC_FILENAME), archive);
        uitest::click(uitest::child(h, IDC_SHOW_DEFAULTS));
        uitest::click(uitest::child(h, IDC_COMPRESS));
        uitest::click(uitest::child(h, IDC_PASSWORD_PROTECTED));
        uitest::type(uitest::child(h, IDC_PASSWORD), kPassword);
        uitest::type(uitest::child(h, IDC_PASSWORD_AGAIN), kPassword);
        uitest::click(uitest::child(h, IDC_START_BACKUP));
        uitest::wait_gone(h);
    });
    ASSERT_EQ(IDOK, settings.DoModal());
    ASSERT_EQ("", typing.finish());

    FolderBackupItem store(1), addresses(2);
    store.set_folder(mail);
    store.set_description(L"Mail store - Main Identity");
    addresses.set_folder(book);
    addresses.set_description(L"Address Book - Windows Address Book file");
    RegistryBackupItem registry(3);
    registry.set_key(HKEY_CURRENT_USER, kKey);
    registry.set_description(L"Settings - Mail client settings");
    BackupJob job = settings.job;
    for (BackupItem* item : std::initializer_list<BackupItem*>{&store, &addresses, &registry})
        job.AddItem(item);
    Outcome out = Run(job, {}, L"backup-progress");
    EXPECT_EQ(IDOK, out.result);
    EXPECT_EQ(L"&Finish", out.button);
    EXPECT_EQ((std::vector<int>{2, 2, 2}), out.states);
    EXPECT_EQ((std::pair<int, int>{0, 300}), out.totalRange);
    EXPECT_EQ(300, out.total);
    EXPECT_EQ(L"Done!", out.status);
    EXPECT_EQ(std::vector<std::wstring>{L"run.bvk2"}, FileNames(folder));  // nothing left beside it
    ASSERT_EQ(1u, out.prompts.size());
    EXPECT_EQ(L"Backup process has finished successfully!", out.prompts[0].text);
    EXPECT_EQ(L"Information", out.prompts[0].caption);
    EXPECT_EQ(UINT(MB_ICONINFORMATION), out.prompts[0].flags);

    // Read back by the engine's reader into the emptied places.
    ASSERT_TRUE(MoveFileW(mail.c_str(), (mail + L".old").c_str()));
    ASSERT_TRUE(MoveFileW(book.c_str(), (book + L".old").c_str()));
    SHDeleteKeyW(HKEY_CURRENT_USER, kKey);
    // The restore's password prompt takes the password as it was typed.
    SheetRecorder sheet;
    ArchiveHeader header = {};
    uitest::Driver prompt([&] {
        HWND box = uitest::wait_window(L"Enter password", L"#32770", GetCurrentProcessId());
        uitest::type(uitest::child(box, 1004), kPassword);
        uitest::key(uitest::child(box, 1004), VK_RETURN);
        uitest::wait_gone(box);
    });
    ASSERT_TRUE(ReadArchiveHeader(&sheet.page, archive.c_str(), header));
    ASSERT_EQ("", prompt.finish());
    EXPECT_EQ(1, header.encrypted);
    EXPECT_EQ(1, header.compressed);
    EXPECT_EQ(kPassword, StoredPassword(header));
    DataRestore<WriterFactories> reader(archive, 44, nullptr, StoredPassword(header));
    reader.run();
    for (const auto& [path, data] : files)
        EXPECT_EQ(data, read_file(path)) << uitest::narrow(path);
    HKEY restored = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE, &restored));
    DWORD type = 0, value = 0, size = sizeof value;
    EXPECT_EQ(ERROR_SUCCESS,
              RegQueryValueExW(restored, L"Number", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size));
    EXPECT_EQ(DWORD(REG_DWORD), type);
    EXPECT_EQ(number, value);
    wchar_t name[64] = {};
    size = sizeof name;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(restored, L"Name", nullptr, &type, reinterpret_cast<BYTE*>(name), &size));
    RegCloseKey(restored);
    EXPECT_STREQ(L"Main Identity", name);
}

// The total bar adds what each item moved on: 10, 50, 100 then 5, 60 read 100 and 155.
TEST_F(BackupRun, TheTotalBarSumsTheItemsProgress)
{
    ScriptedItem first(L"First - one"), second(L"Second - two");
    first.positions = {10, 50, 100};
    second.positions = {5, 60};
    first.Hold();
    second.Hold();
    BackupJob job;
    job.SetArchivePath(archive);
    job.AddItem(&first);
    job.AddItem(&second);
    int afterFirst = 0, afterSecond = 0, current = 0;
    std::wstring label;
    Outcome out = Run(job, [&](HWND h, CBackupTransferDlg&) {
        HWND total = uitest::child(h, kTotal);
        uitest::require([&] { return Pos(total) == 100; }, "first item's progress");
        afterFirst = Pos(total);
        label = uitest::text(uitest::child(h, kLabel));
        first.Release();
        uitest::require([&] { return Pos(total) == 155; }, "second item's progress");
        afterSecond = Pos(total);
        current = Pos(uitest::child(h, kCurrent));
        second.Release();
    });
    EXPECT_EQ(100, afterFirst);
    EXPECT_EQ(155, afterSecond);
    EXPECT_EQ(60, current);
    EXPECT_EQ(L"Backing up First - one ...", label);
    EXPECT_EQ((std::pair<int, int>{0, 200}), out.totalRange);
    EXPECT_EQ(L"&Finish", out.button);
}

// Every failure is named in a box, its row fails, the next item still runs.
TEST_F(BackupRun, FailuresAreReportedAndTheRunGoesOn)
{
    std::vector<std::unique_ptr<ScriptedItem>> items;
    auto add = [&](std::function<void()> fail) {
        items.push_back(std::make_unique<ScriptedItem>(L"Item - " + std::to_wstring(items.size())));
        items.back()->fail = std::move(fail);
    };
    add([] { throw EngExcept::FileException(L"DataStore::write_file(): Failed to write file!", L"C:\\a.dbx", 1); });
    add([] { throw EngExcept::EFileNotFound(L"C:\\gone.dbx"); });
    add([] { throw EngExcept::EFailedToOpenRegKey(L"Software\\X"); });
    add([] { throw EngExcept::EFolderNotFound(L"C:\\Mail"); });
    add([] { throw EngExcept::Exception(L"Odd"); });
    add([] { throw std::runtime_error("not the engine's"); });
    add(nullptr);
    BackupJob job;
    job.SetArchivePath(archive);
    for (auto& item : items)
        job.AddItem(item.get());
    // A real folder item whose folder is gone.
    FolderBackupItem gone(5);
    gone.set_folder(folder + L"\\no such folder");
    gone.set_description(L"Gone - folder");
    job.AddItem(&gone);
    Outcome out = Run(job, {}, L"backup-progress-failed");
    EXPECT_EQ(L"&Fail", out.button);
    EXPECT_EQ((std::vector<int>{3, 3, 3, 3, 3, 3, 2, 3}), out.states);
    // Each failure in its box as it happens, then all of them at the end.
    const std::pair<std::wstring, std::wstring> failures[] = {
        {L"DataStore::write_file(): Failed to write file!", L"C:\\a.dbx"},
        {L"File doesn't exist!", L"C:\\gone.dbx"},
        {L"Failed to open key path: Software\\X", L"(n/a)"},
        {L"Folder has not been found!", L"C:\\Mail"},
        {L"Odd", L"Unknown"},
        {L"Unknown error!", L"Unknown"},
        {L"Folder has not been found!", folder + L"\\no such folder"},
    };
    std::wstring end = L"Failed to backup!";
    std::vector<std::wstring> expected;
    for (const auto& [message, path] : failures) {
        expected.push_back(Failure(message, path));
        end += L"\n\nError: " + message + L"\nFilename: " + path;
    }
    expected.push_back(end);
    ASSERT_EQ(expected.size(), out.prompts.size());
    for (size_t i = 0; i < out.prompts.size(); ++i) {
        EXPECT_EQ(expected[i], out.prompts[i].text) << i;
        EXPECT_EQ(L"Error", out.prompts[i].caption);
        EXPECT_EQ(UINT(MB_ICONERROR), out.prompts[i].flags);
    }
    // Not whole, so no archive; and nothing reads as done.
    EXPECT_EQ(std::vector<std::wstring>{}, FileNames(folder));
    EXPECT_EQ(L"Failed to backup!", out.status);
    EXPECT_EQ(0, out.total);
}

// The run writes beside the archive: a stopped or failed run leaves an archive of
// that name as it was, and nothing else; only a complete one takes its place.
TEST_F(BackupRun, OnlyACompleteRunReplacesTheArchive)
{
    struct Case {
        const char* what;
        bool stop;
        bool fail;
        const wchar_t* button;
        const wchar_t* status;
    } cases[] = {
        {"stopped", true, false, L"&Terminate", L"Backup process terminated by user!"},
        {"failed", false, true, L"&Fail", L"Failed to backup!"},
        {"complete", false, false, L"&Finish", L"Done!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write_file(archive, "good archive");
        ScriptedItem first(L"First - one"), second(L"Second - two");
        first.positions = {40};
        first.untilStopped = c.stop;
        if (c.fail)
            second.fail = [] { throw EngExcept::Exception(L"Odd"); };
        BackupJob job;
        job.SetArchivePath(archive);
        job.AddItem(&first);
        job.AddItem(&second);
        Outcome out = Run(job, [&](HWND h, CBackupTransferDlg&) {
            uitest::require([&] { return first.started.load(); }, "first item");
            if (c.stop)
                uitest::click(uitest::child(h, kButton));
        });
        EXPECT_EQ(c.button, out.button);
        EXPECT_EQ(c.status, out.status);
        EXPECT_EQ(std::vector<std::wstring>{L"run.bvk2"}, FileNames(folder));
        if (c.stop || c.fail) {
            EXPECT_EQ("good archive", read_file(archive));
            EXPECT_EQ(40, out.total);  // as far as it went
        } else {
            EXPECT_EQ(44u, read_file(archive).size());
            EXPECT_EQ(200, out.total);
        }
    }
}

// Sources an item left out fail its row, and the end message names them
// instead of the success text.
TEST_F(BackupRun, SourcesLeftOutFailTheirRowAndAreNamedAtTheEnd)
{
    ScriptedItem whole(L"Whole - all read"), partial(L"Partial - some gone");
    for (int i = 0; i < 12; ++i)
        partial.leftOut.push_back(L"C:\\Mail\\Folder" + std::to_wstring(i) + L".dbx");
    partial.leftOut[1] = L"Software\\Mail\\Account";
    BackupJob job;
    job.SetArchivePath(archive);
    job.AddItem(&whole);
    job.AddItem(&partial);
    Outcome out = Run(job, {}, L"backup-progress-left-out");
    EXPECT_EQ(L"&Finish", out.button);
    EXPECT_EQ((std::vector<int>{2, 3}), out.states);
    ASSERT_EQ(1u, out.prompts.size());
    EXPECT_EQ(
        L"Backup process has finished, but 12 item(s) could not be read and are not in the archive:\n"
        L"C:\\Mail\\Folder0.dbx\nSoftware\\Mail\\Account\nC:\\Mail\\Folder2.dbx\nC:\\Mail\\Folder3.dbx\n"
        L"C:\\Mail\\Folder4.dbx\nC:\\Mail\\Folder5.dbx\nC:\\Mail\\Folder6.dbx\nC:\\Mail\\Folder7.dbx\n"
        L"C:\\Mail\\Folder8.dbx\nC:\\Mail\\Folder9.dbx\nand 2 more",
        out.prompts[0].text);
    EXPECT_EQ(L"Warning", out.prompts[0].caption);
    EXPECT_EQ(UINT(MB_ICONWARNING), out.prompts[0].flags);
}

// Stop during the first of three items: that row fails, the others never run, no
// transfer starts; closing is refused until the run has ended.
TEST_F(BackupRun, StopEndsTheRunAndClosingWaitsForIt)
{
    ScriptedItem first(L"First - one"), second(L"Second - two"), third(L"Third - three");
    first.untilStopped = true;
    BackupJob job;
    job.SetArchivePath(archive);
    job.AddItem(&first);
    job.AddItem(&second);
    job.AddItem(&third);
    job.transfer = true;
    job.mediaType = 2;
    _PreferenceCDDVD disc = {};
    job.SetMediaPreference(&disc, sizeof disc);
    bool stillOpen = false;
    Outcome out = Run(job, [&](HWND h, CBackupTransferDlg&) {
        uitest::require([&] { return first.started.load(); }, "first item");
        uitest::key(uitest::child(h, kButton), VK_ESCAPE);
        PostMessageW(h, WM_CLOSE, 0, 0);
        uitest::wait_until([] { return false; }, uitest::milliseconds(500));
        stillOpen = IsWindowVisible(h) != FALSE;
        uitest::click(uitest::child(h, kButton));
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(L"&Terminate", out.button);
    EXPECT_EQ((std::vector<int>{3, 0, 0, 0}), out.states);
    EXPECT_FALSE(second.started);
    ASSERT_EQ(3u, out.prompts.size());
    const std::wstring refusal =
        L"Before you close backup window, you must wait until the backup process is finished "
        L"or stop it by yourself!";
    EXPECT_EQ(refusal, out.prompts[0].text);
    EXPECT_EQ(refusal, out.prompts[1].text);
    EXPECT_EQ(L"Backup process terminated by user!", out.prompts[2].text);
    EXPECT_EQ(L"Error", out.prompts[2].caption);
}

// An archive that cannot be made (its folder missing, its name refused) runs no
// item and the end gives the system's reason; a job without items is a header.
TEST_F(BackupRun, TheHeaderDecidesWhetherItemsRun)
{
    const struct Case {
        std::wstring path;
        LONG error;
    } cases[] = {
        {folder + L"\\missing\\run.bvk2", ERROR_PATH_NOT_FOUND},
        {folder + L"\\run|1.bvk2", ERROR_INVALID_NAME},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(uitest::narrow(c.path));
        ScriptedItem item(L"Item - one");
        BackupJob job;
        job.SetArchivePath(c.path);
        job.AddItem(&item);
        Outcome out = Run(job);
        EXPECT_EQ(L"&Fail", out.button);
        EXPECT_EQ(L"Failed to backup!", out.status);
        EXPECT_EQ(std::vector<int>{0}, out.states);
        EXPECT_FALSE(item.started);
        ASSERT_EQ(1u, out.prompts.size());
        EXPECT_EQ(L"Failed to backup!\n\nError: " + CFileException::FromOsError(c.error, L"").GetErrorMessage() +
                      L"\nFilename: " + c.path,
                  out.prompts[0].text);
        EXPECT_EQ(std::vector<std::wstring>{}, FileNames(folder));
    }

    write_file(archive, "old archive");
    BackupJob empty;
    empty.SetArchivePath(archive);
    Outcome out = Run(empty);
    EXPECT_EQ(L"&Finish", out.button);
    EXPECT_EQ((std::pair<int, int>{0, 0}), out.totalRange);
    EXPECT_EQ(44u, read_file(archive).size());
}

_PreferenceFTP FtpBlock(int port, const wchar_t* password)
{
    _PreferenceFTP block = {};
    CopyBounded(block.host, L"127.0.0.1");
    block.port = port;
    CopyBounded(block.user, L"backup");
    CopyBounded(block.password, password);
    CopyBounded(block.directory, L"/archives");
    block.passive = 1;
    return block;
}

// The archive goes to the loopback FTP server whole and under its own name; a
// refused login fails the transfer row and the run.
TEST_F(BackupRun, TransfersToTheFtpServer)
{
    const std::wstring source = folder + L"\\Mail";
    CreateDirectoryW(source.c_str(), nullptr);
    write_file(source + L"\\Inbox.dbx", Random(300000, 3));
    FolderBackupItem item(1);
    item.set_folder(source);
    item.set_description(L"Mail store - Main Identity");
    for (const wchar_t* password : {L"s3cret", L"wrong"}) {
        SCOPED_TRACE(uitest::narrow(password));
        FtpTestServer server;
        BackupJob job;
        job.SetArchivePath(archive);
        job.AddItem(&item);
        job.transfer = true;
        job.mediaType = 1;
        const _PreferenceFTP block = FtpBlock(server.port(), password);
        job.SetMediaPreference(&block, sizeof block);
        Outcome out = Run(job);
        server.Finish();
        const bool good = std::wstring(password) == L"s3cret";
        EXPECT_EQ(good ? L"&Finish" : L"&Fail", out.button);
        EXPECT_EQ((std::vector<int>{2, good ? 2 : 3}), out.states);
        if (good) {
            ASSERT_EQ(1u, server.files().size());
            EXPECT_EQ("run.bvk2", server.files()[0].name);
            EXPECT_TRUE(server.files()[0].complete);
            EXPECT_EQ(read_file(archive), server.files()[0].data);
        } else {
            // The end names the server's refusal; the archive stays where it was written.
            EXPECT_TRUE(server.files().empty());
            ASSERT_FALSE(out.prompts.empty());
            const std::wstring end = out.prompts.back().text, tail = L"\nFilename: " + archive;
            EXPECT_EQ(0u, end.find(L"Failed to backup!\n\nError: ")) << uitest::narrow(end);
            EXPECT_GT(end.size(), std::wstring(L"Failed to backup!\n\nError: ").size() + tail.size());
            EXPECT_EQ(end.size() - tail.size(), end.rfind(tail)) << uitest::narrow(end);
            ArchiveHeader header;
            EXPECT_TRUE(LoadArchiveHeader(archive.c_str(), header));
        }
    }
}

// The disc stand-in receives the archive in its device's folder; a medium block of
// the wrong size gets no copier and a failed row.
TEST_F(BackupRun, WritesToTheDiscAndRefusesAForeignBlock)
{
    const std::wstring disc = folder + L"\\disc";
    CreateDirectoryW(disc.c_str(), nullptr);
    SetEnvironmentVariableW(L"BRISVALE_DISC_FOLDERS", (L"Test Writer=" + disc).c_str());
    ScriptedItem item(L"Item - one");
    BackupJob job;
    job.SetArchivePath(archive);
    job.AddItem(&item);
    job.transfer = true;
    job.mediaType = 2;
    _PreferenceCDDVD block = {};
    CopyBounded(block.device, L"Test Writer");
    job.SetMediaPreference(&block, sizeof block);
    Outcome out = Run(job);
    EXPECT_EQ(L"&Finish", out.button);
    EXPECT_EQ((std::vector<int>{2, 2}), out.states);
    EXPECT_EQ(read_file(archive), read_file(disc + L"\\run.bvk2"));

    job.mediaType = 1;  // an FTP run over the disc's block
    out = Run(job);
    EXPECT_EQ(L"&Fail", out.button);
    EXPECT_EQ((std::vector<int>{2, 3}), out.states);
    ASSERT_FALSE(out.prompts.empty());
    EXPECT_EQ(
        L"Failed to backup!\n\nError: No FTP account has been set up in the preference window, so the archive "
        L"has not been uploaded!\nFilename: " +
            archive,
        out.prompts.back().text);
}

// Chosen in the settings dialog before any preference file exists, a transfer
// has nowhere to go: its row fails and the end says what is missing, while the
// archive stays where it was written.
TEST_F(BackupRun, ATransferWithoutPreferencesFailsAndSaysWhy)
{
    std::wstring preference;
    GetAppDataFilePath(kPreferenceFileName, kProductFolder, preference);
    const struct Case {
        int radio;
        std::wstring missing;
    } cases[] = {
        {1055, L"No FTP account has been set up in the preference window, so the archive has not been uploaded!"},
        {1056,
         L"No CD/DVD device has been set up in the preference window, so the archive has not been written to "
         L"a disc!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.radio);
        DeleteFileW(preference.c_str());
        DeleteFileW(QuickSettingsPath().c_str());
        DeleteFileW(archive.c_str());
        CBackupDialog settings;
        uitest::Driver typing([&] {
            HWND h = uitest::wait_window(L"Backup", L"#32770", GetCurrentProcessId());
            uitest::type(uitest::child(h, 1000), archive);
            uitest::click(uitest::child(h, 1110));
            uitest::click(uitest::child(h, 1043));
            uitest::click(uitest::child(h, c.radio));
            uitest::click(uitest::child(h, 1008));
            uitest::wait_gone(h);
        });
        ASSERT_EQ(IDOK, settings.DoModal());
        ASSERT_EQ("", typing.finish());
        ScriptedItem item(L"Item - one");
        BackupJob job = settings.job;
        job.AddItem(&item);
        Outcome out = Run(job, {}, c.radio == 1055 ? L"backup-progress-no-ftp" : nullptr);
        EXPECT_EQ(L"&Fail", out.button);
        EXPECT_EQ((std::vector<int>{2, 3}), out.states);
        ASSERT_EQ(1u, out.prompts.size());
        EXPECT_EQ(L"Failed to backup!\n\nError: " + c.missing + L"\nFilename: " + archive, out.prompts[0].text);
        EXPECT_EQ(44u, read_file(archive).size());
    }
    DeleteFileW(preference.c_str());
    DeleteFileW(QuickSettingsPath().c_str());
}

}  // namespace
