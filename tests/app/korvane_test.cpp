// korvane.exe itself, started and worked from outside as a user would: the file
// type it registers, its command line, and closing it.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include "backup_item.h"
#include "default_install.h"
#include "default_items.h"
#include "dialog_check.h"
#include "regkey.h"
#include "res/resource.h"
#include "restore_wizard_driver.h"
#include "ui_driver.h"
#include "ui_fixture.h"

namespace {

using namespace std::chrono_literals;

const wchar_t kTitle[] = L"Brisvale 2.9e";

std::wstring KorvanePath()
{
    const wchar_t* path = _wgetenv(L"BRISVALE_KORVANE");
    return path ? path : L"korvane.exe";
}

// The text of a message box.
std::wstring Static(HWND box)
{
    for (const std::wstring& t : uitest::texts(box, L"Static"))
        if (!t.empty())
            return t;
    return L"";
}

// A command of the ribbon as its tooltips describe it: the tool's rectangle in the
// ribbon and the first line of its tip. Read from the other process as
// accessibility tools read controls, through a block of that process's memory.
struct RibbonTool {
    HWND ribbon;
    RECT rect;
    std::wstring title;
};

BOOL CALLBACK CollectToolTips(HWND w, LPARAM p)
{
    auto& q = *reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == q.first && uitest::class_of(w) == TOOLTIPS_CLASSW)
        q.second.push_back(w);
    return TRUE;
}

std::vector<RibbonTool> RibbonTools(DWORD pid)
{
    std::pair<DWORD, std::vector<HWND>> tips{pid, {}};
    EnumWindows(CollectToolTips, reinterpret_cast<LPARAM>(&tips));
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process)
        throw uitest::Failure("cannot open korvane.exe's memory");
    struct Block {
        TTTOOLINFOW info;
        wchar_t text[1024];
    };
    auto* remote = static_cast<Block*>(VirtualAllocEx(process, nullptr, sizeof(Block), MEM_COMMIT, PAGE_READWRITE));
    std::vector<RibbonTool> tools;
    for (HWND tip : tips.second) {
        const int count = int(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            Block b = {};
            b.info.cbSize = sizeof b.info;
            b.info.lpszText = remote->text;
            SIZE_T done = 0;
            if (WriteProcessMemory(process, remote, &b, sizeof b, &done) &&
                SendMessageW(tip, TTM_ENUMTOOLSW, WPARAM(i), reinterpret_cast<LPARAM>(remote)) &&
                ReadProcessMemory(process, remote, &b, sizeof b, &done)) {
                b.text[1023] = 0;
                const std::wstring text = b.info.lpszText == remote->text ? b.text : L"";
                tools.push_back({b.info.hwnd, b.info.rect, text.substr(0, text.find(L'\n'))});
            }
        }
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return tools;
}

struct WindowQuery {
    DWORD pid;
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND w, LPARAM p)
{
    auto& q = *reinterpret_cast<WindowQuery*>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    wchar_t text[256] = {};
    GetWindowTextW(w, text, 256);
    if (owner != q.pid || wcscmp(text, q.title) != 0)
        return TRUE;
    q.found = w;
    return FALSE;
}

// One run of korvane.exe; ended by force if a test leaves it running.
class Korvane {
public:
    explicit Korvane(const std::wstring& args)
    {
        std::wstring command = L"\"" + KorvanePath() + L"\"" + (args.empty() ? L"" : L" " + args);
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            throw uitest::Failure("cannot start korvane.exe");
        CloseHandle(pi.hThread);
        process = pi.hProcess;
        pid = pi.dwProcessId;
    }
    ~Korvane()
    {
        if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
        }
        CloseHandle(process);
    }
    Korvane(const Korvane&) = delete;
    Korvane& operator=(const Korvane&) = delete;

    bool Running() const { return WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }
    // Its top-level window with this title, shown or not; nullptr when it has none.
    HWND Window(const wchar_t* title) const
    {
        WindowQuery q{pid, title, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&q));
        return q.found;
    }
    HWND WaitWindow(const wchar_t* title) const
    {
        HWND w = nullptr;
        uitest::require([&] { return (w = Window(title)) != nullptr; }, uitest::narrow(title));
        return w;
    }

    // Asks the main window to close, as its close button does; returns the question.
    HWND AskToClose(HWND main) const
    {
        PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
        HWND box = uitest::wait_window(L"Confirm exit", L"#32770", pid);
        std::vector<std::wstring> texts = uitest::texts(box, L"Static");
        EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), L"Exit Brisvale 2.9e, Are you sure?"));
        return box;
    }
    // Closes with Yes and waits for the program to end.
    void Close(HWND main)
    {
        uitest::press(AskToClose(main), IDYES);
        uitest::wait_gone(main);
        EXPECT_EQ(0u, uitest::wait_exit(process));
    }

    // A real click on the ribbon's command whose tip has this title.
    void ClickRibbon(const std::wstring& title) const
    {
        RibbonTool tool{};
        uitest::require(
            [&] {
                for (const RibbonTool& t : RibbonTools(pid))
                    if (t.title == title) {
                        tool = t;
                        return true;
                    }
                return false;
            },
            "the ribbon's " + uitest::narrow(title));
        uitest::click_at(tool.ribbon, (tool.rect.left + tool.rect.right) / 2, (tool.rect.top + tool.rect.bottom) / 2);
    }
    // Waits until every row of the main window shows its size or that it is not
    // found: each row's marquee has come and gone. Returns the number of rows.
    int WaitSized(HWND main) const
    {
        HWND list = nullptr;
        uitest::require(
            [&] {
                auto lists = uitest::descendants(main, L"ListBox");
                return (list = lists.empty() ? nullptr : lists.front()) != nullptr;
            },
            "the list shown");
        int rows = 0;
        uitest::require(
            [&] {
                rows = int(SendMessageW(list, LB_GETCOUNT, 0, 0));
                return rows > 0 && int(uitest::descendants(list, PROGRESS_CLASSW, false).size()) == rows &&
                       uitest::descendants(list, PROGRESS_CLASSW).empty();
            },
            "rows sized");
        return rows;
    }
    // Adds a custom folder through the ribbon's "Additional Folder".
    void AddFolder(const std::wstring& folder) const
    {
        ClickRibbon(L"Additional folder");
        HWND dlg = uitest::wait_window(L"Additional Folder", L"#32770", pid);
        uitest::type(uitest::child(dlg, IDC_FOLDER), folder);
        uitest::click(uitest::child(dlg, IDOK));
        uitest::wait_gone(dlg);
    }
    // Starts a compressed backup from the ribbon's Backup, with a password unless it
    // is empty; returns the progress window.
    HWND StartBackup(const std::wstring& archive, const std::wstring& password) const
    {
        ClickRibbon(L"Backup");
        start_backup(pid, archive, password);
        return uitest::wait_window(L"Backup", L"#32770", pid);
    }
    // Waits for the end of the backup, which succeeds, and closes the progress window.
    void FinishBackup(HWND progress) const
    {
        EXPECT_EQ(L"Backup process has finished successfully!", finish_backup(pid, progress));
    }

    HANDLE process = nullptr;
    DWORD pid = 0;
};

// Restores an archive as a user does who opens it: korvane.exe started with its
// path, the password typed when asked, the wizard's pages gone through to the end.
void RestoreWithTheWizard(const std::wstring& archive, const std::wstring& password)
{
    Korvane korvane(L"\"" + archive + L"\"");
    const RestoreWizardDriver wizard(korvane.pid);
    wizard.NextToContents(password);
    wizard.RestoreToTheEnd();
    uitest::wait_gone(wizard.sheet);
    EXPECT_EQ(0u, uitest::wait_exit(korvane.process));
}

std::wstring RegText(HKEY root, const std::wstring& key, const wchar_t* name = nullptr)
{
    CRegKey k;
    if (k.Open(root, key.c_str(), KEY_READ) != ERROR_SUCCESS)
        return L"(no key)";
    wchar_t text[1024];
    ULONG chars = 1024;
    return k.QueryStringValue(name, text, &chars) == ERROR_SUCCESS ? text : L"(no value)";
}

class KorvaneTest : public DefaultInstallTest {};

// Every start writes the archive type for the shell, whose open verb starts this program.
TEST_F(KorvaneTest, RegistersTheArchiveTypeAndShowsTheMainWindow)
{
    CRegKey classes;
    ASSERT_EQ(ERROR_SUCCESS, classes.Open(HKEY_CLASSES_ROOT, L""));
    classes.RecurseDeleteKey(L".bvk2");
    classes.RecurseDeleteKey(L"Brisvale Archive");

    Korvane korvane(L"");
    HWND main = uitest::wait_window(kTitle, nullptr, korvane.pid);
    EXPECT_EQ(L"Brisvale Archive", RegText(HKEY_CLASSES_ROOT, L".bvk2"));
    EXPECT_EQ(L"Restore Brisvale Archive", RegText(HKEY_CLASSES_ROOT, L"Brisvale Archive\\shell\\Open"));
    const std::wstring exe = RegText(HKEY_CLASSES_ROOT, L"Brisvale Archive\\shell\\Open\\command");
    EXPECT_EQ(0u, exe.find(L"\"")) << uitest::narrow(exe);
    EXPECT_NE(std::wstring::npos, exe.find(L"korvane.exe\" \"%1\"")) << uitest::narrow(exe);
    EXPECT_TRUE(IsWindowVisible(main));
    korvane.Close(main);
}

// "-s" and "/s" start with the main window hidden; the switch is case-sensitive.
TEST_F(KorvaneTest, TheSwitchSHidesTheMainWindow)
{
    const struct {
        const wchar_t* args;
        bool shown;
    } cases[] = {{L"-s", false}, {L"/s", false}, {L"-S", true}, {L"/S", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(uitest::narrow(c.args));
        Korvane korvane(c.args);
        HWND main = korvane.WaitWindow(kTitle);
        if (c.shown) {
            uitest::require([&] { return IsWindowVisible(main) != FALSE; }, "shown");
        } else {
            // A fixed time on purpose: it shows that the window stays hidden that long.
            std::this_thread::sleep_for(1500ms);
            EXPECT_FALSE(IsWindowVisible(main));
        }
        // Hidden or not, a close request from outside asks first.
        korvane.Close(main);
    }
}

// An archive named on the command line opens the restore wizard alone, with the
// path filled in, whatever switch comes with it; closing the wizard ends the program.
TEST_F(KorvaneTest, AnArchiveOnTheCommandLineOpensTheWizardAlone)
{
    const std::wstring archive = L"C:\\backups\\mail 1.bvk2";
    for (const wchar_t* before : {L"", L"-s "}) {
        SCOPED_TRACE(uitest::narrow(before));
        Korvane korvane(before + (L"\"" + archive + L"\""));
        HWND wizard = uitest::wait_window(L"Outlook Express Restore Wizard", nullptr, korvane.pid);
        HWND path = GetDlgItem(uitest::first_descendant(wizard, L"#32770"), IDC_ARCHIVE_PATH);
        ASSERT_NE(nullptr, path);
        EXPECT_EQ(archive, uitest::text(path));
        EXPECT_EQ(nullptr, korvane.Window(kTitle));

        uitest::press(wizard, IDCANCEL);
        HWND box = uitest::wait_window(L"Question", L"#32770", korvane.pid);
        uitest::press(box, IDYES);
        EXPECT_EQ(0u, uitest::wait_exit(korvane.process));
    }
}

// No keeps the program; Yes ends it about a second later, without asking again.
TEST_F(KorvaneTest, ClosingAsksAndEndsASecondAfterYes)
{
    Korvane korvane(L"");
    HWND main = uitest::wait_window(kTitle, nullptr, korvane.pid);
    capture_and_check(main, L"korvane-main");
    HWND box = korvane.AskToClose(main);
    capture_and_check(box, L"confirm-exit");  // the system's own box: its layout is not ours
    uitest::press(box, IDNO);
    uitest::wait_gone(box);
    // A fixed time on purpose: it shows that after No nothing ends within it.
    std::this_thread::sleep_for(2s);
    EXPECT_TRUE(korvane.Running());
    EXPECT_TRUE(IsWindowVisible(main));

    uitest::press(korvane.AskToClose(main), IDYES);
    // A fixed time on purpose: it shows that the program does not end at once after Yes.
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(korvane.Running());
    EXPECT_EQ(0u, uitest::wait_exit(korvane.process));
}

// Files for a custom folder: text, binary bytes of every value, a subfolder.
std::vector<std::pair<std::wstring, std::string>> CustomFiles(const std::wstring& folder)
{
    std::string bytes;
    for (int i = 0; i < 70000; ++i)
        bytes.push_back(char((i * 7919) >> 3));
    return {{folder + L"\\notes.txt", "Dear diary,\r\nthe mail is safe.\r\n"},
            {folder + L"\\sub\\data.bin", bytes},
            {folder + L"\\sub\\empty.dat", ""}};
}

// The whole product cycle through its windows: a compressed, password-protected
// backup of the installation (and of a custom folder), the installation and the
// folder removed, and the restore wizard bringing back every value and file.
TEST_F(KorvaneTest, ARestoreBringsBackEverythingTheBackupTook)
{
    const std::wstring work = scratch_folder(L"cycle");
    const std::wstring custom = work + L"\\my folder";
    for (bool withFolder : {false, true}) {
        SCOPED_TRACE(withFolder ? "with a custom folder" : "the installation");
        const std::wstring archive = work + (withFolder ? L"\\mail and folder.bvk2" : L"\\mail.bvk2");
        const std::wstring password = L"Mail#2026";
        const auto files = CustomFiles(custom);
        if (withFolder) {
            CreateDirectoryW(custom.c_str(), nullptr);
            CreateDirectoryW((custom + L"\\sub").c_str(), nullptr);
            for (const auto& [path, bytes] : files)
                write_file(path, bytes);
        }
        {
            Korvane korvane(L"");
            HWND main = korvane.WaitWindow(kTitle);
            EXPECT_EQ(7, korvane.WaitSized(main));
            if (withFolder)
                korvane.AddFolder(custom);
            korvane.FinishBackup(korvane.StartBackup(archive, password));
            EXPECT_TRUE(IsWindowEnabled(main));
            korvane.Close(main);
        }
        oe_fixture::Remove(inst);
        ASSERT_FALSE(oe_fixture::Verify(inst).empty());
        if (withFolder)
            std::filesystem::remove_all(custom);

        RestoreWithTheWizard(archive, password);
        EXPECT_EQ(std::vector<std::wstring>{}, oe_fixture::Verify(inst));
        if (withFolder) {
            for (const auto& [path, bytes] : files)
                EXPECT_EQ(bytes, read_file(path)) << uitest::narrow(path);
        }
    }
}

// A close confirmed while a backup runs is held back: the backup goes on to its
// end, and the program ends only once its window is closed.
TEST_F(KorvaneTest, ACloseDuringABackupWaitsForIt)
{
    const std::wstring work = scratch_folder(L"close-during-backup");
    // Enough data that the backup is still running when the close comes.
    std::string bytes(6 << 20, '\0');
    uint32_t x = 12345;
    for (char& c : bytes)
        c = char((x = x * 1103515245u + 12345u) >> 24);
    write_file(work + L"\\big.bin", bytes);

    Korvane korvane(L"");
    HWND main = korvane.WaitWindow(kTitle);
    korvane.WaitSized(main);
    korvane.AddFolder(work);
    HWND progress = korvane.StartBackup(work + L"\\mail.bvk2", L"");
    // The window is disabled under the progress window: the close comes from outside.
    PostMessageW(main, WM_CLOSE, 0, 0);
    uitest::press(uitest::wait_window(L"Confirm exit", L"#32770", korvane.pid), IDYES);
    EXPECT_EQ(L"&Stop", uitest::text(uitest::child(progress, IDC_STOP))) << "the backup ended before the close";
    HWND box = uitest::wait_window(L"Information", L"#32770", korvane.pid);
    // A fixed time on purpose: it shows that the confirmed close does not end the backup within it.
    std::this_thread::sleep_for(2500ms);
    EXPECT_TRUE(korvane.Running());
    EXPECT_TRUE(IsWindow(progress));
    uitest::press(box, IDOK);
    uitest::wait_gone(box);
    uitest::click(uitest::child(progress, IDC_STOP));
    uitest::wait_gone(main);
    EXPECT_EQ(0u, uitest::wait_exit(korvane.process));
}

BOOL CALLBACK CollectShown(HWND w, LPARAM p)
{
    auto& q = *reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == q.first && IsWindowVisible(w) && uitest::class_of(w) != TOOLTIPS_CLASSW)
        q.second.push_back(w);
    return TRUE;
}

// The shown top-level windows of a process, tooltips aside.
std::vector<HWND> ShownWindows(DWORD pid)
{
    std::pair<DWORD, std::vector<HWND>> q{pid, {}};
    EnumWindows(CollectShown, reinterpret_cast<LPARAM>(&q));
    return q.second;
}

// In the program's own message loop: Ctrl+P and Ctrl+T open nothing; Ctrl+A checks
// the rows "Select None" cleared, so Backup goes on to its settings instead of
// refusing. The ribbon's Restore Wizard opens the wizard over the main window.
TEST_F(KorvaneTest, AcceleratorsAndTheRestoreWizardButton)
{
    Korvane korvane(L"");
    HWND main = korvane.WaitWindow(kTitle);
    korvane.WaitSized(main);
    HWND list = uitest::first_descendant(main, L"ListBox");
    korvane.ClickRibbon(L"Unselect All");
    korvane.ClickRibbon(L"Backup");
    HWND box = uitest::wait_window(L"Error", L"#32770", korvane.pid);
    EXPECT_EQ(L"No items has been checked, please select one or more items before you starting backup process!",
              Static(box));
    uitest::press(box, IDOK);
    uitest::wait_gone(box);
    for (UINT vk : {'P', 'T'}) {
        uitest::key(list, vk, true);
        EXPECT_EQ(std::vector<HWND>{main}, ShownWindows(korvane.pid)) << char(vk);
    }
    uitest::key(list, 'A', true);
    korvane.ClickRibbon(L"Backup");
    HWND settings = uitest::wait_window(L"Backup", L"#32770", korvane.pid);
    uitest::press(settings, IDCANCEL);
    uitest::wait_gone(settings);

    korvane.ClickRibbon(L"Restore Wizard");
    HWND wizard = uitest::wait_window(L"Outlook Express Restore Wizard", nullptr, korvane.pid);
    EXPECT_FALSE(IsWindowEnabled(main));
    uitest::press(wizard, IDCANCEL);
    uitest::press(uitest::wait_window(L"Question", L"#32770", korvane.pid), IDYES);
    uitest::wait_gone(wizard);
    korvane.Close(main);
}

// A profile made in the ribbon's profile manager decides the next backup: an item
// it leaves out is not in the archive, while a checked custom folder, which no
// profile knows, is.
TEST_F(KorvaneTest, TheNextBackupFollowsAChangedProfile)
{
    const std::wstring left = L"GUID: {A0F47C22-81D3-4B6E-B5A9-3E2C90D41F87}";
    std::vector<BackupItem*> items;
    BuildDefaultItems(items);
    std::vector<int> leftOut;
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i]->get_name().find(left) != std::wstring::npos)
            leftOut.push_back(int(i));
        delete items[i];
    }
    ASSERT_FALSE(leftOut.empty());
    const std::wstring work = scratch_folder(L"profile-backup");
    const std::wstring custom = work + L"\\custom";
    CreateDirectoryW(custom.c_str(), nullptr);
    write_file(custom + L"\\kept.txt", "kept");
    const std::wstring archive = work + L"\\light.bvk2";
    {
        Korvane korvane(L"");
        HWND main = korvane.WaitWindow(kTitle);
        korvane.WaitSized(main);
        korvane.ClickRibbon(L"Select Profile");
        HWND dlg = uitest::wait_window(L"Profile manager", L"#32770", korvane.pid);
        uitest::click(uitest::child(dlg, IDC_NEW_PROFILE));
        HWND ask = uitest::wait_window(L"Enter Profile name", L"#32770", korvane.pid);
        uitest::type(uitest::child(ask, IDC_PROFILE_NAME), L"Light");
        uitest::click(uitest::child(ask, IDOK));
        uitest::wait_gone(ask);
        uitest::click(uitest::child(dlg, IDC_SELECT_ALL_ITEMS));
        // Unticked by keyboard: the row with the focus, then Space.
        HWND rows = uitest::child(dlg, IDC_PROFILE_ITEMS);
        uitest::key(rows, VK_HOME);
        for (int row = 0; row <= leftOut.back(); ++row) {
            if (std::find(leftOut.begin(), leftOut.end(), row) != leftOut.end())
                uitest::key(rows, VK_SPACE);
            if (row < leftOut.back())
                uitest::key(rows, VK_DOWN);
        }
        for (int row = 0; row < int(SendMessageW(rows, LVM_GETITEMCOUNT, 0, 0)); ++row) {
            const bool ticked = (SendMessageW(rows, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK) >> 12) == 2;
            EXPECT_EQ(std::find(leftOut.begin(), leftOut.end(), row) == leftOut.end(), ticked) << row;
        }
        uitest::press(dlg, IDCANCEL);
        uitest::wait_gone(dlg);
        korvane.AddFolder(custom);
        korvane.FinishBackup(korvane.StartBackup(archive, L""));
        korvane.Close(main);
    }
    oe_fixture::Remove(inst);
    std::filesystem::remove_all(custom);
    RestoreWithTheWizard(archive, L"");
    EXPECT_EQ("kept", read_file(custom + L"\\kept.txt"));
    // Only what the left-out items hold is missing.
    const std::vector<std::wstring> missing = oe_fixture::Verify(inst);
    EXPECT_FALSE(missing.empty());
    for (const std::wstring& line : missing)
        EXPECT_NE(std::wstring::npos, line.find(L"{A0F47C22-81D3-4B6E-B5A9-3E2C90D41F87}")) << uitest::narrow(line);
}

}  // namespace
