// The copiers end to end, as the backup dialog drives them: created on this
// (the window's) thread, Start on a worker without COM, Stop from this thread,
// the components registered in the test prefix, the messages seen by a real window.
#include "copier_harness.h"
#include "ftp_test_server.h"
#include "output_media_copier.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

namespace {

const wchar_t kArchiveName[] = L"Backup 2026-12-10.bvk2";

template <size_t N>
void SetText(wchar_t (&field)[N], const std::wstring& text)
{
    memset(field, 0, sizeof field);
    text.copy(field, N - 1);
}

_PreferenceFTP FtpBlock(int port, bool passive)
{
    _PreferenceFTP block;
    memset(&block, 0, sizeof block);
    SetText(block.host, L"127.0.0.1");
    block.port = port;
    SetText(block.user, L"backup");
    SetText(block.password, L"s3cret");
    SetText(block.directory, L"/archives");
    block.passive = passive ? 1 : 0;
    return block;
}

// The names in a folder, in order.
std::vector<std::wstring> Names(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        if (wcscmp(found.cFileName, L".") != 0 && wcscmp(found.cFileName, L"..") != 0)
            names.push_back(found.cFileName);
    while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

_PreferenceCDDVD DiscBlock(const std::wstring& device, bool erase)
{
    _PreferenceCDDVD block;
    memset(&block, 0, sizeof block);
    SetText(block.device, device);
    block.erase = erase ? 1 : 0;
    return block;
}

class OutputMediaCopierTest : public ComponentsTest {
protected:
    void SetUp() override
    {
        ComponentsTest::SetUp();
        folder = ScratchFolder();
        archivePath = folder + L"\\" + kArchiveName;
    }

    // Creates the copier for `mediaType` here, runs Start on a worker while
    // this thread pumps; `onMessage` sees each message with the copier.
    HRESULT Transfer(int32_t mediaType, const void* block, const std::wstring& source,
                     const std::function<void(OutputMediaCopier&, const CopierMessage&)>& onMessage = {})
    {
        OutputMediaCopierFactories factories;
        OutputMediaCopierFactory* factory = factories.Find(mediaType);
        EXPECT_NE(nullptr, factory);
        if (!factory)
            return E_UNEXPECTED;
        std::unique_ptr<OutputMediaCopier> copier(factory->Create(window.hwnd(), block, kArchiveName, source));
        if (onMessage)
            window.onMessage = [&](const CopierMessage& m) { onMessage(*copier, m); };
        const HRESULT hr = RunOnWorker([&] { return copier->Start(); });
        window.onMessage = nullptr;
        // Start's result and the last status agree: neither may pass for success alone.
        EXPECT_EQ(FAILED(hr), window.finalStatusFailed()) << "hr 0x" << std::hex << hr;
        return hr;
    }

    std::wstring finalText() const
    {
        const CopierMessage* status = window.finalStatus();
        return status ? status->text : L"<no status>";
    }

    RecorderWindow window{WM_COPIER_STATUS};
    std::wstring folder;
    std::wstring archivePath;
};

// Presses Stop, from the window's thread, once part of the archive is through.
void StopOnFirstProgress(OutputMediaCopier& copier, const CopierMessage& m)
{
    if (m.offset == 2 && m.wParam > 0 && m.wParam < 100) {
        EXPECT_EQ(S_OK, copier.Stop());
    }
}

TEST_F(OutputMediaCopierTest, FactoriesAreFoundByMediaType)
{
    OutputMediaCopierFactories factories;
    for (int32_t id : {1, 2}) {
        ASSERT_NE(nullptr, factories.Find(id));
        EXPECT_EQ(id, factories.Find(id)->GetFactoryId());
    }
    for (int32_t id : {0, 3, -1})
        EXPECT_EQ(nullptr, factories.Find(id));
}

TEST_F(OutputMediaCopierTest, FtpUploadArrivesByteForByteInPassiveAndActiveMode)
{
    for (bool passive : {true, false}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        window.clear();
        FtpTestServer server;
        const std::string archive = WriteArchive(archivePath, 300 * 1024 + 17);
        const _PreferenceFTP block = FtpBlock(server.port(), passive);

        EXPECT_EQ(S_OK, Transfer(1, &block, archivePath));
        server.Finish();
        const std::vector<FtpStoredFile> files = server.files();
        ASSERT_EQ(1u, files.size());
        EXPECT_EQ("/archives", files[0].directory);
        EXPECT_EQ("Backup 2026-12-10.bvk2", files[0].name);
        EXPECT_TRUE(files[0].complete);
        EXPECT_FALSE(files[0].deleted);
        EXPECT_EQ(archive, files[0].data);
        const std::vector<std::string> commands = server.commands();
        EXPECT_NE(commands.end(), std::find(commands.begin(), commands.end(), "TYPE I"));
        EXPECT_NE(commands.end(), std::find_if(commands.begin(), commands.end(), [&](const std::string& c) {
                      return c.rfind(passive ? "PASV" : "PORT 127,0,0,1,", 0) == 0;
                  }));
        EXPECT_EQ("QUIT", commands.back());
        EXPECT_TRUE(window.wellOrdered());
        EXPECT_EQ(100u, window.messages()[window.messages().size() - 2].wParam);
        EXPECT_FALSE(window.finalStatusFailed()) << finalText().c_str();
    }
}

struct FtpFailure {
    const char* name;
    FtpServerOptions::Fault fault;
    std::function<void(_PreferenceFTP&, std::wstring& source)> change;
    const wchar_t* reply;  // what the status must quote, or null
    size_t archiveSize;
    bool cleansUp = false;     // the server stays, so what arrived is deleted
    bool otherUpload = false;  // the server already holds another upload's NAME.part
};

TEST_F(OutputMediaCopierTest, FtpFailuresEndWithAFailureStatus)
{
    using Fault = FtpServerOptions::Fault;
    const FtpFailure cases[] = {
        {"connection refused", Fault::None,
         [](_PreferenceFTP& b, std::wstring&) { b.port = FtpTestServer::ClosedPort(); }, nullptr, 1000},
        {"login refused", Fault::None, [](_PreferenceFTP& b, std::wstring&) { SetText(b.password, L"wrong"); },
         L"530 Login incorrect.", 1000},
        {"missing directory", Fault::None, [](_PreferenceFTP& b, std::wstring&) { SetText(b.directory, L"/nowhere"); },
         L"550 /nowhere: No such file or directory.", 1000},
        // The file of that name is not this upload's to delete.
        {"store refused", Fault::RefuseStore, [](_PreferenceFTP&, std::wstring&) {},
         L"550 Backup 2026-12-10.bvk2.part: Permission denied.", 1000, false, true},
        // Whoever connects to the client's port first would get the archive.
        {"active data connection from another host", Fault::ForeignDataPeer,
         [](_PreferenceFTP& b, std::wstring&) { b.passive = 0; }, L"another host", 1000, true},
        {"connection dropped mid-transfer", Fault::DropMidTransfer, [](_PreferenceFTP&, std::wstring&) {}, nullptr,
         4 * 1024 * 1024},
        {"rename refused", Fault::RefuseRename, [](_PreferenceFTP&, std::wstring&) {},
         L"553 Backup 2026-12-10.bvk2: Renaming not allowed.", 1000, true},
        // The server's error ends the upload then, not after the rest of the archive.
        {"server full mid-transfer", Fault::FullMidTransfer, [](_PreferenceFTP&, std::wstring&) {},
         L"452 Insufficient storage space.", 32 * 1024 * 1024, true},
        // The first line gives the cause; the last only the timing.
        {"server full mid-transfer, a multi-line reply", Fault::FullManyLines, [](_PreferenceFTP&, std::wstring&) {},
         L"The upload was broken off: 451-Error during write to file", 32 * 1024 * 1024, true},
        {"missing source file", Fault::None, [](_PreferenceFTP&, std::wstring& s) { s += L".missing"; }, nullptr, 1000},
        {"empty host (the block as first saved)", Fault::None,
         [](_PreferenceFTP& b, std::wstring&) { memset(&b, 0, sizeof b); }, nullptr, 1000},
        {"line break in the directory", Fault::None,
         [](_PreferenceFTP& b, std::wstring&) { SetText(b.directory, L"/archives\r\nDELE x"); }, nullptr, 1000},
    };
    for (const FtpFailure& c : cases) {
        SCOPED_TRACE(c.name);
        window.clear();
        FtpServerOptions options;
        options.fault = c.fault;
        if (c.otherUpload)
            options.files = {{"/archives", "Backup 2026-12-10.bvk2.part", "another upload", true}};
        FtpTestServer server(options);
        WriteArchive(archivePath, c.archiveSize);
        _PreferenceFTP block = FtpBlock(server.port(), true);
        std::wstring source = archivePath;
        c.change(block, source);

        EXPECT_TRUE(FAILED(Transfer(1, &block, source)));
        server.Finish();
        EXPECT_TRUE(window.wellOrdered());
        EXPECT_TRUE(window.finalStatusFailed());
        if (c.reply) {
            EXPECT_NE(std::wstring::npos, finalText().find(c.reply)) << finalText().c_str();
        }
        const std::vector<FtpStoredFile> files = server.files();
        for (const FtpStoredFile& file : files) {
            EXPECT_NE("Backup 2026-12-10.bvk2", file.name);
            EXPECT_EQ(c.cleansUp, file.deleted);
            if (!file.deleted)
                EXPECT_LT(file.data.size(), c.archiveSize);
        }
        if (c.fault == Fault::FullMidTransfer)
            EXPECT_LT(server.receiving(), c.archiveSize);
        const std::vector<std::string> commands = server.commands();
        for (const std::string& command : commands)
            EXPECT_NE("DELE x", command);
        EXPECT_EQ(c.cleansUp, std::any_of(commands.begin(), commands.end(),
                                          [](const std::string& command) { return command.rfind("DELE ", 0) == 0; }));
    }
}

TEST_F(OutputMediaCopierTest, StopDuringAnUploadEndsItWithAFailureStatus)
{
    FtpServerOptions options;
    options.fault = FtpServerOptions::Fault::HoldTransfer;  // never confirms: only Stop ends this upload
    FtpTestServer server(options);
    WriteArchive(archivePath, 4 * 1024 * 1024);
    const _PreferenceFTP block = FtpBlock(server.port(), true);

    EXPECT_EQ(E_ABORT, Transfer(1, &block, archivePath, StopOnFirstProgress));
    EXPECT_TRUE(window.wellOrdered());
    EXPECT_TRUE(window.finalStatusFailed());
    server.Finish();
    ASSERT_EQ(1u, server.files().size());
    EXPECT_FALSE(server.files()[0].complete);
    EXPECT_NE("Backup 2026-12-10.bvk2", server.files()[0].name);
}

// Seen at a real server: ABOR answered with 426 and 451 only. The wait for a
// confirmation ends, and the fragment is still deleted and the session ended.
TEST_F(OutputMediaCopierTest, AStopThatTheServerNeverConfirmsStillCleansUp)
{
    FtpServerOptions options;
    options.fault = FtpServerOptions::Fault::UnconfirmedAbort;
    FtpTestServer server(options);
    WriteArchive(archivePath, 4 * 1024 * 1024);
    const _PreferenceFTP block = FtpBlock(server.port(), true);

    EXPECT_EQ(E_ABORT, Transfer(1, &block, archivePath, StopOnFirstProgress));
    EXPECT_TRUE(window.wellOrdered());
    server.Finish();
    const std::vector<FtpStoredFile> files = server.files();
    ASSERT_EQ(1u, files.size());
    EXPECT_EQ("Backup 2026-12-10.bvk2.part", files[0].name);
    EXPECT_TRUE(files[0].deleted);
    const std::vector<std::string> commands = server.commands();
    ASSERT_LE(3u, commands.size());
    EXPECT_EQ((std::vector<std::string>{"ABOR", "DELE Backup 2026-12-10.bvk2.part", "QUIT"}),
              std::vector<std::string>(commands.end() - 3, commands.end()));
}

TEST_F(OutputMediaCopierTest, AStalledUploadFailsInPlainWords)
{
    FtpServerOptions options;
    options.fault = FtpServerOptions::Fault::HoldTransfer;
    FtpTestServer server(options);
    WriteArchive(archivePath, 32 * 1024 * 1024);  // more than the connection buffers hold
    const _PreferenceFTP block = FtpBlock(server.port(), true);

    EXPECT_EQ(E_FAIL, Transfer(1, &block, archivePath));
    EXPECT_NE(std::wstring::npos, finalText().find(L"The FTP server did not respond for 30 seconds."))
        << finalText().c_str();
}

// The same uploads against Debian's vsftpd, which scripts/test starts on
// 127.0.0.1 and describes in BRISVALE_VSFTPD as "port;user;password;root":
// root holds "archives", writable by the user, and "readonly", not writable.
// Uploads past BRISVALE_VSFTPD_LIMIT bytes kill the server's session. The
// server logs each upload beside root, in vsftpd.log.
class VsftpdTest : public OutputMediaCopierTest {
protected:
    void SetUp() override
    {
        OutputMediaCopierTest::SetUp();
        char value[1024] = {};
        if (!GetEnvironmentVariableA("BRISVALE_VSFTPD", value, sizeof value))
            GTEST_SKIP() << "vsftpd is not running: scripts/test starts it when run as root with vsftpd installed";
        std::vector<std::string> fields;
        for (std::string rest = value;;) {
            const size_t end = rest.find(';');
            fields.push_back(rest.substr(0, end));
            if (end == std::string::npos)
                break;
            rest.erase(0, end + 1);
        }
        ASSERT_EQ(4u, fields.size()) << value;
        port = std::stoi(fields[0]);
        user = std::wstring(fields[1].begin(), fields[1].end());
        password = std::wstring(fields[2].begin(), fields[2].end());
        root = std::wstring(fields[3].begin(), fields[3].end());
        GetEnvironmentVariableA("BRISVALE_VSFTPD_LIMIT", value, sizeof value);
        limit = std::stoul(value);
        for (const wchar_t* directory : {L"\\archives", L"\\readonly"})
            Empty(root + directory);
    }

    _PreferenceFTP Block(const std::wstring& directory, bool passive) const
    {
        _PreferenceFTP block = FtpBlock(port, passive);
        SetText(block.user, user);
        SetText(block.password, password);
        SetText(block.directory, directory);
        return block;
    }

    // The uploads the server took as complete so far.
    size_t CompleteUploads() const
    {
        const std::string log = read_file(root + L"\\..\\vsftpd.log");
        size_t count = 0;
        for (size_t at = log.find("OK UPLOAD"); at != std::string::npos; at = log.find("OK UPLOAD", at + 1))
            ++count;
        return count;
    }

    static void Empty(const std::wstring& directory)
    {
        for (const std::wstring& name : Names(directory))
            DeleteFileW((directory + L"\\" + name).c_str());
    }

    int port = 0;
    std::wstring user, password, root;
    size_t limit = 0;
};

TEST_F(VsftpdTest, UploadsArriveByteForByteUnderTheirNameInPassiveAndActiveMode)
{
    const std::wstring target = root + L"\\archives\\" + kArchiveName;
    for (bool passive : {true, false}) {
        for (size_t size : {size_t{0}, size_t{5 * 1024 * 1024 + 17}}) {
            SCOPED_TRACE(std::string(passive ? "passive " : "active ") + std::to_string(size));
            window.clear();
            Empty(root + L"\\archives");  // the last upload belongs to the server's user
            WriteArchive(target, 777);    // an older archive of the same name is replaced
            const std::string archive = WriteArchive(archivePath, size);
            const _PreferenceFTP block = Block(L"/archives", passive);

            EXPECT_EQ(S_OK, Transfer(1, &block, archivePath)) << finalText().c_str();
            EXPECT_EQ(archive, read_file(target));
            EXPECT_EQ(std::vector<std::wstring>{kArchiveName}, Names(root + L"\\archives"));
            EXPECT_LT(0u, CompleteUploads());
        }
    }
}

// Each failure, and Stop, leaves the directory as it was: a good archive of
// the same name untouched, nothing else added.
TEST_F(VsftpdTest, StopAndFailuresLeaveTheDirectoryAsItWas)
{
    struct Case {
        const char* name;
        const wchar_t* directory;
        const wchar_t* password;  // null: the right one
        size_t archiveSize;
        HRESULT hr;
        const wchar_t* reply;  // what the status must quote, or null
        bool stop;
    };
    const Case cases[] = {
        {"wrong password", L"/archives", L"wrong", 1000, E_FAIL, L"530 Login incorrect.", false},
        {"missing directory", L"/nowhere", nullptr, 1000, E_FAIL, L"550 Failed to change directory.", false},
        {"no write permission", L"/readonly", nullptr, 1000, E_FAIL, L"553 Could not create file.", false},
        {"stop mid-transfer", L"/archives", nullptr, 16 * 1024 * 1024, E_ABORT, nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.clear();
        const std::wstring directory =
            root +
            (c.directory == std::wstring(L"/nowhere") ? L"\\archives" : std::wstring(c.directory).replace(0, 1, L"\\"));
        const std::string good = WriteArchive(directory + L"\\" + kArchiveName, 777);
        WriteArchive(archivePath, c.archiveSize);
        _PreferenceFTP block = Block(c.directory, true);
        if (c.password)
            SetText(block.password, c.password);
        const size_t completeUploads = CompleteUploads();

        EXPECT_EQ(c.hr, Transfer(1, &block, archivePath, c.stop ? StopOnFirstProgress : nullptr))
            << finalText().c_str();
        if (c.reply) {
            EXPECT_NE(std::wstring::npos, finalText().find(c.reply)) << finalText().c_str();
        }
        EXPECT_EQ(good, read_file(directory + L"\\" + kArchiveName));
        EXPECT_EQ(std::vector<std::wstring>{kArchiveName}, Names(directory));
        // A stopped upload ends with a reset, which the server cannot take for the end of the file.
        EXPECT_EQ(completeUploads, CompleteUploads());
        Empty(directory);
    }
}

// A server that dies mid-transfer cannot delete what it received, but the
// archive of the same name stays as it was.
TEST_F(VsftpdTest, AServerKilledMidTransferLeavesTheGoodArchive)
{
    const std::wstring target = root + L"\\archives\\" + kArchiveName;
    const std::string good = WriteArchive(target, 777);
    WriteArchive(archivePath, limit + 8 * 1024 * 1024);
    const _PreferenceFTP block = Block(L"/archives", true);

    EXPECT_EQ(E_FAIL, Transfer(1, &block, archivePath));
    EXPECT_EQ(good, read_file(target));
}

class DiscCopierTest : public OutputMediaCopierTest {
protected:
    void SetUp() override
    {
        OutputMediaCopierTest::SetUp();
        disc = folder + L"\\disc";
        CreateDirectoryW(disc.c_str(), nullptr);
        SetEnvironmentVariableW(L"BRISVALE_DISC_FOLDERS",
                                (L"Other=" + folder + L"\\other;Test Writer=" + disc).c_str());
    }
    void TearDown() override
    {
        SetEnvironmentVariableW(L"BRISVALE_DISC_FOLDERS", nullptr);
        OutputMediaCopierTest::TearDown();
    }
    std::wstring disc;
};

TEST_F(DiscCopierTest, WritesTheArchiveIntoTheDeviceFolderAndErasesFirstOnlyWhenAsked)
{
    for (bool erase : {false, true}) {
        SCOPED_TRACE(erase ? "erase" : "keep");
        window.clear();
        const std::wstring earlier = disc + L"\\earlier.bvk2";
        WriteArchive(earlier, 10);
        const std::string archive = WriteArchive(archivePath, 200 * 1024 + 3);
        const _PreferenceCDDVD block = DiscBlock(L"Test Writer", erase);

        EXPECT_EQ(S_OK, Transfer(2, &block, archivePath));
        EXPECT_EQ(archive, read_file(disc + L"\\" + kArchiveName));
        EXPECT_EQ(!erase, GetFileAttributesW(earlier.c_str()) != INVALID_FILE_ATTRIBUTES);
        EXPECT_TRUE(window.wellOrdered());
        EXPECT_EQ(100u, window.messages()[window.messages().size() - 2].wParam);
    }
}

TEST_F(DiscCopierTest, FailuresEndWithAFailureStatusAndLeaveTheDiscAsItWas)
{
    struct Case {
        const char* name;
        std::wstring device;
        std::wstring source;
    };
    const Case cases[] = {
        {"unknown device", L"No Such Writer", archivePath},
        {"no device (the block as first saved)", L"", archivePath},
        {"device folder missing", L"Other", archivePath},
        {"missing source file", L"Test Writer", archivePath + L".missing"},
    };
    const std::wstring earlier = disc + L"\\earlier.bvk2";
    WriteArchive(earlier, 10);
    WriteArchive(archivePath, 1000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.clear();
        const _PreferenceCDDVD block = DiscBlock(c.device, true);
        EXPECT_EQ(E_FAIL, Transfer(2, &block, c.source));
        EXPECT_TRUE(window.wellOrdered());
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((disc + L"\\" + kArchiveName).c_str()));
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(earlier.c_str()));
    }
}

TEST_F(DiscCopierTest, StopDuringWritingLeavesAnArchiveOfTheSameNameAsItWas)
{
    const std::wstring target = disc + L"\\" + kArchiveName;
    const std::string good = WriteArchive(target, 777);
    WriteArchive(archivePath, 2 * 1024 * 1024);
    const _PreferenceCDDVD block = DiscBlock(L"Test Writer", false);

    EXPECT_EQ(E_ABORT, Transfer(2, &block, archivePath, StopOnFirstProgress));
    EXPECT_TRUE(window.wellOrdered());
    EXPECT_EQ(good, read_file(target));
    EXPECT_EQ(std::vector<std::wstring>{kArchiveName}, Names(disc));
}

// The archive is written whole before it takes the name; when it cannot take
// it (a reader holds the archive of that name), that archive stays as it was
// and the written copy goes.
TEST_F(DiscCopierTest, AFailureAfterWritingLeavesAnArchiveOfTheSameNameAsItWas)
{
    const std::wstring target = disc + L"\\" + kArchiveName;
    const std::string good = WriteArchive(target, 777);
    WriteArchive(archivePath, 2 * 1024 * 1024);
    const _PreferenceCDDVD block = DiscBlock(L"Test Writer", false);
    const HANDLE reader =
        CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);

    EXPECT_EQ(E_FAIL, Transfer(2, &block, archivePath));
    CloseHandle(reader);
    EXPECT_TRUE(window.wellOrdered());
    EXPECT_EQ(100u, window.messages()[window.messages().size() - 2].wParam);  // written whole first
    EXPECT_NE(std::wstring::npos, finalText().find(L"Cannot put the archive in place as " + target))
        << finalText().c_str();
    EXPECT_EQ(good, read_file(target));
    EXPECT_EQ(std::vector<std::wstring>{kArchiveName}, Names(disc));
}

// A component that is not installed: nothing is transferred, and the window
// is told so, whatever the caller does with Start's result.
TEST_F(OutputMediaCopierTest, MissingComponentFailsEveryCallAndSaysSo)
{
    ASSERT_EQ(S_OK, CallComponentsDll("DllUnregisterServer"));
    WriteArchive(archivePath, 1000);
    const _PreferenceFTP ftp = FtpBlock(21, true);
    const _PreferenceCDDVD cd = DiscBlock(L"Test Writer", false);
    const std::pair<int32_t, const void*> media[] = {{1, &ftp}, {2, &cd}};
    for (const auto& [id, block] : media) {
        SCOPED_TRACE(id);
        window.clear();
        OutputMediaCopierFactories factories;
        std::unique_ptr<OutputMediaCopier> copier(
            factories.Find(id)->Create(window.hwnd(), block, kArchiveName, archivePath));
        ASSERT_NE(nullptr, copier);
        EXPECT_EQ(E_FAIL, RunOnWorker([&] { return copier->Start(); }));
        EXPECT_EQ(E_FAIL, copier->Stop());
        EXPECT_EQ(E_FAIL, copier->CallMethod5());
        ASSERT_EQ(1u, window.messages().size());
        EXPECT_TRUE(window.finalStatusFailed());
        EXPECT_NE(std::wstring::npos, window.finalStatus()->text.find(L"not installed"));
    }
    ASSERT_EQ(S_OK, CallComponentsDll("DllRegisterServer"));
}

TEST_F(OutputMediaCopierTest, MethodFiveReachesTheComponent)
{
    const _PreferenceFTP block = FtpBlock(21, true);
    OutputMediaCopierFactories factories;
    std::unique_ptr<OutputMediaCopier> copier(
        factories.Find(1)->Create(window.hwnd(), &block, kArchiveName, archivePath));
    EXPECT_EQ(S_OK, copier->CallMethod5());
}

}  // namespace
