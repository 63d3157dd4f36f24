// Archives written by an independent implementation of the format, restored
// and listed against their manifests, whole and damaged.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "data_restore.h"
#include "eng_except.h"
#include "archive_parse.h"
#include "json.h"
#include "restore_test_util.h"

namespace {

const std::wstring kFixtureKey = L"Software\\BrisvaleFixtures";
using Bytes = std::vector<uint8_t>;

struct Fixture {
    std::wstring archive;
    std::wstring password;
    testjson::Value manifest;
    std::vector<uint8_t> bytes;
};

const std::vector<Fixture>& fixtures()
{
    static const std::vector<Fixture> all = [] {
        std::vector<Fixture> out;
        for (const auto& entry : testjson::parse_file(fixture_path(L"archives\\INDEX.json")).items) {
            Fixture f;
            f.archive = entry["archive"].text;
            f.password = entry["password"].text; // empty for null
            f.manifest = testjson::parse_file(fixture_path(L"archives\\" + entry["expected"].text));
            f.bytes = read_bytes(fixture_path(L"archives\\" + f.archive));
            out.push_back(std::move(f));
        }
        return out;
    }();
    return all;
}

const Fixture& fixture(const std::wstring& archive)
{
    for (const Fixture& f : fixtures())
        if (f.archive == archive)
            return f;
    throw std::runtime_error("no such fixture");
}

HKEY root_of(const testjson::Value& item)
{
    return static_cast<uint32_t>(item["root"].number) == 0x80000002u ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

std::vector<uint8_t> from_hex(const std::wstring& hex)
{
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

// Every place a fixture names is redirected into a scratch folder of this
// process, and its registry keys start out absent.
class FixtureRestoreTest : public ::testing::Test {
protected:
    TempDir dir;
    std::vector<std::unique_ptr<EnvOverride>> environment;

    void SetUp() override
    {
        // Each folder starts with the variable it lives under, such as %APPDATA%.
        std::set<std::wstring> names;
        for (const Fixture& f : fixtures())
            for (const auto& item : f.manifest["items"].items)
                if (item["type"].text == L"file") {
                    const std::wstring& folder = item["folder"].text;
                    names.insert(folder.substr(1, folder.find(L'%', 1) - 1));
                }
        for (const std::wstring& name : names)
            environment.push_back(std::make_unique<EnvOverride>(name, dir.path()));
        delete_key(HKEY_CURRENT_USER, kFixtureKey);
    }
    void TearDown() override { delete_key(HKEY_CURRENT_USER, kFixtureKey); }

    uint64_t restore(const Fixture& f, const std::vector<uint8_t>& bytes)
    {
        const std::wstring path = dir / L"archive.bvk2";
        write_bytes(path, bytes);
        DataRestore<WriterFactories> reader(path, 44, nullptr, f.password);
        return reader.run();
    }

    ItemHeadList list(const Fixture& f, const std::vector<uint8_t>& bytes)
    {
        const std::wstring path = dir / L"archive.bvk2";
        write_bytes(path, bytes);
        ItemHeadList heads;
        DataRestore<NoWriterFactories> reader(path, 44, nullptr, f.password);
        reader.set_head_list(&heads);
        try {
            reader.run();
        } catch (...) {
            free_head_list(heads);
            throw;
        }
        return heads;
    }

    // The item is back exactly as its manifest says, or (restored false) absent.
    static void check_item(const testjson::Value& item, bool restored)
    {
        SCOPED_TRACE(testing::Message() << "item " << item["index"].number);
        if (item["type"].text == L"file") {
            const std::wstring path = expand(item["restore_path"].text);
            EXPECT_FALSE(file_exists(path + L".~korvane"));
            if (!restored) {
                EXPECT_FALSE(file_exists(path));
                return;
            }
            const auto data = read_bytes(path);
            EXPECT_TRUE(file_exists(path));
            EXPECT_EQ(data.size(), static_cast<size_t>(item["size"].number));
            EXPECT_EQ(sha256_hex(data), item["sha256"].text);
            return;
        }
        auto value = read_value(root_of(item), item["key"].text, item["value_name"].text);
        if (!restored) {
            EXPECT_FALSE(value);
            return;
        }
        ASSERT_TRUE(value);
        EXPECT_EQ(value->type, static_cast<DWORD>(item["value_type"].number));
        EXPECT_EQ(value->data.size(), static_cast<size_t>(item["size"].number));
        EXPECT_EQ(sha256_hex(value->data), item["sha256"].text);
        if (item.has("data_hex")) {
            EXPECT_EQ(value->data, from_hex(item["data_hex"].text));
        }
    }

    // A listed head says what the manifest says, read the way the contents page reads it.
    static void check_head(const ItemHeadEntry& entry, const testjson::Value& item)
    {
        SCOPED_TRACE(testing::Message() << "head " << item["index"].number);
        const bool file = item["type"].text == L"file";
        ASSERT_EQ(entry.type, file ? 1 : 2);
        WriterFactories factories;
        auto* factory = dynamic_cast<DataItemFactory*>(find_factory(factories.list, entry.type));
        ASSERT_NE(factory, nullptr);
        std::unique_ptr<DataItem> shown(factory->create());
        ASSERT_TRUE(shown->set_head(entry.head + 4));
        const Bytes copy(entry.head, entry.head + shown->head_size());
        EXPECT_EQ(parse_u32(copy, 0), static_cast<uint32_t>(entry.type));
        
        EXPECT_EQ(shown->item_size(), static_cast<uint64_t>(item["head_size"].number));
        EXPECT_EQ(shown->is_compressed(), item["compressed"].boolean);
        EXPECT_EQ(shown->is_encrypted(), item["encrypted"].boolean);
        if (file) {
            EXPECT_EQ(shown->location(), item["folder"].text);
            EXPECT_EQ(shown->display_name(), item["name"].text);
        } else {
            EXPECT_EQ(parse_u32(copy, 20), static_cast<uint32_t>(item["root"].number));
            EXPECT_EQ(parse_u32(copy, 24), static_cast<uint32_t>(item["value_type"].number));
            EXPECT_EQ(shown->location(), item["key"].text);
            EXPECT_EQ(shown->display_name(), item["value_name"].text);
        }
    }
};

TEST_F(FixtureRestoreTest, EveryArchiveRestoresToItsManifest)
{
    ASSERT_EQ(fixtures().size(), 4u);
    for (const Fixture& f : fixtures()) {
        SCOPED_TRACE(testing::Message() << f.manifest["description"].text);
        delete_key(HKEY_CURRENT_USER, kFixtureKey);
        uint64_t total = 0;
        for (const auto& item : f.manifest["items"].items)
            total += static_cast<uint64_t>(item["size"].number);
        EXPECT_EQ(restore(f, f.bytes), total);
        for (const auto& item : f.manifest["items"].items)
            check_item(item, true);
    }
}

TEST_F(FixtureRestoreTest, EveryArchiveListsItsHeads)
{
    for (const Fixture& f : fixtures()) {
        SCOPED_TRACE(testing::Message() << f.manifest["description"].text);
        ItemHeadList heads = list(f, f.bytes);
        const auto& items = f.manifest["items"].items;
        ASSERT_EQ(heads.size(), items.size());
        for (size_t i = 0; i < heads.size(); ++i)
            check_head(heads[i], items[i]);
        free_head_list(heads);
        // Listing writes nothing.
        for (const auto& item : items)
            check_item(item, false);
    }
}

TEST_F(FixtureRestoreTest, WrongPasswordEndsInTheDamageException)
{
    const Fixture& f = fixture(L"p3-comp-enc.bvk2");
    Fixture wrong = f;
    wrong.password = L"not-the-password";
    EXPECT_THROW(restore(wrong, f.bytes), EngExcept::FileException);
    for (const auto& item : f.manifest["items"].items)
        check_item(item, false);
}

// Byte surgery on a fixture, located by an independent parse of its records.

using Mutation = std::function<void(Bytes&, const parse::Archive&)>;

void splice(Bytes& b, size_t at, size_t removed, const Bytes& inserted)
{
    b.erase(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + removed));
    b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), inserted.begin(), inserted.end());
}

// Replaces a record's head block by a stored block of the given bytes.
void replace_head(Bytes& b, const parse::Record& r, const Bytes& head)
{
    Bytes block(4);
    put_u32(block, 0, static_cast<uint32_t>(head.size() + 1));
    block.push_back(0);
    block.insert(block.end(), head.begin(), head.end());
    splice(b, r.offset, 4 + r.head_length, block);
}

size_t chunk_data(const parse::Record& r) { return r.chunks[0].offset + 8; }

struct Damage {
    const char* what;
    const wchar_t* archive;
    Mutation mutate;
    bool throws;             // else the documented end or skip
    std::set<size_t> restored;
};

TEST_F(FixtureRestoreTest, DamagedArchivesEndCleanlyAndRestoreNothingAfterTheDamage)
{
    const std::wstring p1 = L"p1-plain.bvk2", p2 = L"p2-compressed.bvk2", p3 = L"p3-comp-enc.bvk2";
    const Damage table[] = {
        {"cut at a record boundary", p1.c_str(), [](Bytes& b, const parse::Archive& a) { b.resize(a.records[2].offset); },
         false, {0, 1}},
        {"cut inside a head length", p1.c_str(),
         [](Bytes& b, const parse::Archive& a) { b.resize(a.records[2].offset + 2); }, true, {0, 1}},
        {"cut inside a head block", p1.c_str(),
         [](Bytes& b, const parse::Archive& a) { b.resize(a.records[2].offset + 4 + 10); }, true, {0, 1}},
        {"cut inside a chunk", p1.c_str(),
         [](Bytes& b, const parse::Archive& a) { b.resize(chunk_data(a.records[0]) + 100); }, true, {}},
        {"cut before an end marker", p1.c_str(),
         [](Bytes& b, const parse::Archive& a) { b.resize(a.records[2].offset - 8); }, true, {0}},
        {"head length huge", p1.c_str(),
         [](Bytes& b, const parse::Archive& a) { put_u32(b, a.records[1].offset, 0xFFFFFFF0u); }, true, {0}},
        {"head length zero", p1.c_str(),
         [](Bytes& b, const parse::Archive& a) { put_u32(b, a.records[1].offset, 0); }, true, {0}},
        {"chunk length huge", p1.c_str(),
         [](Bytes& b, const parse::Archive& a) { put_u32(b, a.records[1].chunks[0].offset + 4, 0x7FFFFFFFu); }, true,
         {0}},
        {"chunk length past the end of the file", p1.c_str(),
         [](Bytes& b, const parse::Archive& a) { put_u32(b, a.records[3].chunks[0].offset + 4, 28 + 9); }, true,
         {0, 1, 2}},
        {"LZMA body corrupted", p2.c_str(),
         [](Bytes& b, const parse::Archive& a) {
             const size_t at = chunk_data(a.records[1]);
             std::fill(b.begin() + static_cast<std::ptrdiff_t>(at + 15),
                       b.begin() + static_cast<std::ptrdiff_t>(at + a.records[1].chunks[0].bytes.size()), 0xFF);
         },
         true, {0}},
        {"LZMA size field huge", p2.c_str(),
         [](Bytes& b, const parse::Archive& a) { put_u64(b, chunk_data(a.records[1]) + 7, uint64_t(1) << 40); }, true,
         {0}},
        {"LZMA head corrupted", p2.c_str(),
         [](Bytes& b, const parse::Archive& a) {
             const auto& r = a.records[1];
             std::fill(b.begin() + static_cast<std::ptrdiff_t>(r.offset + 4 + 15),
                       b.begin() + static_cast<std::ptrdiff_t>(r.offset + 4 + r.head_length), 0xFF);
         },
         true, {0}},
        {"chunk of length 0 in a compressed item", p2.c_str(),
         [](Bytes& b, const parse::Archive& a) {
             const auto& c = a.records[1].chunks[0];
             put_u32(b, c.offset + 4, 0);
             splice(b, c.offset + 8, c.bytes.size(), {});
         },
         true, {0}},
        {"DES length larger than its chunk", p3.c_str(),
         [](Bytes& b, const parse::Archive& a) {
             const size_t at = chunk_data(a.records[1]);
             put_u32(b, at, parse_u32(b, at) + 8);
             put_u32(b, at + 4, parse_u32(b, at + 4) + 8);
         },
         true, {0}},
        {"DES plain length above its padded length", p3.c_str(),
         [](Bytes& b, const parse::Archive& a) {
             const size_t at = chunk_data(a.records[1]);
             put_u32(b, at, parse_u32(b, at + 4) + 1);
         },
         true, {0}},
        {"unknown item type", p1.c_str(),
         [](Bytes& b, const parse::Archive& a) {
             Bytes head = a.records[1].head;
             put_u32(head, 0, 7);
             replace_head(b, a.records[1], head);
         },
         false, {0, 2, 3}},
        {"unknown item type with a huge chunk length", p1.c_str(),
         [](Bytes& b, const parse::Archive& a) {
             put_u32(b, a.records[1].chunks[0].offset + 4, 0x7FFFFFFFu);
             Bytes head = a.records[1].head;
             put_u32(head, 0, 7);
             replace_head(b, a.records[1], head);
         },
         true, {0}},
        {"head shorter than its type", p1.c_str(),
         [](Bytes& b, const parse::Archive& a) {
             replace_head(b, a.records[1], Bytes(a.records[1].head.begin(), a.records[1].head.begin() + 100));
         },
         true, {0}},
        {"head text without a terminator", p1.c_str(),
         [](Bytes& b, const parse::Archive& a) {
             Bytes head = a.records[1].head;
             std::fill(head.begin() + 18 + 4096, head.begin() + 18 + 8192, 0x41);
             replace_head(b, a.records[1], head);
         },
         true, {0}},
        {"foreign data after the header", p1.c_str(),
         [](Bytes& b, const parse::Archive&) {
             const Bytes noise = make_data(5000, DataKind::Random, 7);
             b.resize(44);
             b.insert(b.end(), noise.begin(), noise.end());
         },
         true, {}},
    };
    for (const Damage& row : table) {
        SCOPED_TRACE(row.what);
        delete_key(HKEY_CURRENT_USER, kFixtureKey);
        remove_tree(dir / L"BrisvaleFixtures");
        const Fixture& f = fixture(row.archive);
        const parse::Archive parsed = parse::records(f.bytes);
        ASSERT_TRUE(parsed.error.empty()) << parsed.error;
        ASSERT_EQ(parsed.records.size(), f.manifest["items"].items.size());
        Bytes damaged = f.bytes;
        row.mutate(damaged, parsed);

        bool threw = false;
        try {
            restore(f, damaged);
        } catch (const EngExcept::FileException& e) {
            threw = true;
            EXPECT_EQ(e.get_message(), L"Failed to read archive, your archive file has error! Some files in your "
                                       L"archive can not be restored.");
            EXPECT_EQ(e.get_detail(), L"n/a");
        }
        EXPECT_EQ(threw, row.throws);
        const auto& items = f.manifest["items"].items;
        for (size_t i = 0; i < items.size(); ++i)
            check_item(items[i], row.restored.count(i) != 0);

        bool listingThrew = false;
        try {
            ItemHeadList heads = list(f, damaged);
            free_head_list(heads);
        } catch (const EngExcept::FileException&) {
            listingThrew = true;
        }
        EXPECT_EQ(listingThrew, row.throws);
    }
}

} // namespace
