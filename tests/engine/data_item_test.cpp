#include <gtest/gtest.h>

#include <memory>

#include "data_item.h"
#include "eng_except.h"
#include "factories.h"
#include "restore_test_util.h"

namespace {

template <class Item>
std::unique_ptr<Item> make_item(const std::vector<uint8_t>& head)
{
    auto item = std::make_unique<Item>();
    EXPECT_TRUE(item->set_head(head.data() + 4));
    return item;
}

std::vector<uint8_t> bytes(const std::string& s)
{
    return std::vector<uint8_t>(s.begin(), s.end());
}

// Restores one file item with the given chunks through its writer.
bool restore_file(const std::vector<uint8_t>& head, const std::vector<std::vector<uint8_t>>& chunks)
{
    auto item = make_item<FileDataItem>(head);
    EXPECT_TRUE(item->open_item());
    for (const auto& c : chunks)
        EXPECT_EQ(item->write_item(c.data(), static_cast<int32_t>(c.size())), static_cast<int32_t>(c.size()));
    return item->close_item();
}

TEST(Factories, FindByTypeAndCreateDistinctItems)
{
    WriterFactories writers;
    NoWriterFactories listers;
    for (const FactoryList* list : {&writers.list, &listers.list}) {
        struct Row {
            int type;
            const wchar_t* kind;
            int32_t headSize;
        };
        for (Row row : {Row{1, L"File", 8216}, Row{2, L"Registry", 4128}}) {
            auto* factory = dynamic_cast<DataItemFactory*>(find_factory(*list, row.type));
            ASSERT_NE(factory, nullptr);
            EXPECT_EQ(factory->item_type(), row.type);
            std::unique_ptr<DataItem> a(factory->create()), b(factory->create());
            EXPECT_NE(a.get(), b.get());
            EXPECT_EQ(a->item_type(), row.type);
            EXPECT_EQ(a->kind_name(), row.kind);
            EXPECT_EQ(a->head_size(), row.headSize);
            EXPECT_EQ(a->get_head(nullptr), row.headSize);
        }
        for (int type : {0, 3, -1, 256, 0x10001})
            EXPECT_EQ(find_factory(*list, type), nullptr) << type;
    }
}

TEST(DataItems, TypeWordComesFromTheKindNotTheData)
{
    auto fileHead = build::file_head(L"%APPDATA%\\Mail", L"Inbox.dbx", 5, true, false);
    auto regHead = build::reg_head(0x80000001, REG_SZ, L"Software\\X", L"Name", 6);
    put_u32(fileHead, 0, 77);
    put_u32(regHead, 0, 77);
    auto file = make_item<FileListItem>(fileHead);
    auto reg = make_item<RegListItem>(regHead);
    std::vector<uint8_t> out(8216);
    ASSERT_EQ(file->get_head(out.data()), 8216);
    EXPECT_EQ(parse_u32(out, 0), 1u);
    EXPECT_EQ(std::vector<uint8_t>(out.begin() + 4, out.end()),
              std::vector<uint8_t>(fileHead.begin() + 4, fileHead.begin() + out.size()));
    ASSERT_EQ(reg->get_head(out.data()), 4128);
    EXPECT_EQ(parse_u32(out, 0), 2u);
    EXPECT_EQ(std::vector<uint8_t>(out.begin() + 4, out.begin() + 4128),
              std::vector<uint8_t>(regHead.begin() + 4, regHead.begin() + 4128));

    EXPECT_EQ(file->display_name(), L"Inbox.dbx");
    EXPECT_EQ(file->location(), L"%APPDATA%\\Mail");
    EXPECT_EQ(file->item_size(), 5u);
    EXPECT_TRUE(file->is_compressed());
    EXPECT_FALSE(file->is_encrypted());
    EXPECT_EQ(reg->display_name(), L"Name");
    EXPECT_EQ(reg->location(), L"Software\\X");
}

TEST(DataItems, HeadWithAnUnterminatedTextIsRefused)
{
    struct Row {
        bool file;
        size_t at;
        size_t chars;
    };
    for (Row row :
         {Row{true, 18, 2048}, Row{true, 18 + 4096, 2048}, Row{false, 28, 1024}, Row{false, 28 + 2048, 1024}}) {
        auto head = row.file ? build::file_head(L"C:\\a", L"b", 0) : build::reg_head(0x80000001, 1, L"k", L"v", 0);
        for (size_t i = 0; i < row.chars; ++i)
            build::put_text(head, row.at + 2 * i, L"A");
        std::unique_ptr<DataItem> item;
        if (row.file)
            item = std::make_unique<FileListItem>();
        else
            item = std::make_unique<RegListItem>();
        EXPECT_FALSE(item->set_head(head.data() + 4)) << row.at;
        // Texts are still read within their arrays.
        EXPECT_EQ(std::max(item->display_name().size(), item->location().size()), row.chars);
    }
}

TEST(DataItems, ComparisonIsExactOnTheItemRecordOnly)
{
    struct Row {
        std::vector<uint8_t> a, b;
        bool equal;
    };
    const Row rows[] = {
        {build::file_head(L"C:\\Mail", L"a.dbx", 1), build::file_head(L"C:\\Mail", L"a.dbx", 9, true, true), true},
        {build::file_head(L"C:\\Mail", L"a.dbx", 1), build::file_head(L"C:\\MAIL", L"a.dbx", 1), false},
        {build::file_head(L"C:\\Mail", L"a.dbx", 1), build::file_head(L"C:\\Mail", L"A.dbx", 1), false},
        {build::reg_head(0x80000001, 1, L"K", L"V", 1), build::reg_head(0x80000001, 1, L"K", L"V", 5), true},
        {build::reg_head(0x80000001, 1, L"K", L"V", 1), build::reg_head(0x80000002, 1, L"K", L"V", 1), false},
        {build::reg_head(0x80000001, 1, L"K", L"V", 1), build::reg_head(0x80000001, 3, L"K", L"V", 1), false},
        {build::reg_head(0x80000001, 1, L"K", L"V", 1), build::reg_head(0x80000001, 1, L"k", L"V", 1), false},
        {build::reg_head(0x80000001, 1, L"K", L"V", 1), build::reg_head(0x80000001, 1, L"K", L"", 1), false},
    };
    NoWriterFactories list;
    for (const Row& row : rows) {
        auto* factory = dynamic_cast<DataItemFactory*>(find_factory(list.list, static_cast<int>(parse_u32(row.a, 0))));
        std::unique_ptr<DataItem> a(factory->create()), b(factory->create());
        ASSERT_TRUE(a->set_head(row.a.data() + 4) && b->set_head(row.b.data() + 4));
        EXPECT_EQ(a->equals(b.get()), row.equal) << a->location() << L" " << a->display_name();
    }
    auto file = make_item<FileListItem>(build::file_head(L"C:\\a", L"b", 0));
    auto reg = make_item<RegListItem>(build::reg_head(0x80000001, 1, L"C:\\a", L"b", 0));
    EXPECT_FALSE(file->equals(reg.get()));
}

TEST(DataItems, ListingItemsKeepNothing)
{
    auto file = make_item<FileListItem>(build::file_head(L"C:\\nowhere", L"x", 500));
    auto reg = make_item<RegListItem>(build::reg_head(0x80000001, 3, L"Software\\BrisvaleTest\\never", L"x", 500));
    std::vector<uint8_t> data(500, 7);
    for (DataItem* item : {static_cast<DataItem*>(file.get()), static_cast<DataItem*>(reg.get())}) {
        EXPECT_FALSE(item->open_item());
        EXPECT_EQ(item->write_item(data.data(), 500), 500);
        EXPECT_FALSE(item->close_item());
    }
    EXPECT_FALSE(file_exists(L"C:\\nowhere\\x"));
    EXPECT_FALSE(read_value(HKEY_CURRENT_USER, L"Software\\BrisvaleTest\\never", L"x"));
}

TEST(FileWriter, CreatesTheFolderChainAndJoinsPathsOnce)
{
    TempDir dir;
    EnvOverride env(L"BRV_ROOT", dir.path());
    ASSERT_TRUE(restore_file(build::file_head(L"%BRV_ROOT%\\a\\b\\c", L"one.txt", 3), {bytes("abc")}));
    EXPECT_EQ(read_bytes(dir / L"a\\b\\c\\one.txt"), bytes("abc"));
    ASSERT_TRUE(restore_file(build::file_head(dir.path() + L"\\a\\", L"two.txt", 0), {}));
    EXPECT_TRUE(file_exists(dir / L"a\\two.txt"));
    EXPECT_EQ(read_bytes(dir / L"a\\two.txt").size(), 0u);
}

TEST(FileWriter, ReplacesExistingFilesWhateverTheirAttributes)
{
    TempDir dir;
    for (DWORD attributes : {DWORD(FILE_ATTRIBUTE_NORMAL), DWORD(FILE_ATTRIBUTE_READONLY), DWORD(FILE_ATTRIBUTE_HIDDEN),
                             DWORD(FILE_ATTRIBUTE_SYSTEM), DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)}) {
        const std::wstring path = dir / L"store.dbx";
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        write_bytes(path, bytes("old contents"));
        SetFileAttributesW(path.c_str(), attributes);
        EXPECT_TRUE(restore_file(build::file_head(dir.path(), L"store.dbx", 8), {bytes("new"), bytes(" data")}))
            << attributes;
        EXPECT_EQ(read_bytes(path), bytes("new data")) << attributes;
        EXPECT_EQ(list_files(dir.path()), std::vector<std::wstring>{L"store.dbx"});
    }
}

TEST(FileWriter, AnItemNotWrittenWholeLeavesTheOldFile)
{
    TempDir dir;
    const std::wstring path = dir / L"Inbox.dbx";
    write_bytes(path, bytes("good mail"));
    {
        auto item = make_item<FileDataItem>(build::file_head(dir.path(), L"Inbox.dbx", 100));
        ASSERT_TRUE(item->open_item());
        item->write_item(bytes("partial").data(), 7);
    }  // deleted without close_item, as when a restore fails inside the item
    EXPECT_EQ(read_bytes(path), bytes("good mail"));
    EXPECT_EQ(list_files(dir.path()), std::vector<std::wstring>{L"Inbox.dbx"});
}

// Only data of exactly the head's size replaces a file: a record cut short by
// another writer, a chunk of the wrong length, a changed size field.
TEST(FileWriter, DataOfAnotherSizeThanTheHeadIsNeverPutInPlace)
{
    TempDir dir;
    const std::wstring path = dir / L"Inbox.dbx";
    struct Row {
        const char* what;
        uint64_t headSize;
        std::vector<std::string> chunks;
        bool restored;
    };
    const Row rows[] = {
        {"exact", 8, {"new ", "mail"}, true},       {"shorter", 9, {"new ", "mail"}, false},
        {"longer", 7, {"new ", "mail"}, false},     {"longer by a later chunk", 4, {"new ", "", "mail"}, false},
        {"empty where data belongs", 3, {}, false}, {"data where the head says empty", 0, {"x"}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        write_bytes(path, bytes("good mail"));
        auto item = make_item<FileDataItem>(build::file_head(dir.path(), L"Inbox.dbx", row.headSize));
        ASSERT_TRUE(item->open_item());
        int32_t taken = 0;
        for (const std::string& c : row.chunks)
            taken += item->write_item(bytes(c).data(), static_cast<int32_t>(c.size()));
        EXPECT_EQ(item->close_item(), row.restored);
        EXPECT_EQ(item->outcome(), row.restored ? RestoreOutcome::Restored : RestoreOutcome::Incomplete);
        EXPECT_EQ(read_bytes(path), bytes(row.restored ? "new mail" : "good mail"));
        EXPECT_EQ(list_files(dir.path()), std::vector<std::wstring>{L"Inbox.dbx"});
        EXPECT_LE(static_cast<uint64_t>(taken), row.headSize) << "nothing beyond the head's size is written";
    }
}

TEST(FileWriter, TargetThatCannotBeReplacedIsLeftAlone)
{
    TempDir dir;
    CreateDirectoryW((dir / L"folder.dbx").c_str(), nullptr);
    EXPECT_FALSE(restore_file(build::file_head(dir.path(), L"folder.dbx", 3), {bytes("abc")}));
    EXPECT_TRUE(GetFileAttributesW((dir / L"folder.dbx").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(list_files(dir.path()), std::vector<std::wstring>{});
}

TEST(FileWriter, TargetHeldByAnotherProgramIsLeftAlone)
{
    TempDir dir;
    const std::wstring path = dir / L"Inbox.dbx";
    write_bytes(path, bytes("in use"));
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    auto item = make_item<FileDataItem>(build::file_head(dir.path(), L"Inbox.dbx", 3));
    ASSERT_TRUE(item->open_item());
    EXPECT_EQ(item->write_item(bytes("new").data(), 3), 3);
    EXPECT_FALSE(item->close_item());
    EXPECT_EQ(item->outcome(), RestoreOutcome::Unwritable);
    CloseHandle(held);
    EXPECT_EQ(read_bytes(path), bytes("in use"));
    EXPECT_EQ(list_files(dir.path()), std::vector<std::wstring>{L"Inbox.dbx"});
}

TEST(FileWriter, UncreatableOrUnsafeFileThrowsTheOpenText)
{
    TempDir dir;
    write_bytes(dir / L"plain.txt", bytes("x"));
    const auto unwritable = RestoreOutcome::Unwritable, unsafe = RestoreOutcome::UnsafeName;
    struct Row {
        std::wstring folder, name, detail;
        RestoreOutcome outcome;
    };
    const Row rows[] = {
        {dir / L"plain.txt\\sub", L"a.txt", dir / L"plain.txt\\sub\\a.txt",
         unwritable},                                                             // a file where a folder belongs
        {L"relative\\folder", L"a.txt", L"relative\\folder\\a.txt", unwritable},  // no whole path
        {dir.path(), L"", dir.path() + L"\\", unsafe},                            // no name
        {dir / L"in", L"..\\out.txt", dir / L"in\\..\\out.txt", unsafe},
        {dir / L"in", L"../out.txt", dir / L"in\\../out.txt", unsafe},
        {dir / L"in", L"sub\\a.txt", dir / L"in\\sub\\a.txt", unsafe},
        {dir / L"in", L".", dir / L"in\\.", unsafe},
        {dir / L"in", L"..", dir / L"in\\..", unsafe},
        {dir / L"in\\..", L"out.txt", dir / L"in\\..\\out.txt", unsafe},
        {dir / L"in\\..\\", L"out.txt", dir / L"in\\..\\out.txt", unsafe},
        {dir / L"in/../x", L"out.txt", dir / L"in/../x\\out.txt", unsafe},
        {L"%BRV_NOWHERE%\\..\\x", L"out.txt", L"%BRV_NOWHERE%\\..\\x\\out.txt", unsafe},
    };
    for (const Row& row : rows) {
        auto item = make_item<FileDataItem>(build::file_head(row.folder, row.name, 1));
        try {
            item->open_item();
            ADD_FAILURE() << "no exception for " << row.detail;
        } catch (const EngExcept::FileException& e) {
            EXPECT_EQ(e.get_message(), L"FileWriter::open_item(): Failed to create file!");
            EXPECT_EQ(e.get_detail(), row.detail);
            EXPECT_EQ(e.get_code(), 3);
        }
        EXPECT_EQ(item->outcome(), row.outcome) << row.detail;
    }
    // Nothing was made, inside the folder or beside it.
    EXPECT_EQ(list_files(dir.path()), std::vector<std::wstring>{L"plain.txt"});
    EXPECT_FALSE(file_exists(dir / L"in"));
    EXPECT_FALSE(file_exists(dir.path() + L"\\..\\out.txt"));
    // Dots inside names are ordinary.
    EXPECT_TRUE(restore_file(build::file_head(dir / L"a..b", L"..x..y", 1), {bytes("1")}));
    EXPECT_EQ(read_bytes(dir / L"a..b\\..x..y"), bytes("1"));
}

// The restored data grows in a file of its own: never one of the user's,
// whatever they are called, and never a name too long for the folder.
TEST(FileWriter, TemporaryFileHasAShortNameOfItsOwn)
{
    TempDir dir;
    const std::wstring longName = std::wstring(240, L'n') + L".dbx";  // 244 of the 255 a name may have
    const std::vector<std::wstring> users = {L"Inbox.dbx.~korvane", L"~kv0000.tmp", L"~kvffff.tmp", L"Inbox.dbx.tmp"};
    for (const std::wstring& name : users)
        write_bytes(dir / name, bytes("user's"));
    ASSERT_TRUE(restore_file(build::file_head(dir.path(), L"Inbox.dbx", 3), {bytes("new")}));
    ASSERT_TRUE(restore_file(build::file_head(dir.path(), longName, 4), {bytes("long")}));
    EXPECT_EQ(read_bytes(dir / L"Inbox.dbx"), bytes("new"));
    EXPECT_EQ(read_bytes(dir / longName), bytes("long"));
    for (const std::wstring& name : users)
        EXPECT_EQ(read_bytes(dir / name), bytes("user's"));
    EXPECT_EQ(list_files(dir.path()).size(), users.size() + 2);

    // A target whose whole path is as long as the system allows, with a name
    // shorter than any temporary one.
    std::wstring deep = dir.path();
    while (deep.size() < 252) {
        deep += L"\\" + std::wstring(std::min<size_t>(40, 252 - deep.size()), L'd');
        CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr);
    }
    const std::wstring shortName(MAX_PATH - 2 - deep.size(), L's');
    ASSERT_TRUE(restore_file(build::file_head(deep, shortName, 2), {bytes("ok")}));
    EXPECT_EQ(read_bytes(deep + L"\\" + shortName), bytes("ok"));
    EXPECT_EQ(list_files(deep), std::vector<std::wstring>{shortName});
}

class RegWriterTest : public ::testing::Test {
protected:
    TestKey testKey;
    const std::wstring key = testKey.path();

    // The outcome of one value restored with these chunks.
    RestoreOutcome restore(uint32_t root, uint32_t type, const std::wstring& name, uint64_t headSize,
                           const std::vector<std::vector<uint8_t>>& chunks)
    {
        auto item = make_item<RegDataItem>(build::reg_head(root, type, key, name, headSize));
        item->open_item();
        for (const auto& c : chunks)
            item->write_item(c.data(), static_cast<int32_t>(c.size()));
        const bool restored = item->close_item();
        EXPECT_EQ(restored, item->outcome() == RestoreOutcome::Restored);
        return item->outcome();
    }
};

TEST_F(RegWriterTest, SetsValuesOfAnySizeOnlyWhenWhole)
{
    struct Row {
        const wchar_t* name;
        uint64_t headSize;
        std::vector<size_t> chunks;
        bool set;
    };
    const Row rows[] = {
        {L"empty", 0, {}, true},
        {L"big", 20000, {10240, 9000, 760}, true},
        {L"limit plus one", 10241, {10241}, true},
        {L"cut short", 300, {200}, false},
        {L"too long", 100, {60, 60}, false},
    };
    for (const Row& row : rows) {
        testKey.set(L"", row.name, REG_SZ, bytes("old"));
        std::vector<std::vector<uint8_t>> chunks;
        std::vector<uint8_t> all;
        for (size_t n : row.chunks) {
            chunks.push_back(make_data(n, DataKind::Random, static_cast<uint32_t>(n)));
            all.insert(all.end(), chunks.back().begin(), chunks.back().end());
        }
        EXPECT_EQ(restore(0x80000001, REG_BINARY, row.name, row.headSize, chunks),
                  row.set ? RestoreOutcome::Restored : RestoreOutcome::Incomplete);
        auto value = read_value(HKEY_CURRENT_USER, key, row.name);
        ASSERT_TRUE(value);
        if (row.set) {
            EXPECT_EQ(value->type, DWORD(REG_BINARY));
            EXPECT_EQ(value->data, all);
        } else {
            EXPECT_EQ(value->type, DWORD(REG_SZ)) << row.name;
            EXPECT_EQ(value->data, bytes("old")) << row.name;
        }
    }
}

TEST_F(RegWriterTest, DefaultValueAndTypesAreRestored)
{
    const uint8_t dword[4] = {0xef, 0xbe, 0xad, 0xde};
    EXPECT_EQ(restore(0x80000001, REG_DWORD, L"", 4, {std::vector<uint8_t>(dword, dword + 4)}),
              RestoreOutcome::Restored);
    auto value = read_value(HKEY_CURRENT_USER, key, L"");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, DWORD(REG_DWORD));
    EXPECT_EQ(value->data, std::vector<uint8_t>(dword, dword + 4));
}

TEST_F(RegWriterTest, OnlyPredefinedRootsAreWritten)
{
    for (uint32_t root : {0u, 4u, 0x12345678u, 0x80000004u, 0x80000007u})
        EXPECT_EQ(restore(root, REG_SZ, L"v", 1, {bytes("x")}), RestoreOutcome::ValueNotSet) << root;
}

TEST_F(RegWriterTest, AnItemNotWrittenWholeSetsNothing)
{
    {
        auto item = make_item<RegDataItem>(build::reg_head(0x80000001, REG_BINARY, key, L"v", 3));
        ASSERT_TRUE(item->open_item());
        item->write_item(bytes("abc").data(), 3);
    }
    EXPECT_FALSE(read_value(HKEY_CURRENT_USER, key, L"v"));
}

}  // namespace
