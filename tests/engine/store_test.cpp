// The writing side against real folders and the test prefix's registry,
// each archive checked by the independent parse in archive_parse.h.
#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "archive_parse.h"
#include "backup_item.h"
#include "data_restore.h"
#include "engine_test_util.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr size_t kPiece = 204800;
const std::wstring kPassword = L"Secret-42";

std::wstring leaf(const std::wstring& path)
{
    return path.substr(path.rfind(L'\\') + 1);
}

// An archive that already holds its 44-byte header.
Bytes header_bytes()
{
    Bytes h(44, 0);
    std::memcpy(h.data(), "rvq2", 4);
    return h;
}

std::wstring new_archive(const TempDir& dir)
{
    const std::wstring path = dir / L"Backup.bvk";
    write_bytes(path, header_bytes());
    return path;
}

parse::Archive parse_file(const std::wstring& path)
{
    const Bytes file = read_bytes(path);
    EXPECT_GE(file.size(), 44u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 44), header_bytes()) << "the header is never touched";
    return parse::records(file);
}

std::vector<std::wstring> names(const parse::Archive& a)
{
    std::vector<std::wstring> out;
    for (const parse::Record& r : a.records)
        out.push_back(r.type() == 1 ? r.name() : r.value_name());
    return out;
}

// The chunk bytes the format asks for, given the source piece they hold.
void expect_chunk_form(const Bytes& chunk, size_t piece, bool compress, bool encrypt)
{
    Bytes inner = chunk;
    if (encrypt) {
        ASSERT_GE(chunk.size(), 8u);
        const uint32_t l = parse::u32(chunk.data()), p = parse::u32(chunk.data() + 4);
        EXPECT_EQ(p, (l + 7) & ~7u);
        EXPECT_EQ(chunk.size(), p + 8u);
        if (!compress) {
            EXPECT_EQ(l, piece);
        }
        return;  // the LZMA block inside is checked through the decoded data
    }
    if (compress) {
        ASSERT_GE(inner.size(), 1u);
        if (piece < 7) {
            EXPECT_EQ(inner.size(), piece + 1);
            EXPECT_EQ(inner[0], 0) << "short pieces are stored";
        } else if (inner[0] == 1) {
            ASSERT_GE(inner.size(), 15u);
            EXPECT_EQ(Bytes(inner.begin(), inner.begin() + 15), lzma_header(piece));
        } else {
            EXPECT_EQ(inner.size(), piece + 1);
        }
        return;
    }
    EXPECT_EQ(chunk.size(), piece);
}

void expect_record(const parse::Record& r, const Bytes& source, bool compress, bool encrypt)
{
    EXPECT_EQ(r.head_length, r.head_block.size());
    EXPECT_EQ(r.head_block[0], 1) << "heads are compressed, never encrypted";
    EXPECT_EQ(Bytes(r.head_block.begin(), r.head_block.begin() + 15), lzma_header(r.head.size()));
    EXPECT_EQ(r.size(), source.size());
    EXPECT_EQ(r.compressed(), compress);
    EXPECT_EQ(r.encrypted(), encrypt);
    ASSERT_EQ(r.chunks.size(), (source.size() + kPiece - 1) / kPiece);
    for (size_t j = 0; j < r.chunks.size(); ++j)
        expect_chunk_form(r.chunks[j].bytes, std::min(kPiece, source.size() - j * kPiece), compress, encrypt);
    const auto data = parse::data(r, "Secret-42");
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(*data, source);
}

struct Combo {
    bool compress, encrypt;
};
const Combo kCombos[] = {{false, false}, {true, false}, {false, true}, {true, true}};

// A progress policy that sets the stop flag at its n-th position post, the
// first being the store's opening (0, 0).
struct StopAtPost {
    void set_target(HWND, UINT) {}
    void post_range(int32_t) {}
    void post_position(int32_t)
    {
        if (--left == 0)
            flag->store(true);
    }
    std::atomic<bool>* flag = nullptr;
    int left = 0;
};

// A progress policy that records its posts and lets a source grow between
// the size pass and the storing.
struct GrowingSource {
    void set_target(HWND, UINT) {}
    void post_range(int32_t upper)
    {
        posts.push_back(upper);
        write_bytes(path, make_data(grown, DataKind::Text));
    }
    void post_position(int32_t p) { posts.push_back(p); }
    std::wstring path;
    size_t grown = 0;
    std::vector<int32_t> posts;
};

// A progress policy that runs an act once the size pass is over, before
// anything is stored.
struct ActBeforeStoring {
    void set_target(HWND, UINT) {}
    void post_range(int32_t) { act(); }
    void post_position(int32_t) {}
    std::function<void()> act;
};

// A progress policy that records its posts.
struct RecordPosts {
    void set_target(HWND, UINT) {}
    void post_range(int32_t upper) { posts.push_back(upper); }
    void post_position(int32_t p) { posts.push_back(p); }
    std::vector<int32_t> posts;
};

// A progress policy that resizes a file after the first piece of it was stored.
struct ResizeAfterFirstPiece {
    void set_target(HWND, UINT) {}
    void post_range(int32_t) {}
    void post_position(int32_t)
    {
        if (++posts != 2)  // the first is the store's opening (0, 0)
            return;
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(size);
        SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
        SetEndOfFile(h);
        CloseHandle(h);
    }
    std::wstring path;
    uint64_t size = 0;
    int posts = 0;
};

// A file reader whose second read of "b.bin" fails, like a disk error.
class FailingReader : public FileReader {
public:
    using FileReader::FileReader;
    int32_t source_read_buff(void* buffer, int32_t n)
    {
        if (wcscmp(source_item().name, L"b.bin") == 0 && ++reads_ == 2)
            throw EngExcept::FileException(L"FileReader::source_read_buff(): Failed to read file!", L"n/a", 0);
        return FileReader::source_read_buff(buffer, n);
    }

private:
    int reads_ = 0;
};

template <class Progress, class Reader = FileReader>
using TestStore =
    DataStore<FileItem, Reader, FileHead, FileHeadInitor, LZMACompProcessor, DESEncryptor, Progress, MFCThreadCtrl>;

template <class Progress>
using TestRegStore =
    DataStore<RegItem, RegReader, RegHead, RegHeadInitor, LZMACompProcessor, DESEncryptor, Progress, MFCThreadCtrl>;

template <class Store>
void add_files(Store& store, const std::wstring& folder, std::initializer_list<const wchar_t*> files)
{
    for (const wchar_t* name : files)
        store.add_item(to_file_item(FileNode(folder, false, name, L"*.*")));
}

}  // namespace

TEST(BackupTest, FolderRecordsAreExactForEverySizeAndEveryFlagCombination)
{
    TempDir src(expand(L"%APPDATA%"));
    const size_t sizes[] = {0, 1, 7, 204800, 204801, 300000};
    std::map<std::wstring, Bytes> sources;
    uint64_t total = 0;
    for (size_t i = 0; i < std::size(sizes); ++i) {
        const std::wstring name = std::wstring(1, wchar_t(L'a' + i)) + std::to_wstring(sizes[i]) + L".bin";
        sources[name] = make_data(sizes[i], i % 2 ? DataKind::Random : DataKind::Text, static_cast<uint32_t>(i));
        write_bytes(src / name, sources[name]);
        total += sizes[i];
    }
    for (const Combo& combo : kCombos) {
        SCOPED_TRACE(testing::Message() << "compress " << combo.compress << " encrypt " << combo.encrypt);
        TempDir out;
        const std::wstring archive = new_archive(out);
        FolderBackupItem item(7);
        item.set_folder(src.path());
        std::atomic<bool> stop{false};
        EXPECT_EQ(item.backup(archive, &stop, combo.compress, combo.encrypt, kPassword), total);

        const parse::Archive a = parse_file(archive);
        ASSERT_EQ(a.error, "");
        ASSERT_EQ(a.records.size(), std::size(sizes));
        EXPECT_EQ(a.records[0].offset, 44u);
        auto expected = sources.begin();
        for (const parse::Record& r : a.records) {
            SCOPED_TRACE(testing::Message() << "file of " << expected->second.size());
            EXPECT_EQ(r.type(), 1u);
            EXPECT_EQ(r.folder(), L"%APPDATA%\\" + leaf(src.path()));
            EXPECT_EQ(r.name(), expected->first);
            expect_record(r, expected->second, combo.compress, combo.encrypt);
            ++expected;
        }
    }
}

// The pool codes pieces ahead on several threads; the archive and the
// progress posts are exactly those of one thread, in every mode.
TEST(BackupTest, ThePoolWritesWhatOneThreadWrites)
{
    TempDir src;
    const size_t sizes[] = {0, 1, 204799, 204800, 204801, 2500000};
    std::vector<const wchar_t*> files;
    std::vector<std::wstring> keep;
    for (size_t i = 0; i < std::size(sizes); ++i) {
        keep.push_back(std::wstring(1, wchar_t(L'a' + i)) + std::to_wstring(sizes[i]) + L".bin");
        write_bytes(src / keep.back(),
                    make_data(sizes[i], i % 2 ? DataKind::Random : DataKind::Text, static_cast<uint32_t>(i)));
    }
    for (const std::wstring& name : keep)
        files.push_back(name.c_str());
    for (const Combo& combo : kCombos) {
        SCOPED_TRACE(testing::Message() << "compress " << combo.compress << " encrypt " << combo.encrypt);
        Bytes archives[2];
        std::vector<int32_t> posts[2];
        const unsigned threads[2] = {1, 5};
        for (int k = 0; k < 2; ++k) {
            TempDir out;
            const std::wstring archive = new_archive(out);
            TestStore<RecordPosts> store(archive, combo.compress, combo.encrypt, kPassword);
            store.threads = threads[k];
            for (const wchar_t* name : files)
                store.add_item(to_file_item(FileNode(src.path(), false, name, L"*.*")));
            EXPECT_EQ(store.run(), 3114401u);
            archives[k] = read_bytes(archive);
            posts[k] = store.progress.posts;
        }
        EXPECT_EQ(archives[0], archives[1]) << "the archives differ";
        EXPECT_EQ(parse::records(archives[1]).records.size(), std::size(sizes));
        EXPECT_EQ(posts[0], posts[1]);
        EXPECT_TRUE(std::is_sorted(posts[1].begin() + 1, posts[1].end()));
        EXPECT_EQ(posts[1].back(), 100);
    }
}

TEST(BackupTest, RegistryRecordsAreExactForEveryFlagCombination)
{
    TestKey key;
    struct Value {
        const wchar_t* name;
        DWORD type;
        Bytes data;
    } values[] = {
        {L"", REG_SZ, {'d', 0, 'e', 0, 0, 0}},
        {L"zero", REG_BINARY, {}},
        {L"dword", REG_DWORD, {0xef, 0xbe, 0xad, 0xde}},
        {L"big", REG_BINARY, make_data(300000, DataKind::Text)},
    };
    for (const Value& v : values)
        key.set(L"", v.name, v.type, v.data);
    key.set(L"Sub", L"inner", REG_DWORD, {1, 0, 0, 0});

    for (const Combo& combo : kCombos) {
        SCOPED_TRACE(testing::Message() << "compress " << combo.compress << " encrypt " << combo.encrypt);
        TempDir out;
        const std::wstring archive = new_archive(out);
        RegistryBackupItem item(3);
        item.set_key(HKEY_CURRENT_USER, key.path());
        EXPECT_EQ(item.backup(archive, nullptr, combo.compress, combo.encrypt, kPassword), 300000u + 6 + 4 + 4);

        const parse::Archive a = parse_file(archive);
        ASSERT_EQ(a.error, "");
        ASSERT_EQ(a.records.size(), 5u);
        std::map<std::wstring, const parse::Record*> byName;
        for (const parse::Record& r : a.records) {
            EXPECT_EQ(r.type(), 2u);
            EXPECT_EQ(r.root(), 0x80000001u);
            byName[r.key() + L"|" + r.value_name()] = &r;
        }
        for (const Value& v : values) {
            SCOPED_TRACE(testing::Message() << "value " << std::string(v.name, v.name + wcslen(v.name)));
            const parse::Record* r = byName[key.path() + L"|" + v.name];
            ASSERT_NE(r, nullptr);
            EXPECT_EQ(r->value_type(), v.type);
            expect_record(*r, v.data, combo.compress, combo.encrypt);
        }
        EXPECT_NE(byName[key.path() + L"\\Sub|inner"], nullptr);
    }
}

// A stop or a failure inside a record cuts the archive back to where the
// record began: only whole records remain, and nothing follows the cut.
TEST(BackupTest, StopAfterKPiecesLeavesOnlyWholeRecords)
{
    TempDir src;
    write_bytes(src / L"a.bin", make_data(100, DataKind::Text));
    write_bytes(src / L"b.bin", make_data(500000, DataKind::Text));  // three pieces
    write_bytes(src / L"c.bin", make_data(100, DataKind::Random));
    struct Row {
        int pieces;
        std::vector<std::wstring> kept;
        uint64_t stored;
    } rows[] = {
        {1, {L"a.bin"}, 100},
        {2, {L"a.bin"}, 100},
        {3, {L"a.bin"}, 100},
        {4, {L"a.bin", L"b.bin"}, 500100},
        {5, {L"a.bin", L"b.bin", L"c.bin"}, 500200},
    };
    // Compressed pieces are coded ahead on the pool; a stop still cuts the
    // record whose pieces are not all written.
    const struct {
        unsigned threads;
        bool compress;
    } runs[] = {{1, false}, {1, true}, {4, true}};
    for (const auto& run : runs)
        for (const Row& row : rows) {
            SCOPED_TRACE(testing::Message() << "stop after " << row.pieces << " pieces, " << run.threads
                                            << " threads, compress " << run.compress);
            TempDir out;
            const std::wstring archive = new_archive(out);
            std::atomic<bool> stop{false};
            TestStore<StopAtPost> store(archive, run.compress, true, kPassword);
            store.threads = run.threads;
            store.progress.flag = &stop;
            store.progress.left = row.pieces + 1;
            store.stop.set_flag(&stop);
            add_files(store, src.path(), {L"a.bin", L"b.bin", L"c.bin"});
            EXPECT_EQ(store.run(), row.stored);
            const parse::Archive a = parse_file(archive);
            EXPECT_EQ(a.error, "");
            EXPECT_EQ(names(a), row.kept);
        }
}

TEST(BackupTest, ReadFailureInsideAFileCutsItsRecordAlsoBeyondFourGiB)
{
    TempDir src;
    write_bytes(src / L"a.bin", make_data(100, DataKind::Text));
    write_bytes(src / L"b.bin", make_data(300000, DataKind::Text));
    write_bytes(src / L"c.bin", make_data(100, DataKind::Text));
    // The second archive is a sparse file past 4 GiB: positions are 64-bit.
    for (const uint64_t start : {uint64_t(44), (uint64_t(1) << 32) + 44})
        for (const unsigned threads : {1u, 4u}) {
            SCOPED_TRACE(testing::Message() << "archive body at " << start << ", " << threads << " threads");
            TempDir out;
            const std::wstring archive = new_archive(out);
            if (start != 44) {
                HANDLE h = CreateFileW(archive.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
                LARGE_INTEGER at;
                at.QuadPart = static_cast<LONGLONG>(start);
                ASSERT_TRUE(SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && SetEndOfFile(h));
                CloseHandle(h);
            }
            TestStore<MFCProgress, FailingReader> store(archive, true, true, kPassword);
            store.threads = threads;
            add_files(store, src.path(), {L"a.bin", L"b.bin", L"c.bin"});
            try {
                store.run();
                ADD_FAILURE() << "the read failure must reach the caller";
            } catch (EngExcept::FileException& e) {
                EXPECT_EQ(e.get_message(), L"FileReader::source_read_buff(): Failed to read file!");
            }
            Bytes body;
            HANDLE h = CreateFileW(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            LARGE_INTEGER at, size;
            at.QuadPart = static_cast<LONGLONG>(start);
            ASSERT_TRUE(GetFileSizeEx(h, &size) && SetFilePointerEx(h, at, nullptr, FILE_BEGIN));
            body.resize(static_cast<size_t>(size.QuadPart - at.QuadPart));
            DWORD got = 0;
            ReadFile(h, body.data(), static_cast<DWORD>(body.size()), &got, nullptr);
            CloseHandle(h);
            const parse::Archive a = parse::records(body, 0);
            EXPECT_EQ(a.error, "");
            EXPECT_EQ(names(a), std::vector<std::wstring>{L"a.bin"});
        }
}

// A file that shrinks or grows while it is read fails with its name, and its
// record is cut: the archive never holds data that disagrees with its head.
TEST(BackupTest, AFileResizedWhileItIsReadFailsAndLeavesOnlyWholeRecords)
{
    for (const uint64_t resized : {uint64_t(250000), uint64_t(100000), uint64_t(900000)}) {
        SCOPED_TRACE(testing::Message() << "resized to " << resized);
        TempDir src;
        write_bytes(src / L"a.bin", make_data(100, DataKind::Text));
        write_bytes(src / L"b.bin", make_data(500000, DataKind::Text));  // three pieces
        TempDir out;
        const std::wstring archive = new_archive(out);
        TestStore<ResizeAfterFirstPiece> store(archive, true, true, kPassword);
        store.threads = 1;  // the pool would have read all three pieces before the first is written
        store.progress.path = src / L"b.bin";
        store.progress.size = resized;
        add_files(store, src.path(), {L"b.bin", L"a.bin"});
        try {
            store.run();
            ADD_FAILURE() << "the size change must reach the caller";
        } catch (EngExcept::FileException& e) {
            EXPECT_EQ(e.get_message(), L"FileReader::source_read_buff(): File size changed while reading!");
            EXPECT_EQ(e.get_detail(), src / L"b.bin");
        }
        const parse::Archive a = parse_file(archive);
        EXPECT_EQ(a.error, "");
        EXPECT_TRUE(a.records.empty());
        // The next item is whole again.
        FolderBackupItem next(1);
        next.set_folder(src.path());
        write_bytes(src / L"b.bin", make_data(10, DataKind::Text));
        next.backup(archive, nullptr, true, true, kPassword);
        EXPECT_EQ(names(parse_file(archive)), (std::vector<std::wstring>{L"a.bin", L"b.bin"}));
        // The program's own reader reads every record to the end.
        ItemHeadList heads;
        DataRestore<NoWriterFactories> lister(archive, 44, nullptr, kPassword);
        lister.set_head_list(&heads);
        EXPECT_EQ(lister.run(), 110u);
        EXPECT_EQ(heads.size(), 2u);
        free_head_list(heads);
    }
}

TEST(BackupTest, ExistingArchiveIsAppendedToAndLockedFilesAreReported)
{
    TempDir src;
    write_bytes(src / L"a.bin", make_data(10, DataKind::Text));
    write_bytes(src / L"b.bin", make_data(20, DataKind::Text));
    write_bytes(src / L"c.bin", make_data(30, DataKind::Text));
    TempDir out;
    const std::wstring archive = new_archive(out);
    FolderBackupItem item(1);
    item.set_folder(src.path());
    EXPECT_EQ(item.get_size(), 60u);
    item.backup(archive, nullptr, true, false, L"");
    {
        // The mail client holding its store for writing hinders nothing.
        HANDLE client = CreateFileW((src / L"a.bin").c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(item.get_size(), 60u);
        item.backup(archive, nullptr, true, false, L"");
        CloseHandle(client);
    }
    const std::vector<std::wstring> twice = {L"a.bin", L"b.bin", L"c.bin", L"a.bin", L"b.bin", L"c.bin"};
    EXPECT_EQ(names(parse_file(archive)), twice);

    HANDLE exclusive = CreateFileW((src / L"b.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(item.get_size(), 40u) << "an exclusively held file is left out of the count";
    try {
        item.backup(archive, nullptr, false, false, L"");
        ADD_FAILURE() << "an exclusively held file must be reported";
    } catch (EngExcept::FileException& e) {
        EXPECT_EQ(e.get_message(), L"FileReader::source_open(): Failed to open file!");
        EXPECT_EQ(e.get_detail(), src / L"b.bin");
    }
    CloseHandle(exclusive);
}

// A file deleted, or a registry value removed, after the walk listed it is
// left out and named; the records around it are whole.
TEST(BackupTest, SourcesGoneSinceTheWalkAreNamedAndTheRestIsWhole)
{
    TempDir src;
    write_bytes(src / L"a.bin", make_data(100, DataKind::Text));
    write_bytes(src / L"b.bin", make_data(300000, DataKind::Text));
    write_bytes(src / L"c.bin", make_data(100, DataKind::Random));
    TempDir out;
    const std::wstring archive = new_archive(out);
    TestStore<ActBeforeStoring> files(archive, true, true, kPassword);
    files.progress.act = [&] { DeleteFileW((src / L"b.bin").c_str()); };
    add_files(files, src.path(), {L"a.bin", L"b.bin", L"c.bin"});
    EXPECT_EQ(files.run(), 200u);
    EXPECT_EQ(files.left_out(), std::vector<std::wstring>{src / L"b.bin"});
    EXPECT_FALSE(PathFileExistsW((src / L"b.bin").c_str())) << "never created again";

    TestKey key;
    key.set(L"", L"kept", REG_BINARY, make_data(10, DataKind::Random));
    key.set(L"", L"removed", REG_BINARY, make_data(20, DataKind::Random));
    TestRegStore<ActBeforeStoring> values(archive, true, true, kPassword);
    values.progress.act = [&] {
        HKEY k;
        RegOpenKeyExW(HKEY_CURRENT_USER, key.path().c_str(), 0, KEY_SET_VALUE, &k);
        RegDeleteValueW(k, L"removed");
        RegCloseKey(k);
    };
    for (const wchar_t* name : {L"removed", L"kept"}) {
        RegNode node;
        ASSERT_TRUE(node.set(HKEY_CURRENT_USER, key.path(), false, name));
        values.add_item(to_reg_item(node));
    }
    EXPECT_EQ(values.run(), 10u);
    EXPECT_EQ(values.left_out(), std::vector<std::wstring>{key.path() + L"\\removed"});

    const parse::Archive a = parse_file(archive);
    EXPECT_EQ(a.error, "");
    EXPECT_EQ(names(a), (std::vector<std::wstring>{L"a.bin", L"c.bin", L"kept"}));
}

// The archive's place turns unwritable between two backup items: the second
// item's store fails to open it with its own message and path, writes
// nothing anywhere, and the first item's records stay whole.
TEST(BackupTest, ArchiveUnwritableBetweenItemsFailsTheOpenAndKeepsEarlierRecords)
{
    TempDir src;
    write_bytes(src / L"a.bin", make_data(300000, DataKind::Text));
    write_bytes(src / L"b.bin", make_data(100, DataKind::Random));
    enum class Turn { FolderGone, ArchiveHeldByAnother };
    struct Row {
        Turn turn;
        const wchar_t* message;
        int32_t code;
    } rows[] = {
        {Turn::FolderGone, L"DataStore::open_file(): Failed to create file! CREATE_ALWAYS", 3},
        {Turn::ArchiveHeldByAnother, L"DataStore::open_file(): Failed to open file! OPEN_EXISTING", 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "turn " << int(row.turn));
        TempDir out;
        const std::wstring folder = out / L"media";
        CreateDirectoryW(folder.c_str(), nullptr);
        const std::wstring archive = folder + L"\\Backup.bvk";
        write_bytes(archive, header_bytes());
        FolderBackupItem first(1), second(2);
        first.set_folder(src.path());
        second.set_folder(src.path());
        EXPECT_EQ(first.backup(archive, nullptr, true, true, kPassword), 300100u);
        const Bytes written = read_bytes(archive);

        std::wstring kept = archive;
        HANDLE holder = INVALID_HANDLE_VALUE;
        if (row.turn == Turn::FolderGone) {
            ASSERT_TRUE(MoveFileW(folder.c_str(), (out / L"elsewhere").c_str()));
            kept = out / L"elsewhere\\Backup.bvk";
        } else {
            holder = CreateFileW(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        }
        try {
            second.backup(archive, nullptr, true, true, kPassword);
            ADD_FAILURE() << "an archive that cannot be written must be reported";
        } catch (const EngExcept::FileException& e) {
            EXPECT_EQ(e.get_message(), row.message);
            EXPECT_EQ(e.get_detail(), archive);
            EXPECT_EQ(e.get_code(), row.code);
        }
        if (holder != INVALID_HANDLE_VALUE)
            CloseHandle(holder);
        EXPECT_EQ(read_bytes(kept), written) << "not a byte changed";
        if (row.turn == Turn::FolderGone)
            EXPECT_FALSE(PathFileExistsW(folder.c_str())) << "nothing made where the folder was";
        const parse::Archive a = parse_file(kept);
        EXPECT_EQ(a.error, "");
        EXPECT_EQ(names(a), (std::vector<std::wstring>{L"a.bin", L"b.bin"}));
        ItemHeadList heads;
        DataRestore<NoWriterFactories> lister(kept, 44, nullptr, kPassword);
        lister.set_head_list(&heads);
        EXPECT_EQ(lister.run(), 300100u);
        free_head_list(heads);
    }
}

TEST(BackupTest, ProgressSequencesSeenByAWindow)
{
    ProgressWindow window;
    using Posts = std::vector<std::pair<WPARAM, LPARAM>>;
    {
        TempDir src;
        write_bytes(src / L"a.bin", make_data(300000, DataKind::Random));
        write_bytes(src / L"b.bin", make_data(100, DataKind::Text));
        TempDir out;
        FolderBackupItem item(1);
        item.set_folder(src.path());
        item.set_progress_target(window.hwnd(), WM_ENGINE_PROGRESS);
        item.backup(new_archive(out), nullptr, false, false, L"");
        EXPECT_EQ(window.take(WM_ENGINE_PROGRESS), (Posts{{0, 100}, {0, 0}, {68, 0}, {99, 0}, {100, 0}}));
    }
    {
        TestKey key;
        TempDir out;
        const std::wstring archive = new_archive(out);
        RegistryBackupItem item(2);
        item.set_key(HKEY_CURRENT_USER, key.path());
        item.set_progress_target(window.hwnd(), WM_ENGINE_PROGRESS);
        EXPECT_EQ(item.backup(archive, nullptr, true, true, kPassword), 0u);
        EXPECT_EQ(window.take(WM_ENGINE_PROGRESS), (Posts{{0, 100}, {0, 0}}));
        EXPECT_EQ(read_bytes(archive), header_bytes()) << "an empty key writes no record";
    }
}

// Sources that grew since the size pass: no division by zero, never above 100.
TEST(BackupTest, ProgressStaysWithinBoundsWhenSourcesGrow)
{
    for (const size_t before : {size_t(0), size_t(100)}) {
        SCOPED_TRACE(testing::Message() << "size at the count " << before);
        TempDir src;
        write_bytes(src / L"a.bin", make_data(before, DataKind::Text));
        TempDir out;
        const std::wstring archive = new_archive(out);
        TestStore<GrowingSource> store(archive, false, false, L"");
        store.progress.path = src / L"a.bin";
        store.progress.grown = 300000;
        add_files(store, src.path(), {L"a.bin"});
        EXPECT_EQ(store.run(), 300000u);
        EXPECT_EQ(store.progress.posts, (std::vector<int32_t>{100, 0, 100, 100}));
        const parse::Archive a = parse_file(archive);
        ASSERT_EQ(a.records.size(), 1u);
        EXPECT_EQ(a.records[0].size(), 300000u) << "the size when opened for storing";
    }
}

TEST(BackupItemTest, EdgeCasesOfFolderAndRegistryItems)
{
    TempDir out;
    const std::wstring archive = new_archive(out);

    FolderBackupItem missing(1);
    missing.set_folder(out / L"absent");
    EXPECT_THROW(missing.get_size(), EngExcept::EFolderNotFound);
    EXPECT_THROW(missing.backup(archive, nullptr, false, false, L""), EngExcept::EFolderNotFound);
    RegistryBackupItem missingKey(2);
    missingKey.set_key(HKEY_CURRENT_USER, L"Software\\BrisvaleTest\\absent");
    EXPECT_THROW(missingKey.get_size(), EngExcept::EFailedToOpenRegKey);
    EXPECT_THROW(missingKey.backup(archive, nullptr, false, false, L""), EngExcept::EFailedToOpenRegKey);

    TempDir hollow;
    CreateDirectoryW((hollow / L"x").c_str(), nullptr);
    CreateDirectoryW((hollow / L"x\\y").c_str(), nullptr);
    FolderBackupItem empty(3);
    empty.set_folder(hollow.path());
    EXPECT_EQ(empty.get_size(), 0u);
    EXPECT_EQ(empty.backup(archive, nullptr, true, true, kPassword), 0u);
    EXPECT_EQ(read_bytes(archive), header_bytes());

    TestKey key;
    key.set(L"", L"", REG_SZ, {'v', 0, 0, 0});
    RegistryBackupItem withDefault(4);
    withDefault.set_key(HKEY_CURRENT_USER, key.path());
    withDefault.set_description(L"Mail settings");
    EXPECT_EQ(withDefault.get_size(), 4u);
    withDefault.backup(archive, nullptr, false, false, L"");
    const parse::Archive a = parse_file(archive);
    ASSERT_EQ(a.records.size(), 1u);
    EXPECT_EQ(a.records[0].value_name(), L"");
    EXPECT_EQ(a.records[0].key(), key.path());

    EXPECT_EQ(empty.get_kind(), 2);
    EXPECT_EQ(withDefault.get_kind(), 1);
    EXPECT_TRUE(ItemNameEquals(&withDefault, L"Mail settings"));
    EXPECT_FALSE(ItemNameEquals(&withDefault, L"mail settings"));
    EXPECT_FALSE(ItemNameEquals(&withDefault, L"Mail"));
}

TEST(BackupItemTest, CancelFromAnotherThreadIsSafeAndIdleCancelDoesNothing)
{
    TempDir src;
    for (int i = 0; i < 40; ++i)
        write_bytes(src / (L"f" + std::to_wstring(100 + i) + L".bin"), make_data(30000, DataKind::Text, i));
    FolderBackupItem item(1);
    item.set_folder(src.path());
    std::atomic<bool> stop{false};
    item.cancel();
    EXPECT_FALSE(stop.load());

    TempDir out;
    const std::wstring archive = new_archive(out);
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        item.backup(archive, &stop, true, true, kPassword);
        finished = true;
    });
    while (!finished)
        item.cancel();
    worker.join();
    const parse::Archive a = parse_file(archive);
    EXPECT_EQ(a.error, "");
    EXPECT_LE(a.records.size(), 40u);
    for (const parse::Record& r : a.records)
        EXPECT_EQ(parse::data(r, "Secret-42").value_or(Bytes()),
                  make_data(30000, DataKind::Text, std::stoi(r.name().substr(1)) - 100));
}
