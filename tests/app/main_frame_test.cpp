// The main window over the fake mail-client installation, run as the program runs
// it (the application's message loop on this thread) and worked by real keys and
// clicks from a driver thread.
#include <gtest/gtest.h>
#include <chrono>
#include "backup_item.h"
#include "default_items.h"
#include "dialog_check.h"
#include "korvane_app.h"
#include "main_frame.h"
#include "oe_fixture.h"
#include "regkey.h"
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

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_common_controls();
        inst = oe_fixture::Load(oe_fixture::DefaultFolder());
        oe_fixture::Remove(inst);
        oe_fixture::Install(inst);
        CRegKey key;
        if (key.Open(HKEY_CURRENT_USER, L"Software\\Brisvale 2.9e") == ERROR_SUCCESS)
            key.RecurseDeleteKey(L"Profiles");
    }
    void TearDown() override { oe_fixture::Remove(inst); }

    // Opens the main window as the program does, runs script on a driver thread and
    // returns when the window is gone (the script ends by closing it). After a
    // failure the exit question is answered Yes so the window can go.
    void Run(const std::function<void()>& script)
    {
        std::atomic<bool> failed{false};
        ui::Override<ui::PromptSeam> prompts(ui::prompt, [&, real = ui::prompt](HWND owner, const std::wstring& text,
                                                                               const std::wstring& caption, UINT flags) {
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
    void Command(UINT id) { PostMessageW(hwnd, WM_COMMAND, id, 0); }

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
            return oe_fixture::FolderBytes(inst, path.substr(0, path.size() - 1));
        }
        const RegNode root = dynamic_cast<RegistryBackupItem&>(*item).build_root();
        return oe_fixture::RegistryBytes(inst, root.root(), root.key_path());
    }

    oe_fixture::Installation inst;
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

}  // namespace
