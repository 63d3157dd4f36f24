#include <gtest/gtest.h>

#include <atomic>
#include <tuple>
#include <utility>

#include "data_restore.h"
#include "eng_except.h"
#include "restore_test_util.h"

namespace {

std::vector<uint8_t> bytes(const std::string& s)
{
    return std::vector<uint8_t>(s.begin(), s.end());
}

class DataRestoreTest : public ::testing::Test {
protected:
    TempDir dir;
    std::wstring archive = dir / L"test.bvk2";

    std::vector<uint8_t> file_head(const std::wstring& name, uint64_t size)
    {
        return build::file_head(dir / L"out", name, size);
    }
    std::wstring restored(const std::wstring& name) const { return dir / (L"out\\" + name); }

    std::vector<SkippedItem> skipped;  // by the last restore

    uint64_t restore(const std::vector<uint8_t>& body, ItemHeadList* selection = nullptr)
    {
        write_bytes(archive, body);
        DataRestore<WriterFactories> reader(archive, 44, selection, L"");
        const uint64_t total = reader.run();
        skipped = reader.skipped();
        return total;
    }
    ItemHeadList list(const std::vector<uint8_t>& body, ItemHeadList* selection = nullptr)
    {
        write_bytes(archive, body);
        ItemHeadList heads;
        DataRestore<NoWriterFactories> reader(archive, 44, selection, L"");
        reader.set_head_list(&heads);
        reader.run();
        return heads;
    }
};

TEST_F(DataRestoreTest, MissingArchiveThrowsTheOpenText)
{
    DataRestore<WriterFactories> reader(archive, 44, nullptr, L"");
    try {
        reader.run();
        FAIL() << "no exception";
    } catch (const EngExcept::FileException& e) {
        EXPECT_EQ(e.get_message(), L"DataRestore::open_file(): Failed to open source file!");
        EXPECT_EQ(e.get_detail(), archive);
        EXPECT_EQ(e.get_code(), 2);
    }
}

TEST_F(DataRestoreTest, ProgressStartsAtZeroAndFollowsEveryChunk)
{
    auto body = build::header();
    build::record(body, file_head(L"empty.txt", 0), {});
    const size_t afterEmpty = body.size();
    build::record(body, file_head(L"two.txt", 5), {bytes("ab"), bytes("cde")});
    write_bytes(archive, body);

    ProgressWindow sink;
    DataRestore<WriterFactories> reader(archive, 44, nullptr, L"");
    reader.progress.set_target(sink.hwnd(), WM_ENGINE_PROGRESS);
    EXPECT_EQ(reader.run(), 5u);
    // Positions count from the start offset, the size includes the header.
    const double size = static_cast<double>(body.size());
    const size_t second = afterEmpty - 44 + 4 + 8217 + 8 + 2 + 8;
    const std::vector<std::pair<WPARAM, LPARAM>> expected = {{0, 0},
                                                             {WPARAM(second / size * 100), 0},
                                                             {WPARAM((second + 3 + 8) / size * 100), 0}};
    EXPECT_EQ(sink.take(WM_ENGINE_PROGRESS), expected);
    EXPECT_EQ(read_bytes(restored(L"two.txt")), bytes("abcde"));
    EXPECT_TRUE(file_exists(restored(L"empty.txt")));

    write_bytes(archive, build::header());
    DataRestore<WriterFactories> empty(archive, 44, nullptr, L"");
    empty.progress.set_target(sink.hwnd(), WM_ENGINE_PROGRESS);
    EXPECT_EQ(empty.run(), 0u);
    EXPECT_EQ(sink.take(WM_ENGINE_PROGRESS), (std::vector<std::pair<WPARAM, LPARAM>>{{0, 0}}));
}

TEST_F(DataRestoreTest, OnlyTheFirstByteOfAChunkHeaderEndsTheItem)
{
    // 256 as the first word is a data chunk; any non-zero first byte ends the item.
    for (uint8_t endByte : {uint8_t(1), uint8_t(2), uint8_t(0xff)}) {
        auto body = build::header();
        build::record(body, file_head(L"a.txt", 3), {bytes("abc")});
        body.end()[-8] = endByte;
        body.end()[-5] = 0x40;  // high bytes of an end marker do not matter
        build::record(body, file_head(L"b.txt", 1), {bytes("b")});
        EXPECT_EQ(restore(body), 4u);
        EXPECT_EQ(read_bytes(restored(L"b.txt")), bytes("b"));
    }
    auto body = build::header();
    build::record(body, file_head(L"c.txt", 2), {bytes("x"), bytes("y")});
    const size_t secondHeader = body.size() - 8 - 1 - 8;
    body[secondHeader + 1] = 1;  // first word 256
    EXPECT_EQ(restore(body), 2u);
    EXPECT_EQ(read_bytes(restored(L"c.txt")), bytes("xy"));
}

// Whatever is not restored is counted, named and explained; the total holds
// only what was put in place.
TEST_F(DataRestoreTest, EveryItemLeftOutIsReportedWithItsNameAndReason)
{
    TestKey key;
    write_bytes(dir / L"blocker", bytes("x"));
    CreateDirectoryW((dir / L"out").c_str(), nullptr);
    write_bytes(restored(L"short.txt"), bytes("good"));
    auto unknown = file_head(L"never.txt", 8);
    put_u32(unknown, 0, 7);
    const std::wstring out = dir / L"out";
    auto body = build::header();
    build::record(body, file_head(L"first.txt", 5), {bytes("first")});
    build::record(body, build::file_head(dir / L"blocker\\sub", L"lost.txt", 4), {bytes("lost")});
    build::record(body, file_head(L"short.txt", 9), {bytes("cut")});
    build::record(body, file_head(L"long.txt", 2), {bytes("too long")});
    build::record(body, unknown, {bytes("abcd"), bytes("efgh")});
    build::record(body, file_head(L"..\\escape.txt", 3), {bytes("out")});
    build::record(body, build::file_head(out + L"\\..\\up", L"escape.txt", 3), {bytes("out")});
    build::record(body, build::reg_head(0x12345678, REG_SZ, key.path(), L"nowhere", 2), {bytes("no")});
    build::record(body, build::reg_head(0x80000001, REG_BINARY, key.path(), L"partial", 4), {bytes("par")});
    build::record(body, build::reg_head(0x80000001, REG_BINARY, key.path(), L"whole", 5), {bytes("whole")});
    build::record(body, file_head(L"last.txt", 4), {bytes("last")});

    EXPECT_EQ(restore(body), 14u);
    const std::vector<std::tuple<std::wstring, std::wstring, RestoreOutcome>> expected = {
        {dir / L"blocker\\sub", L"lost.txt", RestoreOutcome::Unwritable},
        {out, L"short.txt", RestoreOutcome::Incomplete},
        {out, L"long.txt", RestoreOutcome::Incomplete},
        {L"", L"record type 7", RestoreOutcome::UnknownType},
        {out, L"..\\escape.txt", RestoreOutcome::UnsafeName},
        {out + L"\\..\\up", L"escape.txt", RestoreOutcome::UnsafeName},
        {key.path(), L"nowhere", RestoreOutcome::ValueNotSet},
        {key.path(), L"partial", RestoreOutcome::Incomplete},
    };
    std::vector<std::tuple<std::wstring, std::wstring, RestoreOutcome>> reported;
    for (const SkippedItem& item : skipped)
        reported.emplace_back(item.location, item.name, item.reason);
    EXPECT_EQ(reported, expected);

    EXPECT_EQ(read_bytes(restored(L"first.txt")), bytes("first"));
    EXPECT_EQ(read_bytes(restored(L"short.txt")), bytes("good"));
    EXPECT_EQ(read_bytes(restored(L"last.txt")), bytes("last"));
    EXPECT_EQ(list_files(out), (std::vector<std::wstring>{L"first.txt", L"last.txt", L"short.txt"}));
    EXPECT_EQ(list_files(dir.path()).size(), 5u) << "nothing beside the folders the heads name";
    EXPECT_FALSE(read_value(HKEY_CURRENT_USER, key.path(), L"partial"));
    EXPECT_EQ(read_value(HKEY_CURRENT_USER, key.path(), L"whole")->data, bytes("whole"));

    // A run that restores everything reports nothing, and a new run starts afresh.
    auto good = build::header();
    build::record(good, file_head(L"first.txt", 5), {bytes("again")});
    EXPECT_EQ(restore(good), 5u);
    EXPECT_TRUE(skipped.empty());
}

// Names that Windows does not take as plain file names, in the item's name
// or in any level of its folder after expansion, are refused before anything
// is opened: no device (a serial port would hold the restore for ever), no
// stream, no name Windows tools cannot open, no drive's current folder. Each
// is reported and the item after it restores.
TEST_F(DataRestoreTest, NamesWindowsDoesNotTakeAsPlainFileNamesAreRefused)
{
    const std::wstring out = dir / L"out";
    // Cleared in the long form, where no name is a device: should a refusal
    // fail, the plain path of a file left named COM1 would open the serial
    // port, whose reads never end. Nothing here opens a refused name.
    const std::wstring outLong = L"\\\\?\\" + out;
    const EnvOverride device(L"BRV_DEVICE_FOLDER", out + L"\\nul.d");
    struct Row {
        std::wstring folder, name;
    };
    const Row rows[] = {
        {out, L"COM1"},
        {out, L"com9.log"},
        {out, L"LPT1"},
        {out, L"lpt9.tar.gz"},
        {out, L"CON"},
        {out, L"con"},
        {out, L"NUL.txt"},
        {out, L"PRN "},
        {out, L"AUX."},
        {out, L"aux  .txt"},
        {out, L"Nul . . "},
        {out, L"CONIN$"},
        {out, L"conout$.txt"},
        {out, L"C:evil.txt"},
        {out, L"x.txt:ads"},
        {out, L"trail. "},
        {out, L"trail."},
        {out, L"trail "},
        {out, L"..."},
        {out, L"bell\x07.txt"},
        {out, L"line\nfeed"},
        {out, L"what?.txt"},
        {out + L"\\CON", L"d.txt"},
        {out + L"\\com1.d\\sub", L"d.txt"},
        {out + L"\\a:b", L"d.txt"},
        {out + L"\\trail.", L"d.txt"},
        {out + L"\\space ", L"d.txt"},
        {out + L"\\...\\sub", L"d.txt"},
        {out + L"\\unit\x1f", L"d.txt"},
        {L"%BRV_DEVICE_FOLDER%\\sub", L"d.txt"},
        {L"C:dmgrel", L"d.txt"},
        {L"C:", L"d.txt"},
        {L"\\\\.\\COM1", L"d.txt"},
        {L"\\\\?\\" + out, L"d.txt"},
    };
    const std::vector<uint8_t> hundred = make_data(100, DataKind::Text);
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "folder " << testing::PrintToString(row.folder) << ", name "
                                        << testing::PrintToString(row.name));
        remove_tree(outLong);
        auto body = build::header();
        build::record(body, build::file_head(row.folder, row.name, 100), {hundred});
        build::record(body, file_head(L"after.txt", 5), {bytes("after")});
        EXPECT_EQ(restore(body), 5u);
        ASSERT_EQ(skipped.size(), 1u);
        EXPECT_EQ(skipped[0].location, row.folder);
        EXPECT_EQ(skipped[0].name, row.name);
        EXPECT_EQ(skipped[0].reason, RestoreOutcome::UnsafeName);
        EXPECT_EQ(list_files(dir.path()), (std::vector<std::wstring>{L"out\\after.txt", L"test.bvk2"}))
            << "nothing made for the refused item";
        EXPECT_EQ(read_bytes(restored(L"after.txt")), bytes("after"));
    }
    EXPECT_FALSE(file_exists(L"C:\\dmgrel"));

    // A registry value that names no key is never set at the root of a hive.
    TestKey key;
    const std::wstring value = L"BrisvaleRootValue" + std::to_wstring(GetCurrentProcessId());
    for (const std::wstring& empty : {std::wstring(), std::wstring(L"\\")}) {
        auto body = build::header();
        build::record(body, build::reg_head(0x80000001, REG_BINARY, empty, value, 100), {hundred});
        build::record(body, build::reg_head(0x80000001, REG_BINARY, key.path(), value, 5), {bytes("after")});
        EXPECT_EQ(restore(body), 5u);
        ASSERT_EQ(skipped.size(), 1u);
        EXPECT_EQ(skipped[0].location, empty);
        EXPECT_EQ(skipped[0].name, value);
        EXPECT_EQ(skipped[0].reason, RestoreOutcome::UnsafeName);
        EXPECT_FALSE(read_value(HKEY_CURRENT_USER, L"", value));
        EXPECT_EQ(read_value(HKEY_CURRENT_USER, key.path(), value)->data, bytes("after"));
    }

    // Names that only look like those are plain names.
    remove_tree(outLong);
    const Row plain[] = {{out, L"CONSOLE.txt"},         {out, L"COM10"},   {out, L"lpt.txt"},
                         {out, L"nul-free.txt"},        {out, L".hidden"}, {out, L"a.b.c"},
                         {out + L"\\COM10.d", L"x.txt"}};
    auto body = build::header();
    for (const Row& row : plain)
        build::record(body, build::file_head(row.folder, row.name, 2), {bytes("ok")});
    EXPECT_EQ(restore(body), 2 * std::size(plain));
    EXPECT_TRUE(skipped.empty());
    EXPECT_EQ(list_files(out), (std::vector<std::wstring>{L".hidden", L"COM10", L"COM10.d\\x.txt", L"CONSOLE.txt",
                                                          L"a.b.c", L"lpt.txt", L"nul-free.txt"}));
}

// One to three bytes where a head length belongs are the end of the archive.
TEST_F(DataRestoreTest, TrailingBytesShorterThanAHeadLengthEndNormally)
{
    for (size_t extra : {1, 2, 3}) {
        auto body = build::header();
        build::record(body, file_head(L"a.txt", 3), {bytes("abc")});
        body.insert(body.end(), extra, uint8_t(0xEE));
        EXPECT_EQ(restore(body), 3u) << extra;
        EXPECT_TRUE(skipped.empty());
    }
    auto body = build::header();
    build::record(body, file_head(L"a.txt", 3), {bytes("abc")});
    body.insert(body.end(), 4, uint8_t(0xEE));
    EXPECT_THROW(restore(body), EngExcept::FileException) << "four bytes are a head length";
}

TEST_F(DataRestoreTest, UnknownItemTypeIsPassedOverWhole)
{
    auto unknown = file_head(L"never.txt", 8);
    put_u32(unknown, 0, 7);
    auto body = build::header();
    build::record(body, unknown, {bytes("abcd"), bytes("efgh")});
    build::record(body, file_head(L"after.txt", 5), {bytes("after")});
    EXPECT_EQ(restore(body), 5u);
    EXPECT_FALSE(file_exists(restored(L"never.txt")));
    EXPECT_EQ(read_bytes(restored(L"after.txt")), bytes("after"));
    ItemHeadList heads = list(body);
    ASSERT_EQ(heads.size(), 1u);
    EXPECT_EQ(heads[0].type, 1);
    free_head_list(heads);
    EXPECT_TRUE(heads.empty());
}

TEST_F(DataRestoreTest, SelectionRestoresOnlyItsItemsAndListingStillRecordsAll)
{
    auto body = build::header();
    for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt"})
        build::record(body, file_head(name, 1), {bytes("1")});
    const auto wanted = file_head(L"b.txt", 99);  // sizes do not take part in the match
    ItemHeadList selection{{1, const_cast<uint8_t*>(wanted.data())}};
    EXPECT_EQ(restore(body, &selection), 1u);
    EXPECT_FALSE(file_exists(restored(L"a.txt")));
    EXPECT_TRUE(file_exists(restored(L"b.txt")));
    EXPECT_FALSE(file_exists(restored(L"c.txt")));

    ItemHeadList heads = list(body, &selection);
    ASSERT_EQ(heads.size(), 3u);
    for (size_t i = 0; i < heads.size(); ++i) {
        EXPECT_EQ(heads[i].type, 1);
        std::vector<uint8_t> copy(heads[i].head, heads[i].head + 8216);
        EXPECT_EQ(copy, file_head(std::wstring(1, wchar_t(L'a' + i)) + L".txt", 1));
    }
    free_head_list(heads);
}

TEST_F(DataRestoreTest, StopTakesEffectAfterTheItemInHand)
{
    auto body = build::header();
    build::record(body, file_head(L"first.txt", 6), {bytes("ab"), bytes("cd"), bytes("ef")});
    build::record(body, file_head(L"second.txt", 1), {bytes("x")});
    write_bytes(archive, body);
    std::atomic<bool> stopFlag{true};
    DataRestore<WriterFactories> reader(archive, 44, nullptr, L"");
    reader.stop.set_flag(&stopFlag);
    EXPECT_EQ(reader.run(), 0u);  // the item read when the stop was seen is not counted
    EXPECT_EQ(read_bytes(restored(L"first.txt")), bytes("abcdef"));
    EXPECT_FALSE(file_exists(restored(L"second.txt")));
}

// A factory list whose file factory cannot make items.
struct NullFactory : DataItemFactory {
    NullFactory() : DataItemFactory(1) {}
    DataItem* create() override { return nullptr; }
};
struct NullFactories {
    NullFactories() { list.emplace_back(new NullFactory); }
    FactoryList list;
};

TEST_F(DataRestoreTest, FactoryThatMakesNoItemIsAnError)
{
    auto body = build::header();
    build::record(body, file_head(L"a.txt", 1), {bytes("1")});
    write_bytes(archive, body);
    DataRestore<NullFactories> reader(archive, 44, nullptr, L"");
    EXPECT_THROW(reader.run(), EngExcept::FileException);
}

}  // namespace
