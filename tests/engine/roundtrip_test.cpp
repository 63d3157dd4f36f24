// What the writing side stores, the reading side restores exactly: files of
// every size around the piece boundary and registry values of every kind,
// under every combination of compression and password.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "archive_parse.h"
#include "backup_item.h"
#include "data_restore.h"
#include "restore_test_util.h"

namespace {

const std::wstring kPassword = L"Secret-42";

struct Source {
    std::wstring relative;                               // below %APPDATA%
    std::map<std::wstring, std::vector<uint8_t>> files;  // name below the folder -> bytes
    std::wstring key;
    std::map<std::wstring, RegValue> values;
};

class RoundTripTest : public ::testing::Test {
protected:
    const std::wstring pid = std::to_wstring(GetCurrentProcessId());
    TestKey sourceKey;
    Source source{L"BrisvaleRoundTrip-" + pid, {}, sourceKey.path(), {}};
    const std::wstring folder = expand(L"%APPDATA%") + L"\\" + source.relative;

    void SetUp() override
    {
        remove_tree(folder);
        CreateDirectoryW(folder.c_str(), nullptr);
        CreateDirectoryW((folder + L"\\sub").c_str(), nullptr);
        uint32_t variant = 1;
        for (size_t size : {0, 1, 7, 204800, 204801, 300000}) {
            const DataKind kind = variant % 2 ? DataKind::Text : DataKind::Random;
            source.files[L"size-" + std::to_wstring(size) + L".bin"] = make_data(size, kind, variant++);
        }
        source.files[L"sub\\nested.txt"] = make_data(5000, DataKind::Text, variant++);
        for (const auto& [name, data] : source.files)
            write_bytes(folder + L"\\" + name, data);

        const std::wstring text = L"default value";
        const auto* t = reinterpret_cast<const uint8_t*>(text.c_str());
        source.values[L""] = {REG_SZ, std::vector<uint8_t>(t, t + 2 * (text.size() + 1))};
        source.values[L"dword"] = {REG_DWORD, {0xef, 0xbe, 0xad, 0xde}};
        source.values[L"empty"] = {REG_BINARY, {}};
        source.values[L"big"] = {REG_BINARY, make_data(20000, DataKind::Random, variant++)};
        source.values[L"multi"] = {REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}};
        for (const auto& [name, value] : source.values)
            sourceKey.set(L"", name, value.type, value.data);
    }
    void TearDown() override { remove_tree(folder); }

    uint64_t source_bytes() const
    {
        uint64_t total = 0;
        for (const auto& [name, data] : source.files)
            total += data.size();
        for (const auto& [name, value] : source.values)
            total += value.data.size();
        return total;
    }
};

TEST_F(RoundTripTest, EverySizeAndFlagCombinationRestoresExactly)
{
    for (bool compress : {false, true}) {
        for (bool encrypt : {false, true}) {
            SCOPED_TRACE(testing::Message() << "compress " << compress << " encrypt " << encrypt);
            TempDir work;
            const std::wstring archive = work / L"archive.bvk2";
            write_bytes(archive, build::header());
            FolderBackupItem files(1);
            files.set_folder(folder);
            files.set_description(L"files");
            RegistryBackupItem values(2);
            values.set_key(HKEY_CURRENT_USER, source.key);
            values.set_description(L"values");
            EXPECT_EQ(files.backup(archive, nullptr, compress, encrypt, kPassword) +
                          values.backup(archive, nullptr, compress, encrypt, kPassword),
                      source_bytes());

            // The listing names every file and value, as stored.
            ItemHeadList heads;
            DataRestore<NoWriterFactories> lister(archive, 44, nullptr, kPassword);
            lister.set_head_list(&heads);
            EXPECT_EQ(lister.run(), source_bytes());
            ASSERT_EQ(heads.size(), source.files.size() + source.values.size());
            const parse::Archive parsed = parse::records(read_bytes(archive));
            ASSERT_TRUE(parsed.error.empty()) << parsed.error;
            ASSERT_EQ(parsed.records.size(), heads.size());
            for (size_t i = 0; i < heads.size(); ++i)
                EXPECT_EQ(parsed.records[i].head,
                          std::vector<uint8_t>(heads[i].head, heads[i].head + parsed.records[i].head.size()));
            WriterFactories factories;
            std::map<std::wstring, uint64_t> listedFiles, listedValues;
            for (const ItemHeadEntry& entry : heads) {
                std::unique_ptr<DataItem> item(
                    dynamic_cast<DataItemFactory*>(find_factory(factories.list, entry.type))->create());
                ASSERT_TRUE(item->set_head(entry.head + 4));
                EXPECT_EQ(item->is_compressed(), compress);
                EXPECT_EQ(item->is_encrypted(), encrypt);
                if (entry.type == 1) {
                    const std::wstring stored = L"%APPDATA%\\" + source.relative;
                    ASSERT_EQ(item->location().compare(0, stored.size(), stored), 0) << item->location();
                    const std::wstring below = item->location().substr(stored.size());
                    listedFiles[(below.empty() ? L"" : below.substr(1) + L"\\") + item->display_name()] =
                        item->item_size();
                } else {
                    EXPECT_EQ(item->location(), source.key);
                    listedValues[item->display_name()] = item->item_size();
                }
            }
            free_head_list(heads);
            for (const auto& [name, data] : source.files)
                EXPECT_EQ(listedFiles[name], data.size()) << name;
            for (const auto& [name, value] : source.values)
                EXPECT_EQ(listedValues[name], value.data.size()) << name;

            // Restored into a fresh place: the stored %APPDATA% now names it.
            TempDir fresh;
            EnvOverride appdata(L"APPDATA", fresh.path());
            delete_key(HKEY_CURRENT_USER, source.key);
            DataRestore<WriterFactories> restorer(archive, 44, nullptr, kPassword);
            EXPECT_EQ(restorer.run(), source_bytes());
            for (const auto& [name, data] : source.files)
                EXPECT_EQ(read_bytes(fresh / (source.relative + L"\\" + name)), data) << name;
            for (const auto& [name, value] : source.values) {
                auto restored = read_value(HKEY_CURRENT_USER, source.key, name);
                ASSERT_TRUE(restored) << name;
                EXPECT_EQ(restored->type, value.type) << name;
                EXPECT_EQ(restored->data, value.data) << name;
            }
        }
    }
}

// A writer that keeps every byte given to it, so that a test sees what a
// restore wrote before it ended.
struct KeepingWriter {
    explicit KeepingWriter(const FileHead*) {}
    bool open_item() { return true; }
    int32_t write_item(const uint8_t* data, int32_t len)
    {
        written.insert(written.end(), data, data + len);
        return len;
    }
    bool close_item() { return true; }
    RestoreOutcome outcome() const { return RestoreOutcome::Restored; }
    static inline std::vector<uint8_t> written;
};
using KeepingFileItem =
    DataItemTmpl<kFileItemType, FileHead, FileItemComparator, HeadReader, HeadOptTmpl, KeepingWriter>;
using KeepingFactories = FactoriesTmpl<KeepingFileItem, RegListItem>;

// Pieces are decoded ahead on the pool; damage still ends the restore where
// one thread ends it, with the same text, and nothing after it is written.
TEST(DamagedArchiveTest, ThePoolEndsWhereOneThreadEndsWithTheSameText)
{
    TempDir src;
    const std::vector<uint8_t> data = make_data(2500000, DataKind::Text);
    write_bytes(src / L"a.bin", data);
    write_bytes(src / L"b.bin", make_data(1000, DataKind::Text));
    using Bytes = std::vector<uint8_t>;
    for (const bool encrypt : {false, true}) {
        TempDir work;
        const std::wstring archive = work / L"archive.bvk2";
        write_bytes(archive, build::header());
        FolderBackupItem item(1);
        item.set_folder(src.path());
        item.backup(archive, nullptr, true, encrypt, kPassword);
        const Bytes good = read_bytes(archive);
        const parse::Archive parsed = parse::records(good);
        ASSERT_EQ(parsed.records.size(), 2u);
        ASSERT_EQ(parsed.records[0].name(), L"a.bin");
        const std::vector<parse::Chunk>& chunks = parsed.records[0].chunks;
        ASSERT_EQ(chunks.size(), 13u);
        const auto at = [&](size_t chunk, size_t offset) { return static_cast<size_t>(chunks[chunk].offset) + offset; };
        const struct {
            const char* what;
            size_t chunk;  // the first piece not written
            std::function<void(Bytes&)> damage;
        } rows[] = {
            {"a chunk that does not decode", 5,
             [&](Bytes& b) {
                 if (encrypt)
                     b[at(5, 8)] += 8;  // the plain length no longer matches the padded one
                 else
                     b[at(5, 8 + 14)] = 0xFF;  // the stream claims far more than a piece
             }},
            {"an archive cut inside a chunk", 7, [&](Bytes& b) { b.resize(at(7, 100)); }},
            {"a chunk longer than any piece", 9, [&](Bytes& b) { put_u32(b, at(9, 4), 0x7FFFFFFF); }},
        };
        for (const auto& row : rows) {
            Bytes damaged = good;
            row.damage(damaged);
            write_bytes(archive, damaged);
            for (const unsigned threads : {1u, 4u}) {
                SCOPED_TRACE(testing::Message()
                             << row.what << ", encrypt " << encrypt << ", " << threads << " threads");
                KeepingWriter::written.clear();
                DataRestore<KeepingFactories> restorer(archive, 44, nullptr, kPassword);
                restorer.threads = threads;
                try {
                    restorer.run();
                    ADD_FAILURE() << "the damage must be reported";
                } catch (const EngExcept::FileException& e) {
                    EXPECT_EQ(e.get_message(),
                              L"Failed to read archive, your archive file has error! Some files "
                              L"in your archive can not be restored.");
                }
                EXPECT_EQ(KeepingWriter::written, Bytes(data.begin(), data.begin() + row.chunk * 204800));
            }
        }
    }
}

}  // namespace
