// The restore wizard driven as a user drives it: typed paths and passwords, clicked
// buttons, over the public fixture archives and archives made here, restoring into
// a scratch folder and the fixtures' registry key.
#include <gtest/gtest.h>
#include <openssl/sha.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <functional>
#include <map>
#include <set>
#include "app_messages.h"
#include "archive_header.h"
#include "backup_item.h"
#include "dialog_check.h"
#include "json.h"
#include "prompt_recorder.h"
#include "restore_page.h"
#include "restore_wizard.h"
#include "restore_wizard_driver.h"
#include "ui_driver.h"
#include "ui_fixture.h"

namespace {

const wchar_t kFixtureKey[] = L"Software\\BrisvaleFixtures";
const wchar_t kFinishedWithLosses[] = L"Restore process has finished, but some items could not be restored.";
const wchar_t kDamaged[] =
    L"Failed to read archive, your archive file has error! Some files in your archive can not be restored.";

std::string Sha256(const std::string& bytes)
{
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : digest) {
        out += hex[c >> 4];
        out += hex[c & 15];
    }
    return out;
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());  // the manifests' digests are ASCII
}

// A registry value as the restore left it: its type and bytes, or nothing.
std::optional<std::pair<DWORD, std::string>> ReadValue(HKEY root, const std::wstring& key, const std::wstring& name)
{
    HKEY k;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0, size = 0;
    std::optional<std::pair<DWORD, std::string>> out;
    if (RegQueryValueExW(k, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::string data(size, '\0');
        if (RegQueryValueExW(k, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) ==
            ERROR_SUCCESS)
            out = std::make_pair(type, data.substr(0, size));
    }
    RegCloseKey(k);
    return out;
}

struct Fixture {
    std::wstring path;
    std::wstring password;
    testjson::Value manifest;
};

std::vector<Fixture> Fixtures()
{
    std::vector<Fixture> out;
    for (const auto& entry : testjson::parse_file(fixture_path(L"archives\\INDEX.json")).items)
        out.push_back({fixture_path(L"archives\\" + entry["archive"].text), entry["password"].text,
                       testjson::parse_file(fixture_path(L"archives\\" + entry["expected"].text))});
    return out;
}

// Every item back as its manifest says ('R'), still the good copy laid there before
// ('G'), or anything else ('X').
std::string States(const testjson::Value& manifest)
{
    std::string out;
    for (const auto& item : manifest["items"].items) {
        const std::string good = "good copy " + std::to_string(int(item["index"].number));
        if (item["type"].text == L"file") {
            const std::string data = read_file(expand(item["restore_path"].text));
            out += Sha256(data) == Narrow(item["sha256"].text) ? 'R' : data == good ? 'G' : 'X';
            continue;
        }
        HKEY root = uint32_t(item["root"].number) == 0x80000002u ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
        auto value = ReadValue(root, item["key"].text, item["value_name"].text);
        out +=
            !value ? 'X'
            : value->first == DWORD(item["value_type"].number) && Sha256(value->second) == Narrow(item["sha256"].text)
                ? 'R'
            : value->first == REG_BINARY && value->second == good ? 'G'
                                                                  : 'X';
    }
    return out;
}

// A good copy of the user's at every target, so that a restore that writes
// nothing or something wrong shows.
void LayGoodCopies(const testjson::Value& manifest)
{
    for (const auto& item : manifest["items"].items) {
        const std::string good = "good copy " + std::to_string(int(item["index"].number));
        if (item["type"].text == L"file") {
            const std::wstring path = expand(item["restore_path"].text);
            SHCreateDirectoryExW(nullptr, path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
            write_file(path, good);
            continue;
        }
        HKEY key;
        RegCreateKeyExW(HKEY_CURRENT_USER, item["key"].text.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr);
        RegSetValueExW(key, item["value_name"].text.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(good.data()),
                       DWORD(good.size()));
        RegCloseKey(key);
    }
}

// What the contents page must show: every named item under its folder or key.
std::multiset<std::wstring> ExpectedTree(const testjson::Value& manifest)
{
    std::multiset<std::wstring> out;
    bool files = false, values = false;
    for (const auto& item : manifest["items"].items) {
        if (item["type"].text == L"file") {
            out.insert(L"File Items\\" + item["folder"].text + L"\\" + item["name"].text);
            files = true;
        } else if (!item["value_name"].text.empty()) {
            out.insert(L"Registry Items\\" + item["key"].text + L"\\" + item["value_name"].text);
            values = true;
        }
    }
    if (!values)
        out.insert(L"Registry Items");
    if (!files)
        out.insert(L"File Items");
    return out;
}

class RestoreWizard : public ::testing::Test {
protected:
    void SetUp() override
    {
        init_common_controls();
        folder = scratch_folder(L"restore-wizard");
        // Every place the fixtures name lies in the scratch folder.
        for (const wchar_t* name : {L"SystemDrive", L"APPDATA", L"USERPROFILE"}) {
            wchar_t old[32768];
            DWORD n = GetEnvironmentVariableW(name, old, 32768);
            saved.emplace_back(name, n ? std::optional<std::wstring>(old) : std::nullopt);
            SetEnvironmentVariableW(name, folder.c_str());
        }
        SHDeleteKeyW(HKEY_CURRENT_USER, kFixtureKey);
    }
    void TearDown() override
    {
        for (const auto& [name, value] : saved)
            SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
        SHDeleteKeyW(HKEY_CURRENT_USER, kFixtureKey);
    }

    // Runs the wizard on this thread while the script drives it.
    INT_PTR Run(CWnd* parent, const wchar_t* path, const std::function<void(RestoreWizardDriver&)>& script)
    {
        uitest::Driver driver([&] {
            RestoreWizardDriver wizard;
            try {
                script(wizard);
            } catch (...) {
                // The wizard asks before it is cancelled, and a recorder out of answers
                // says no: end it as its Finish button does, so the test fails instead of hanging.
                PostMessageW(wizard.sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
                throw;
            }
            uitest::wait_gone(wizard.sheet);
        });
        INT_PTR result = RunRestoreWizard(parent, path);
        EXPECT_EQ("", driver.finish(std::chrono::milliseconds(120000)));
        return result;
    }

    // The files below the scratch folder whose names a restore uses for its data in progress.
    std::vector<std::wstring> TemporaryFiles(const std::wstring& under) const
    {
        std::vector<std::wstring> out;
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((under + L"\\*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE)
            return out;
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                for (const std::wstring& inner : TemporaryFiles(under + L"\\" + name))
                    out.push_back(inner);
            } else if (name.rfind(L"~kv", 0) == 0) {
                out.push_back(under + L"\\" + name);
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
        return out;
    }

    std::wstring folder;
    std::vector<std::pair<std::wstring, std::optional<std::wstring>>> saved;
};

TEST_F(RestoreWizard, EveryFixtureRestoresThroughTheWizard)
{
    std::vector<std::string> clipped;
    bool firstRun = true;
    for (const Fixture& f : Fixtures()) {
        SCOPED_TRACE(uitest::narrow(f.path));
        SHDeleteKeyW(HKEY_CURRENT_USER, kFixtureKey);
        LayGoodCopies(f.manifest);
        PromptRecorder prompts;
        std::multiset<std::wstring> tree, treeAgain;
        std::string beforeRestore;
        const INT_PTR result = Run(nullptr, nullptr, [&](RestoreWizardDriver& w) {
            w.WaitPage(L"Select archive");
            EXPECT_EQ(L"", uitest::text(w.Control(IDC_ARCHIVE_PATH)));
            if (firstRun) {
                // Empty, missing and folder paths, as typed.
                w.Screenshot(L"restore-wizard-1", clipped);
                w.Click(kNext);
                uitest::require([&] { return prompts.seen().size() == 1; }, "empty path box");
                w.TypePath(folder + L"\\missing.bvk2");
                w.Click(kNext);
                uitest::require([&] { return prompts.seen().size() == 2; }, "missing path box");
                EXPECT_EQ(L"Select archive", uitest::text(w.Control(IDC_WIZ_TITLE)));
                w.TypePath(folder);
                w.Click(kNext);
                w.BackFromRefusal();
            }
            w.TypePath(f.path);
            // The password is asked while page 2 becomes the current page.
            if (!f.password.empty()) {
                // Wrong, case changed and cancelled: refused, Back only; then the right one.
                std::wstring changedCase = f.password;
                for (wchar_t& c : changedCase)
                    c = iswupper(c) ? towlower(c) : towupper(c);
                for (const wchar_t* attempt : {L"wrong", changedCase.c_str(), static_cast<const wchar_t*>(nullptr)}) {
                    w.Click(kNext);
                    w.AnswerPassword(attempt);
                    w.BackFromRefusal();
                }
            }
            w.NextToContents(f.password);
            tree = w.Tree();
            if (firstRun)
                w.Screenshot(L"restore-wizard-2", clipped);
            if (!f.password.empty()) {
                // Back and Next again: asked again, each item listed once.
                w.Click(kBack);
                w.WaitPage(L"Select archive");
                w.NextToContents(f.password);
                treeAgain = w.Tree();
            }
            w.Click(kNext);
            w.WaitPage(L"Ready to restore");
            EXPECT_FALSE(IsWindowEnabled(w.Button(kBack)));
            EXPECT_FALSE(IsWindowEnabled(w.Button(kNext)));
            EXPECT_FALSE(IsWindowEnabled(w.Control(IDC_RESTORE_CANCEL)));
            if (firstRun)
                w.Screenshot(L"restore-wizard-3", clipped);
            beforeRestore = States(f.manifest);
            w.ClickOnPage(IDC_RESTORE);
            w.WaitStatus(kFinished);
            if (firstRun)
                w.Screenshot(L"restore-wizard-3-restored", clipped);
            w.Click(kNext);
            w.WaitPage(L"Restore has finished");
            w.WaitEnabled(kFinish);
            EXPECT_FALSE(IsWindowEnabled(w.Button(kBack)));
            EXPECT_EQ(L"Congratulation! Restore successfully!", w.Status());
            if (firstRun)
                w.Screenshot(L"restore-wizard-4", clipped);
            w.Click(kFinish);
        });
        EXPECT_EQ(ID_WIZFINISH, result);
        EXPECT_EQ(ExpectedTree(f.manifest), tree);
        if (!f.password.empty()) {
            EXPECT_EQ(tree, treeAgain);
        }
        EXPECT_EQ(std::string(f.manifest["items"].items.size(), 'G'), beforeRestore) << "listing writes nothing";
        EXPECT_EQ(std::string(f.manifest["items"].items.size(), 'R'), States(f.manifest));
        EXPECT_EQ(std::vector<std::wstring>{}, TemporaryFiles(folder));
        // The boxes: the three refused paths of page 1, the three refused passwords.
        std::vector<std::wstring> texts;
        for (const PromptRecord& p : prompts.seen())
            texts.push_back(p.text + L" | " + p.caption);
        std::vector<std::wstring> expected;
        if (firstRun)
            expected.assign(2, L"Please enter a valid archive filename before you go next step! | Error");
        if (!f.password.empty())
            expected.insert(
                expected.end(), 3,
                L"The password you have entered is wrong, please click \"Back\" button and try again! | Error");
        EXPECT_EQ(expected, texts);
        firstRun = false;
    }
    EXPECT_EQ(std::vector<std::string>{}, clipped);
}

// Damage half-way: the error on both pages, the items before it restored whole,
// the good copies after it untouched, no temporary file left.
TEST_F(RestoreWizard, DamagedArchiveRestoresWhatComesBeforeTheDamage)
{
    const Fixture f = Fixtures()[0];  // p1: three files, then a value
    LayGoodCopies(f.manifest);
    std::string archive = read_file(f.path);
    archive.resize(archive.size() - 40);  // inside the last record, a value
    const std::wstring path = folder + L"\\damaged.bvk2";
    write_file(path, archive);
    PromptRecorder prompts;
    const INT_PTR result = Run(nullptr, path.c_str(), [&](RestoreWizardDriver& w) {
        w.WaitPage(L"Select archive");
        EXPECT_EQ(path, uitest::text(w.Control(IDC_ARCHIVE_PATH)));
        w.NextToContents(L"");
        w.Restore(kFinishedWithLosses);
        w.Click(kNext);
        w.WaitPage(L"Restore has finished");
        EXPECT_EQ(kFinishedWithLosses, w.Status()) << "no success claimed for a restore with losses";
        w.Click(kFinish);
    });
    EXPECT_EQ(ID_WIZFINISH, result);
    EXPECT_EQ("RRRG", States(f.manifest));
    EXPECT_EQ(std::vector<std::wstring>{}, TemporaryFiles(folder));
    ASSERT_EQ(2u, prompts.seen().size());
    for (const PromptRecord& p : prompts.seen()) {
        EXPECT_EQ(kDamaged, p.text);
        EXPECT_EQ(L"Error", p.caption);
        EXPECT_EQ(UINT(MB_ICONERROR), p.flags);
    }
}

// An item with an unsafe name is not restored, and the restore says so.
TEST_F(RestoreWizard, ItemsLeftOutAreNamedInAWarning)
{
    const Fixture f = Fixtures()[0];
    LayGoodCopies(f.manifest);
    // The second record's head, stored unpacked, with a name that climbs out of its folder.
    const std::string original = read_file(f.path);
    const uint32_t firstLength = *reinterpret_cast<const uint32_t*>(original.data() + 44);
    size_t second = 44 + 4 + firstLength;
    while (original[second] == 0)  // past the first record's chunks to its end marker
        second += 8 + *reinterpret_cast<const uint32_t*>(original.data() + second + 4);
    second += 8;
    std::vector<uint8_t> head(8216, 0);
    head[0] = 1;
    head[8] = 3;  // three bytes
    const std::wstring folderText = L"%SystemDrive%\\BrisvaleFixtures\\p1", name = L"..\\escaped.txt";
    memcpy(head.data() + 18, folderText.c_str(), folderText.size() * 2);
    memcpy(head.data() + 18 + 4096, name.c_str(), name.size() * 2);
    std::string record(4, '\0');
    *reinterpret_cast<uint32_t*>(record.data()) = 8217;
    record += '\0';
    record.append(reinterpret_cast<const char*>(head.data()), head.size());
    record += std::string("\0\0\0\0\3\0\0\0abc", 11) + std::string("\1\0\0\0\0\0\0\0", 8);
    const std::wstring path = folder + L"\\unsafe.bvk2";
    write_file(path, original.substr(0, second) + record + original.substr(second));
    PromptRecorder prompts({IDOK, IDYES});
    Run(nullptr, path.c_str(), [&](RestoreWizardDriver& w) {
        w.NextToContents(L"");
        w.Restore(kFinishedWithLosses);
        w.WaitEnabled(kNext);
        w.Click(IDCANCEL);
    });
    EXPECT_EQ("RRRR", States(f.manifest));
    EXPECT_FALSE(PathFileExistsW((folder + L"\\BrisvaleFixtures\\escaped.txt").c_str()));
    ASSERT_EQ(2u, prompts.seen().size());
    EXPECT_EQ(L"1 item(s) could not be restored:\n" + folderText + L"\\" + name, prompts.seen()[0].text);
    EXPECT_EQ(L"Warning", prompts.seen()[0].caption);
    EXPECT_EQ(UINT(MB_ICONWARNING), prompts.seen()[0].flags);
    EXPECT_EQ(L"Exit restore wizard, are you sure?", prompts.seen()[1].text);
}

TEST(RestoreWizardText, WarningNamesTenItemsAndCountsTheRest)
{
    struct Row {
        size_t items;
        std::wstring text;
    } rows[] = {
        {1, L"1 item(s) could not be restored:\nC:\\f\\n0"},
        {10,
         L"10 item(s) could not be restored:\nC:\\f\\n0\nC:\\f\\n1\nC:\\f\\n2\nC:\\f\\n3\nC:\\f\\n4\nC:\\f\\n5"
         L"\nC:\\f\\n6\nC:\\f\\n7\nC:\\f\\n8\nC:\\f\\n9"},
        {13,
         L"13 item(s) could not be restored:\nC:\\f\\n0\nC:\\f\\n1\nC:\\f\\n2\nC:\\f\\n3\nC:\\f\\n4\nC:\\f\\n5"
         L"\nC:\\f\\n6\nC:\\f\\n7\nC:\\f\\n8\nC:\\f\\n9\nand 3 more"},
    };
    for (const Row& row : rows) {
        std::vector<SkippedItem> skipped;
        for (size_t i = 0; i < row.items; ++i)
            skipped.push_back({L"C:\\f", L"n" + std::to_wstring(i), RestoreOutcome::Incomplete});
        EXPECT_EQ(row.text, SkippedItemsText(skipped));
    }
    // A key's default value shows as its key; a record of unknown kind by its type.
    EXPECT_EQ(L"2 item(s) could not be restored:\nSoftware\\K\nrecord type 7",
              SkippedItemsText({{L"Software\\K", L"", RestoreOutcome::ValueNotSet},
                                {L"", L"record type 7", RestoreOutcome::UnknownType}}));
}

// An archive of many small files, so that a stop can fall between them.
constexpr int kManyItems = 100;
std::wstring ManyItemsArchive(const std::wstring& folder, const std::wstring& source)
{
    CreateDirectoryW(source.c_str(), nullptr);
    for (int i = 0; i < kManyItems; ++i)
        write_file(source + L"\\mail" + std::to_wstring(i) + L".eml", std::string(2000 + i, char('a' + i % 26)));
    const std::wstring archive = folder + L"\\many.bvk2";
    WriteArchiveHeader(archive.c_str(), *BuildArchiveHeader(false, false, L""));
    FolderBackupItem item(1);
    item.set_folder(source);
    item.backup(archive, nullptr, false, false, L"");
    return archive;
}

size_t FilesIn(const std::wstring& folder)
{
    size_t n = 0;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*.eml").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do
        ++n;
    while (FindNextFileW(find, &found));
    FindClose(find);
    return n;
}

// Holds a worker at its first message to this thread that `matches`, pumping this
// thread's messages until `release` is true: the worker is then surely still
// running while the user acts, however busy the machine.
class WorkerHold {
public:
    WorkerHold(std::function<bool(const CWPSTRUCT&)> matches, std::function<bool()> release)
        : matches_(std::move(matches)), release_(std::move(release))
    {
        holds_.push_back(this);
        hook_ = SetWindowsHookExW(WH_CALLWNDPROC, &Hook, nullptr, GetCurrentThreadId());
    }
    ~WorkerHold()
    {
        UnhookWindowsHookEx(hook_);
        std::erase(holds_, this);
    }
    bool held() const { return held_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HC_ACTION && InSendMessage()) {
            for (WorkerHold* self : holds_) {
                if (!self->held_ && self->matches_(*reinterpret_cast<const CWPSTRUCT*>(lParam))) {
                    self->Hold();
                    break;
                }
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    void Hold()
    {
        held_ = true;
        // Bounded, so that a test that never releases fails instead of hanging.
        const auto end = std::chrono::steady_clock::now() + uitest::kDefaultTimeout;
        MSG msg;
        while (!release_() && std::chrono::steady_clock::now() < end) {
            if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            } else {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            }
        }
    }
    static inline std::vector<WorkerHold*> holds_;
    std::function<bool(const CWPSTRUCT&)> matches_;
    std::function<bool()> release_;
    HHOOK hook_ = nullptr;
    bool held_ = false;
};

// Closing is refused while a worker runs; Stop ends the restore between items and
// a second Restore restores everything.
TEST_F(RestoreWizard, StopBetweenItemsAndRefuseToCloseWhileRunning)
{
    const std::wstring source = folder + L"\\mail";
    const std::wstring archive = ManyItemsArchive(folder, source);
    // The restore puts the files back where they were: empty the folder first.
    for (int i = 0; i < kManyItems; ++i)
        DeleteFileW((source + L"\\mail" + std::to_wstring(i) + L".eml").c_str());
    PromptRecorder prompts;
    size_t afterStop = 0;
    std::atomic<bool> stopClicked = false;
    // The listing worker waits at its first word to the page until the Cancel has
    // been refused, the restore worker at its status text until Stop is clicked.
    WorkerHold listing([](const CWPSTRUCT& m) { return m.message == WM_ARCHIVE_RESET; },
                       [&] { return prompts.seen().size() == 1; });
    WorkerHold restoring(
        [](const CWPSTRUCT& m) {
            return m.message == WM_SETTEXT &&
                   std::wstring(reinterpret_cast<const wchar_t*>(m.lParam)) == L"Restoring, please wait ...";
        },
        [&] { return stopClicked.load(); });
    Run(nullptr, archive.c_str(), [&](RestoreWizardDriver& w) {
        w.Click(kNext);
        w.WaitPage(L"Basic information");
        // Cancel while the contents load: refused without asking.
        w.Click(IDCANCEL);
        uitest::require([&] { return prompts.seen().size() == 1; }, "refusal while listing");
        w.WaitStatus(L"The items included in your archive file:");
        w.Click(kNext);
        w.WaitPage(L"Ready to restore");
        w.ClickOnPage(IDC_RESTORE);
        w.Click(IDCANCEL);  // the wizard's Cancel while restoring: refused
        w.ClickOnPage(IDC_RESTORE_CANCEL);
        stopClicked = true;
        w.WaitStatus(L"Ready to restore! Please press \"Restore\" button to continue ...");
        uitest::require([&] { return prompts.seen().size() == 3; }, "terminated box");
        afterStop = FilesIn(source);
        EXPECT_FALSE(IsWindowEnabled(w.Button(kNext)));
        w.ClickOnPage(IDC_RESTORE);
        w.WaitStatus(kFinished);
        w.Click(kNext);
        w.WaitPage(L"Restore has finished");
        w.Click(kFinish);
    });
    std::vector<std::wstring> texts;
    for (const PromptRecord& p : prompts.seen())
        texts.push_back(p.text + L" | " + p.caption);
    EXPECT_EQ(
        (std::vector<std::wstring>{L"You can not exit wizard when the archive information is loading! | Error",
                                   L"Restore process is running, please cancel the process before you exit! | Error",
                                   L"Restore process has been terminated by user! | Error"}),
        texts);
    EXPECT_TRUE(listing.held() && restoring.held()) << "both workers were held while the user acted";
    EXPECT_LT(afterStop, size_t(kManyItems)) << "the stop ended the restore early";
    EXPECT_EQ(size_t(kManyItems), FilesIn(source));
    EXPECT_EQ(std::string(2000, 'a'), read_file(source + L"\\mail0.eml"));
    const int last = kManyItems - 1;
    EXPECT_EQ(std::string(2000 + last, char('a' + last % 26)),
              read_file(source + L"\\mail" + std::to_wstring(last) + L".eml"));
    EXPECT_EQ(std::vector<std::wstring>{}, TemporaryFiles(folder));
}

// Cancel in the running-programs list restores nothing and leaves the page ready:
// with the mail program gone, Restore then restores everything.
TEST_F(RestoreWizard, CancelWhileTheMailProgramRunsLeavesThePageReady)
{
    const Fixture f = Fixtures()[0];
    LayGoodCopies(f.manifest);
    std::optional<RunningProgram> mail(std::in_place, folder, L"msimn.exe");
    PromptRecorder prompts;
    std::string afterCancel;
    std::wstring status;
    bool restoreEnabled = false, stopEnabled = true, nextEnabled = true;
    Run(nullptr, f.path.c_str(), [&](RestoreWizardDriver& w) {
        w.Click(kNext);
        w.WaitStatus(L"The items included in your archive file:");
        w.Click(kNext);
        w.WaitPage(L"Ready to restore");
        w.ClickOnPage(IDC_RESTORE);
        HWND list = uitest::wait_window(L" These programs must be closed!", L"#32770", GetCurrentProcessId());
        uitest::click(uitest::child(list, IDCANCEL));
        uitest::wait_gone(list);
        SendMessageW(w.Page(), WM_NULL, 0, 0);  // the page has done what the answer asked
        afterCancel = States(f.manifest);
        status = w.Status();
        restoreEnabled = IsWindowEnabled(w.Control(IDC_RESTORE)) != FALSE;
        stopEnabled = IsWindowEnabled(w.Control(IDC_RESTORE_CANCEL)) != FALSE;
        nextEnabled = IsWindowEnabled(w.Button(kNext)) != FALSE;
        mail.reset();
        w.ClickOnPage(IDC_RESTORE);
        w.WaitStatus(kFinished);
        w.Click(kNext);
        w.WaitPage(L"Restore has finished");
        w.Click(kFinish);
    });
    EXPECT_EQ(std::string(f.manifest["items"].items.size(), 'G'), afterCancel);
    EXPECT_EQ(L"Ready to restore! Please press \"Restore\" button to continue ...", status);
    EXPECT_TRUE(restoreEnabled);
    EXPECT_FALSE(stopEnabled);
    EXPECT_FALSE(nextEnabled);
    EXPECT_EQ(std::string(f.manifest["items"].items.size(), 'R'), States(f.manifest));
    EXPECT_EQ(0u, prompts.seen().size());
}

// With a parent the wizard is modal to it, opens on the given path, and shows no Help;
// Cancel asks first.
TEST_F(RestoreWizard, RunWithAParentIsModalToItAndCancelAsks)
{
    CWnd frame;
    frame.CreateEx(0, AfxRegisterWndClass(0), L"Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 300, 200}, nullptr,
                   0);
    const std::wstring path = Fixtures()[1].path;
    PromptRecorder prompts({IDNO, IDYES});
    HWND owner = nullptr;
    BOOL frameEnabled = TRUE;
    bool helpShown = true;
    std::wstring caption, shownPath;
    const INT_PTR result = Run(&frame, path.c_str(), [&](RestoreWizardDriver& w) {
        w.WaitPage(L"Select archive");
        owner = GetWindow(w.sheet, GW_OWNER);
        frameEnabled = IsWindowEnabled(frame.m_hWnd);
        HWND help = GetDlgItem(w.sheet, IDHELP);
        helpShown = help && IsWindowVisible(help);
        caption = uitest::text(w.sheet);
        shownPath = uitest::text(w.Control(IDC_ARCHIVE_PATH));
        w.Click(IDCANCEL);
        uitest::require([&] { return prompts.seen().size() == 1; }, "first question");
        EXPECT_TRUE(IsWindowVisible(w.sheet));
        w.Click(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(frame.m_hWnd, owner);
    EXPECT_FALSE(frameEnabled);
    EXPECT_TRUE(IsWindowEnabled(frame.m_hWnd));
    EXPECT_FALSE(helpShown);
    EXPECT_EQ(RestoreWizardDriver::kTitle, caption);
    EXPECT_EQ(path, shownPath);
    ASSERT_EQ(2u, prompts.seen().size());
    for (const PromptRecord& p : prompts.seen()) {
        EXPECT_EQ(L"Exit restore wizard, are you sure?", p.text);
        EXPECT_EQ(L"Question", p.caption);
        EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION), p.flags);
    }
    frame.DestroyWindow();
}

// An encrypted archive restores only under the password its header accepts: one
// replaced after the check is refused, and nothing is written.
TEST_F(RestoreWizard, RestoreNeedsThePasswordCheckOfTheArchiveInHand)
{
    const Fixture f = Fixtures()[2];  // compressed and encrypted
    ASSERT_FALSE(f.password.empty());
    LayGoodCopies(f.manifest);
    const std::wstring path = folder + L"\\swapped.bvk2";
    const std::string original = read_file(f.path);
    write_file(path, original);
    // The same items under a header whose password is another.
    ArchiveHeader other = *BuildArchiveHeader(true, true, L"Other-1");
    const std::string swapped = std::string(reinterpret_cast<const char*>(&other), sizeof other) + original.substr(44);
    PromptRecorder prompts;
    Run(nullptr, path.c_str(), [&](RestoreWizardDriver& w) {
        w.NextToContents(f.password);
        w.Click(kNext);
        w.WaitPage(L"Ready to restore");
        write_file(path, swapped);
        w.ClickOnPage(IDC_RESTORE);
        uitest::require([&] { return prompts.seen().size() == 1; }, "refusal");
        EXPECT_TRUE(IsWindowEnabled(w.Control(IDC_RESTORE)));
        write_file(path, original);
        w.ClickOnPage(IDC_RESTORE);
        w.WaitStatus(kFinished);
        w.Click(kNext);
        w.WaitPage(L"Restore has finished");
        w.Click(kFinish);
    });
    ASSERT_EQ(1u, prompts.seen().size());
    EXPECT_EQ(L"The archive is invalid or your password is wrong!", prompts.seen()[0].text);
    EXPECT_EQ(L"Error", prompts.seen()[0].caption);
    EXPECT_EQ(std::string(f.manifest["items"].items.size(), 'R'), States(f.manifest));
}

}  // namespace
