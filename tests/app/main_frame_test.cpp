// The main window over the fake mail-client installation, run as the program runs
// it (the application's message loop on this thread) and worked by real keys and
// clicks from a driver thread.
#include <gtest/gtest.h>
#include <chrono>
#include <cwctype>
#include <memory>
#include <optional>
#include <set>
#include <thread>
#include "backup_item.h"
#include "data_restore.h"
#include "default_install.h"
#include "default_items.h"
#include "dialog_check.h"
#include "korvane_app.h"
#include "main_frame.h"
#include "res/resource.h"
#include "ui_driver.h"
#include "ui_fixture.h"

// The application the frame's commands reach (About, Exit, help).
CKorvaneApp theApp;

namespace {

using namespace std::chrono_literals;

struct RowView {
    std::wstring text;
    bool checked;
    int32_t state;
    uint64_t size;
    bool hasItem;
};

class MainFrameTest : public DefaultInstallTest {
protected:
    void SetUp() override
    {
        init_common_controls();
        theApp.m_appName.LoadString(IDS_APP_TITLE);  // as the program's entry does
        DefaultInstallTest::SetUp();
    }

    // Opens the main window as the program does, runs script on a driver thread and
    // returns when the window is gone (the script ends by closing it). After a
    // failure the exit question is answered Yes so the window can go.
    void Run(const std::function<void()>& script)
    {
        std::atomic<bool> failed{false};
        ui::Override<ui::PromptSeam> prompts(ui::prompt, [&, real = ui::prompt](HWND owner, const std::wstring& text,
                                                                                const std::wstring& caption,
                                                                                UINT flags) {
            return failed && caption == L"Confirm exit" ? IDYES : real(owner, text, caption, flags);
        });
        frame = new CMainFrame;
        theApp.m_pMainWnd = frame;
        ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW, nullptr));
        frame->SetWindowText(kProductTitle);
        frame->ShowWindow(SW_SHOW);
        frame->UpdateWindow();
        hwnd = frame->m_hWnd;
        uitest::Driver driver([&] {
            try {
                script();
            } catch (...) {
                failed = true;
                throw;
            }
        });
        theApp.Run();
        EXPECT_EQ("", driver.finish(30s));
        EXPECT_FALSE(IsWindow(hwnd));
    }

    std::vector<RowView> Rows()
    {
        std::vector<RowView> rows;
        call([&] {
            CBakItemsListBox& list = frame->view.list;
            for (int i = 0; i < list.GetCount(); ++i)
                rows.push_back({list.GetItemText(i), list.GetCheck(i), list.GetItemState(i), list.GetItemSize(i),
                                list.GetItemData(i) != 0});
        });
        return rows;
    }
    // Waits until the size worker is done and every row shows its outcome.
    std::vector<RowView> SizedRows()
    {
        std::vector<RowView> rows;
        uitest::require(
            [&] {
                if (frame->itemSizeThread)
                    return false;
                rows = Rows();
                for (const RowView& r : rows)
                    if (r.state != kRowDone && r.state != kRowFailed)
                        return false;
                return true;
            },
            "rows sized");
        return rows;
    }
    HWND List() { return frame->view.list.m_hWnd; }
    // A real click on a ribbon command where the ribbon shows it.
    void Click(UINT id)
    {
        RECT r = {};
        BOOL shown = FALSE;
        call([&] { shown = frame->ribbon.GetElementRect(id, &r); });
        if (!shown)
            throw uitest::Failure("the ribbon does not show command " + std::to_string(id));
        uitest::click_at(frame->ribbon.m_hWnd, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    // The checks of the rows.
    std::vector<bool> Checks()
    {
        std::vector<bool> checks;
        for (const RowView& r : Rows())
            checks.push_back(r.checked);
        return checks;
    }
    // Waits for a message box of this program and returns it.
    HWND Box(const wchar_t* caption) { return uitest::wait_window(caption, L"#32770", GetCurrentProcessId()); }

    // Asks to close and answers the question with Yes; the window goes a second later.
    void CloseWithYes()
    {
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
        HWND box = uitest::wait_window(L"Confirm exit", L"#32770", GetCurrentProcessId());
        EXPECT_EQ(L"Exit Brisvale 2.9e, Are you sure?", Static(box));
        uitest::press(box, IDYES);
    }
    // The text of a message box.
    static std::wstring Static(HWND box)
    {
        for (const std::wstring& t : uitest::texts(box, L"Static"))
            if (!t.empty())
                return t;
        return L"";
    }

    // What the installation holds under an item's key or folder.
    uint64_t InstalledBytes(BackupItem* item) const
    {
        if (auto* folder = dynamic_cast<FolderBackupItem*>(item)) {
            std::wstring path = folder->build_root().path();
            if (!path.empty() && path.back() == L'\\')
                path.pop_back();
            return oe_fixture::FolderBytes(inst, path);
        }
        const RegNode root = dynamic_cast<RegistryBackupItem&>(*item).build_root();
        return oe_fixture::RegistryBytes(inst, root.root(), root.key_path());
    }

    // What the installation holds under an item's folder or key: file paths, and
    // value names below their keys, in capitals.
    std::set<std::wstring> InstalledPaths(BackupItem* item) const
    {
        std::set<std::wstring> paths;
        if (auto* folder = dynamic_cast<FolderBackupItem*>(item)) {
            std::wstring path = folder->build_root().path();
            if (!path.empty() && path.back() != L'\\')
                path += L'\\';
            for (const auto& f : inst.files)
                if (_wcsnicmp(f.path.c_str(), path.c_str(), path.size()) == 0)
                    paths.insert(Capitals(f.path));
            return paths;
        }
        const RegNode root = dynamic_cast<RegistryBackupItem&>(*item).build_root();
        const std::wstring key = root.key_path();
        for (const auto& v : inst.values)
            if (v.root == root.root() && (_wcsicmp(v.key.c_str(), key.c_str()) == 0 ||
                                          _wcsnicmp(v.key.c_str(), (key + L"\\").c_str(), key.size() + 1) == 0))
                paths.insert(Capitals(v.key + L"\\" + v.name));
        return paths;
    }
    // The same of every file and value an archive holds, read by the engine's lister.
    static std::set<std::wstring> ArchivePaths(const std::wstring& archive)
    {
        ItemHeadList heads;
        DataRestore<NoWriterFactories> lister(archive, 44, nullptr, L"");
        lister.set_head_list(&heads);
        lister.run();
        WriterFactories factories;
        std::set<std::wstring> paths;
        for (const ItemHeadEntry& entry : heads) {
            std::unique_ptr<DataItem> item(
                dynamic_cast<DataItemFactory*>(find_factory(factories.list, entry.type))->create());
            item->set_head(entry.head + 4);
            std::wstring location = item->location();
            if (entry.type == 1) {
                wchar_t expanded[4096];
                const DWORD n = ExpandEnvironmentStringsW(location.c_str(), expanded, 4096);
                location = n > 0 && n <= 4096 ? expanded : L"";
            }
            if (location.empty() || location.back() != L'\\')
                location += L'\\';
            paths.insert(Capitals(location + item->display_name()));
        }
        free_head_list(heads);
        return paths;
    }
    static std::wstring Capitals(std::wstring text)
    {
        for (wchar_t& c : text)
            c = towupper(c);
        return text;
    }
    // "Select Profile", then the dialog driven by `script`, then its Close button.
    void WithProfileDialog(const std::function<void(HWND)>& script)
    {
        Click(ID_SELECT_PROFILE);
        HWND dlg = Box(L"Profile manager");
        script(dlg);
        uitest::click(uitest::child(dlg, IDCANCEL));
        uitest::wait_gone(dlg);
    }

    UiThreadCall call;
    CMainFrame* frame = nullptr;
    HWND hwnd = nullptr;
};

TEST_F(MainFrameTest, ListsTheDefaultItemsWithTheirSizes)
{
    std::vector<RowView> rows;
    std::vector<std::string> clipped;
    Run([&] {
        rows = SizedRows();
        clipped = capture_and_check(hwnd, L"main-window");
        CloseWithYes();
    });
    // The default profile checks every default item: one row each, in the items' order.
    std::vector<BackupItem*> items;
    BuildDefaultItems(items);
    ASSERT_EQ(items.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(items[i]->get_name(), rows[i].text);
        EXPECT_TRUE(rows[i].checked);
        EXPECT_EQ(kRowDone, rows[i].state);
        EXPECT_TRUE(rows[i].hasItem);
        EXPECT_GT(rows[i].size, 0u);
        EXPECT_EQ(InstalledBytes(items[i]), rows[i].size);
        delete items[i];
    }
    EXPECT_EQ(std::vector<std::string>{}, clipped);
}

// A store folder that is gone shows "NOT FOUND": unchecked, without its item, and
// no selection command checks it again. Ctrl+A checks like "Select All"; Ctrl+P
// and Ctrl+T do nothing.
TEST_F(MainFrameTest, AMissingStoreIsNotFoundAndStaysUnchecked)
{
    const std::wstring work = L"GUID: {A0F47C22-81D3-4B6E-B5A9-3E2C90D41F87}";
    std::wstring store;
    for (const auto& f : inst.files)
        if (f.path.find(L"{A0F47C22") != std::wstring::npos) {
            DeleteFileW(f.path.c_str());
            store = f.path.substr(0, f.path.rfind(L'\\'));
        }
    ASSERT_TRUE(RemoveDirectoryW(store.c_str()));
    std::vector<RowView> rows;
    std::vector<bool> none, all, ctrlA, ctrlPT;
    std::vector<std::string> clipped;
    Run([&] {
        rows = SizedRows();
        // Every state a row shows, in one picture: waiting, sizing, sized, not found.
        call([&] {
            frame->view.list.SetItemState(0, kRowWaiting);
            frame->view.list.SetItemState(1, kRowRunning);
        });
        clipped = capture_and_check(hwnd, L"main-window-not-found");
        call([&] {
            frame->view.list.SetItemState(0, kRowDone);
            frame->view.list.SetItemState(1, kRowDone);
        });
        Click(ID_SELECT_NONE);
        none = Checks();
        Click(ID_SELECT_ALL);
        all = Checks();
        Click(ID_SELECT_NONE);
        uitest::key(List(), 'A', true);
        ctrlA = Checks();
        Click(ID_SELECT_NONE);
        uitest::key(List(), 'P', true);
        uitest::key(List(), 'T', true);
        ctrlPT = Checks();
        CloseWithYes();
    });
    ASSERT_EQ(7u, rows.size());
    std::vector<bool> expected;
    for (const RowView& r : rows) {
        const bool gone = r.text.find(work) != std::wstring::npos;
        EXPECT_EQ(gone ? kRowFailed : kRowDone, r.state) << uitest::narrow(r.text);
        EXPECT_EQ(!gone, r.checked);
        EXPECT_EQ(!gone, r.hasItem);
        expected.push_back(!gone);
    }
    EXPECT_EQ(std::vector<bool>(7, false), none);
    EXPECT_EQ(expected, all);
    EXPECT_EQ(expected, ctrlA);
    EXPECT_EQ(std::vector<bool>(7, false), ctrlPT);
    EXPECT_EQ(std::vector<std::string>{}, clipped);
}

// "Additional Folder" adds a checked row of its own kind, sized as every row is; the
// same folder again is refused, the same folder in other letter case is another item.
TEST_F(MainFrameTest, AdditionalFolderAddsACheckedRowOnce)
{
    const std::wstring folder = scratch_folder(L"custom");
    CreateDirectoryW((folder + L"\\sub").c_str(), nullptr);
    write_file(folder + L"\\notes.txt", std::string(300000, 'n'));
    write_file(folder + L"\\sub\\mail.eml", std::string(25001, 'm'));
    write_file(folder + L"\\sub\\empty.dat", "");
    std::wstring refusal;
    std::vector<RowView> rows;
    auto add = [&](const std::wstring& path) {
        Click(ID_ADDITIONAL_FOLDER);
        HWND dlg = Box(L"Additional Folder");
        uitest::type(uitest::child(dlg, IDC_FOLDER), path);
        uitest::click(uitest::child(dlg, IDOK));
        uitest::wait_gone(dlg);
    };
    Run([&] {
        SizedRows();
        add(folder);
        add(folder);
        HWND box = Box(L"Error");
        refusal = Static(box);
        uitest::press(box, IDOK);
        uitest::wait_gone(box);
        std::wstring upper = folder;
        for (wchar_t& c : upper)
            c = towupper(c);
        add(upper);
        rows = SizedRows();
        capture_and_check(hwnd, L"main-window-custom-folder");
        CloseWithYes();
    });
    EXPECT_EQ(L"Sorry, you cannot add this folder because the custom folder is already exist!", refusal);
    ASSERT_EQ(9u, rows.size());
    for (size_t i = 7; i < 9; ++i) {
        EXPECT_EQ(kRowDone, rows[i].state);
        EXPECT_TRUE(rows[i].checked);
        EXPECT_TRUE(rows[i].hasItem);
        EXPECT_EQ(325001u, rows[i].size);
    }
    EXPECT_EQ(L"Custom Folder - " + folder, rows[7].text);
    EXPECT_NE(rows[7].text, rows[8].text);
}

// A new profile with two items ticked, made current in the profile manager: on
// Close the rows take its checks, a row checked by hand joins them, and Backup
// writes exactly the items of the rows checked. Chosen again at the next start,
// "Default" brings back the rows that profile left out, checked and sized.
TEST_F(MainFrameTest, TheRowsFollowTheCurrentProfileAndBackupTakesTheCheckedRows)
{
    const std::wstring archive = scratch_folder(L"profile-backup") + L"\\work.bvk2";
    std::vector<RowView> rows, second, restored;
    std::vector<bool> followed, byHand;
    std::wstring end;
    Run([&] {
        rows = SizedRows();
        WithProfileDialog([&](HWND dlg) {
            uitest::click(uitest::child(dlg, IDC_NEW_PROFILE));
            HWND ask = Box(L"Enter Profile name");
            uitest::type(uitest::child(ask, IDC_PROFILE_NAME), L"Work only");
            uitest::key(uitest::child(ask, IDC_PROFILE_NAME), VK_RETURN);
            uitest::wait_gone(ask);
            HWND list = uitest::child(dlg, IDC_PROFILE_ITEMS);
            click_list_check(list, 1);
            click_list_check(list, 4);
        });
        followed = Checks();
        // The last row checked by a click on its check box.
        RECT last = {};
        SendMessageW(List(), LB_GETITEMRECT, 6, reinterpret_cast<LPARAM>(&last));
        uitest::click_at(List(), 8, (last.top + last.bottom) / 2);
        byHand = Checks();
        Click(ID_BACKUP);
        start_backup(GetCurrentProcessId(), archive, L"");
        end = finish_backup(GetCurrentProcessId(), Box(L"Backup"));
        CloseWithYes();
    });
    ASSERT_EQ(7u, rows.size());
    const std::vector<bool> work = {false, true, false, false, true, false, false};
    EXPECT_EQ(work, followed);
    std::vector<bool> shown = work;
    shown[6] = true;
    EXPECT_EQ(shown, byHand);
    EXPECT_EQ(L"Backup process has finished successfully!", end);

    std::vector<BackupItem*> items;
    BuildDefaultItems(items);
    ASSERT_EQ(rows.size(), items.size());
    std::set<std::wstring> expected;
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i]->get_name(), rows[i].text);
        const std::set<std::wstring> paths = InstalledPaths(items[i]);
        EXPECT_FALSE(paths.empty()) << uitest::narrow(rows[i].text);
        if (shown[i])
            expected.insert(paths.begin(), paths.end());
    }
    EXPECT_EQ(expected, ArchivePaths(archive));

    // The next start shows the rows "Work only" checks; choosing "Default" (the
    // first name, by keyboard) adds the others after them.
    Run([&] {
        second = SizedRows();
        WithProfileDialog([&](HWND dlg) { uitest::key(uitest::child(dlg, IDC_PROFILE_COMBO), VK_HOME); });
        restored = SizedRows();
        CloseWithYes();
    });
    ASSERT_EQ(2u, second.size());
    EXPECT_EQ(items[1]->get_name(), second[0].text);
    EXPECT_EQ(items[4]->get_name(), second[1].text);
    ASSERT_EQ(7u, restored.size());
    std::vector<std::wstring> order;
    for (size_t i : {1, 4, 0, 2, 3, 5, 6})
        order.push_back(items[i]->get_name());
    for (size_t i = 0; i < restored.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(order[i], restored[i].text);
        EXPECT_TRUE(restored[i].checked);
        EXPECT_EQ(kRowDone, restored[i].state);
        EXPECT_GT(restored[i].size, 0u);
    }
    for (BackupItem* item : items)
        delete item;
}

// Cancel in the running-programs list ends Backup: no progress window, no archive.
// With the mail program gone, the next Backup runs.
TEST_F(MainFrameTest, CancelWhileTheMailProgramRunsWritesNoArchive)
{
    const std::wstring work = scratch_folder(L"mail-running");
    const std::wstring archive = work + L"\\mail.bvk2";
    std::optional<RunningProgram> mail(std::in_place, work, L"msimn.exe");
    bool progressShown = true, existedAfterCancel = true;
    std::wstring end;
    Run([&] {
        SizedRows();
        Click(ID_BACKUP);
        start_backup(GetCurrentProcessId(), archive, L"");
        HWND list = Box(L" These programs must be closed!");
        uitest::click(uitest::child(list, IDCANCEL));
        uitest::wait_gone(list);
        uitest::require([&] { return IsWindowEnabled(hwnd) != FALSE; }, "the command's end");
        call([] {});
        progressShown = uitest::find_window(L"Backup", L"#32770", GetCurrentProcessId()) != nullptr;
        existedAfterCancel = GetFileAttributesW(archive.c_str()) != INVALID_FILE_ATTRIBUTES;
        mail.reset();
        Click(ID_BACKUP);
        start_backup(GetCurrentProcessId(), archive, L"");
        end = finish_backup(GetCurrentProcessId(), Box(L"Backup"));
        CloseWithYes();
    });
    EXPECT_FALSE(progressShown);
    EXPECT_FALSE(existedAfterCancel);
    EXPECT_EQ(L"Backup process has finished successfully!", end);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(archive.c_str()));
}

// The ribbon's dialogs open from their buttons: About, the profile manager, the
// preference sheet; "Help Topics" and F1 report the missing help file.
TEST_F(MainFrameTest, RibbonCommandsReachTheirHandlers)
{
    std::vector<std::wstring> helpTexts;
    Run([&] {
        SizedRows();
        const struct {
            UINT id;
            const wchar_t* title;
        } dialogs[] = {{ID_APP_ABOUT, L"About ..."},
                       {ID_SELECT_PROFILE, L"Profile manager"},
                       {ID_PREFERENCE_ARCHIVE, L"Preference"}};
        for (const auto& d : dialogs) {
            Click(d.id);
            HWND dlg = Box(d.title);
            uitest::press(dlg, IDCANCEL);
            uitest::wait_gone(dlg);
        }
        Click(ID_HELP_FINDER);
        HWND box = Box(L"Korvane");
        helpTexts.push_back(Static(box));
        uitest::press(box, IDOK);
        uitest::wait_gone(box);
        uitest::key(List(), VK_F1);
        box = Box(L"Korvane");
        helpTexts.push_back(Static(box));
        uitest::press(box, IDOK);
        uitest::wait_gone(box);
        CloseWithYes();
    });
    EXPECT_EQ((std::vector<std::wstring>{L"Failed to launch help.", L"Failed to launch help."}), helpTexts);
}

// The program's own ribbon: its buttons' tips are the commands' strings, the
// application button's the program's title.
TEST_F(MainFrameTest, TheRibbonTipsAreTheCommandStrings)
{
    std::vector<std::wstring> tips;
    Run([&] {
        SizedRows();
        call([&] {
            HWND ribbon = frame->ribbon.m_hWnd;
            for (UINT id : {ID_BACKUP, ID_ADDITIONAL_FOLDER, ID_RESTORE_WIZARD, ID_SELECT_NONE, ID_APP_ABOUT}) {
                RECT r = {};
                tips.push_back(frame->ribbon.GetElementRect(id, &r)
                                   ? uitest::tool_tip(ribbon, {(r.left + r.right) / 2, (r.top + r.bottom) / 2})
                                   : L"(not shown)");
            }
            const RECT orb = frame->ribbon.GetApplicationButtonRect();
            tips.push_back(uitest::tool_tip(ribbon, {(orb.left + orb.right) / 2, (orb.top + orb.bottom) / 2}));
        });
        CloseWithYes();
    });
    EXPECT_EQ((std::vector<std::wstring>{L"Backup\nBackup select items", L"Additional folder\nAdd custom folder",
                                         L"Restore Wizard\nStart restore wizard",
                                         L"Unselect All\nDon't select any item", L"About\nDisplay program information",
                                         L"Brisvale 2.9e"}),
              tips);
}

// The application button's menu: "Help Topics" reports the missing help, "Exit"
// asks before the window goes.
TEST_F(MainFrameTest, TheApplicationMenuOffersHelpAndExit)
{
    std::wstring helpText, exitText;
    Run([&] {
        SizedRows();
        auto choose = [&](int index) {
            RECT orb = {};
            call([&] { orb = frame->ribbon.GetApplicationButtonRect(); });
            uitest::click_at(frame->ribbon.m_hWnd, (orb.left + orb.right) / 2, (orb.top + orb.bottom) / 2);
            HWND menu = nullptr;
            uitest::require([&] { return (menu = uitest::find_window(L"", L"#32768")) != nullptr; }, "the menu");
            HMENU items = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
            RECT r = {};
            if (!GetMenuItemRect(nullptr, items, index, &r))
                throw uitest::Failure("no menu entry " + std::to_string(index));
            POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
            ScreenToClient(menu, &p);
            uitest::click_at(menu, p.x, p.y);
        };
        choose(0);
        HWND box = Box(L"Korvane");
        helpText = Static(box);
        uitest::press(box, IDOK);
        uitest::wait_gone(box);
        choose(3);
        box = Box(L"Confirm exit");
        exitText = Static(box);
        uitest::press(box, IDYES);
    });
    EXPECT_EQ(L"Failed to launch help.", helpText);
    EXPECT_EQ(L"Exit Brisvale 2.9e, Are you sure?", exitText);
}

// A close confirmed while a dialog of the window is open waits for that dialog.
TEST_F(MainFrameTest, AConfirmedCloseWaitsForAnOpenDialog)
{
    bool aliveWithDialog = false;
    Run([&] {
        SizedRows();
        Click(ID_APP_ABOUT);
        HWND about = Box(L"About ...");
        CloseWithYes();
        // A fixed time on purpose: it shows that the window and its dialog stay within it.
        std::this_thread::sleep_for(2500ms);
        aliveWithDialog = IsWindow(hwnd) && IsWindow(about);
        uitest::press(about, IDOK);
        uitest::wait_gone(hwnd);
    });
    EXPECT_TRUE(aliveWithDialog);
}

}  // namespace
