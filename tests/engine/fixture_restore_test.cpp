// Archives written by an independent implementation of the format, restored
// and listed against their manifests, whole and damaged.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include <shlobj.h>

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
            f.password = entry["password"].text;  // empty for null
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

    std::vector<SkippedItem> skipped;  // by the last restore, also one that threw

    uint64_t restore(const Fixture& f, const std::vector<uint8_t>& bytes)
    {
        const std::wstring path = dir / L"archive.bvk2";
        write_bytes(path, bytes);
        DataRestore<WriterFactories> reader(path, 44, nullptr, f.password);
        skipped.clear();
        struct Keep {
            DataRestore<WriterFactories>& reader;
            std::vector<SkippedItem>& out;
            ~Keep() { out = reader.skipped(); }
        } keep{reader, skipped};
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
            for (const std::wstring& left : list_files(path.substr(0, path.rfind(L'\\'))))
                EXPECT_NE(left.rfind(L"~kv", 0), 0u) << "temporary file left: " << left;
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

size_t chunk_data(const parse::Record& r)
{
    return r.chunks[0].offset + 8;
}

struct Damage {
    const char* what;
    const wchar_t* archive;
    Mutation mutate;
    bool throws;  // else the documented end or skip
    std::set<size_t> restored;
    size_t skips = 0;  // items reported as not restored
};

// A copy of a record's head with its size field changed by delta.
Mutation resize_head(size_t record, int64_t delta)
{
    return [=](Bytes& b, const parse::Archive& a) {
        Bytes head = a.records[record].head;
        put_u64(head, 8, parse_u64(head, 8) + static_cast<uint64_t>(delta));
        replace_head(b, a.records[record], head);
    };
}

TEST_F(FixtureRestoreTest, DamagedArchivesEndCleanlyAndRestoreNothingAfterTheDamage)
{
    const std::wstring p1 = L"p1-plain.bvk2", p2 = L"p2-compressed.bvk2", p3 = L"p3-comp-enc.bvk2";
    const Damage table[] = {
        {"cut at a record boundary",
         p1.c_str(),
         [](Bytes& b, const parse::Archive& a) { b.resize(a.records[2].offset); },
         false,
         {0, 1}},
        {"cut inside a head length",
         p1.c_str(),
         [](Bytes& b, const parse::Archive& a) { b.resize(a.records[2].offset + 3); },
         false,
         {0, 1}},
        {"cut inside a head block",
         p1.c_str(),
         [](Bytes& b, const parse::Archive& a) { b.resize(a.records[2].offset + 4 + 10); },
         true,
         {0, 1}},
        {"cut inside a chunk",
         p1.c_str(),
         [](Bytes& b, const parse::Archive& a) { b.resize(chunk_data(a.records[0]) + 100); },
         true,
         {}},
        {"cut before an end marker",
         p1.c_str(),
         [](Bytes& b, const parse::Archive& a) { b.resize(a.records[2].offset - 8); },
         true,
         {0}},
        {"head length huge",
         p1.c_str(),
         [](Bytes& b, const parse::Archive& a) { put_u32(b, a.records[1].offset, 0xFFFFFFF0u); },
         true,
         {0}},
        {"head length zero",
         p1.c_str(),
         [](Bytes& b, const parse::Archive& a) { put_u32(b, a.records[1].offset, 0); },
         true,
         {0}},
        {"chunk length huge",
         p1.c_str(),
         [](Bytes& b, const parse::Archive& a) { put_u32(b, a.records[1].chunks[0].offset + 4, 0x7FFFFFFFu); },
         true,
         {0}},
        {"chunk length past the end of the file",
         p1.c_str(),
         [](Bytes& b, const parse::Archive& a) { put_u32(b, a.records[3].chunks[0].offset + 4, 28 + 9); },
         true,
         {0, 1, 2}},
        {"LZMA body corrupted",
         p2.c_str(),
         [](Bytes& b, const parse::Archive& a) {
             const size_t at = chunk_data(a.records[1]);
             std::fill(b.begin() + static_cast<std::ptrdiff_t>(at + 15),
                       b.begin() + static_cast<std::ptrdiff_t>(at + a.records[1].chunks[0].bytes.size()), 0xFF);
         },
         true,
         {0}},
        {"LZMA size field huge",
         p2.c_str(),
         [](Bytes& b, const parse::Archive& a) { put_u64(b, chunk_data(a.records[1]) + 7, uint64_t(1) << 40); },
         true,
         {0}},
        {"LZMA head corrupted",
         p2.c_str(),
         [](Bytes& b, const parse::Archive& a) {
             const auto& r = a.records[1];
             std::fill(b.begin() + static_cast<std::ptrdiff_t>(r.offset + 4 + 15),
                       b.begin() + static_cast<std::ptrdiff_t>(r.offset + 4 + r.head_length), 0xFF);
         },
         true,
         {0}},
        {"chunk of length 0 in a compressed item",
         p2.c_str(),
         [](Bytes& b, const parse::Archive& a) {
             const auto& c = a.records[1].chunks[0];
             put_u32(b, c.offset + 4, 0);
             splice(b, c.offset + 8, c.bytes.size(), {});
         },
         true,
         {0}},
        {"DES length larger than its chunk",
         p3.c_str(),
         [](Bytes& b, const parse::Archive& a) {
             const size_t at = chunk_data(a.records[1]);
             put_u32(b, at, parse_u32(b, at) + 8);
             put_u32(b, at + 4, parse_u32(b, at + 4) + 8);
         },
         true,
         {0}},
        {"DES plain length above its padded length",
         p3.c_str(),
         [](Bytes& b, const parse::Archive& a) {
             const size_t at = chunk_data(a.records[1]);
             put_u32(b, at, parse_u32(b, at + 4) + 1);
         },
         true,
         {0}},
        {"unknown item type",
         p1.c_str(),
         [](Bytes& b, const parse::Archive& a) {
             Bytes head = a.records[1].head;
             put_u32(head, 0, 7);
             replace_head(b, a.records[1], head);
         },
         false,
         {0, 2, 3},
         1},
        {"unknown item type with a huge chunk length",
         p1.c_str(),
         [](Bytes& b, const parse::Archive& a) {
             put_u32(b, a.records[1].chunks[0].offset + 4, 0x7FFFFFFFu);
             Bytes head = a.records[1].head;
             put_u32(head, 0, 7);
             replace_head(b, a.records[1], head);
         },
         true,
         {0}},
        {"head shorter than its type",
         p1.c_str(),
         [](Bytes& b, const parse::Archive& a) {
             replace_head(b, a.records[1], Bytes(a.records[1].head.begin(), a.records[1].head.begin() + 100));
         },
         true,
         {0}},
        {"head text without a terminator",
         p1.c_str(),
         [](Bytes& b, const parse::Archive& a) {
             Bytes head = a.records[1].head;
             std::fill(head.begin() + 18 + 4096, head.begin() + 18 + 8192, 0x41);
             replace_head(b, a.records[1], head);
         },
         true,
         {0}},
        {"one to three bytes after the last record",
         p1.c_str(),
         [](Bytes& b, const parse::Archive&) {
             b.insert(b.end(), {0x01, 0x00, 0x00});
         },
         false,
         {0, 1, 2, 3}},
        {"head size one larger than the data", p1.c_str(), resize_head(1, 1), false, {0, 2, 3}, 1},
        {"head size one smaller than the data", p1.c_str(), resize_head(0, -1), false, {1, 2, 3}, 1},
        {"value head size one smaller than the data", p1.c_str(), resize_head(3, -1), false, {0, 1, 2}, 1},
        {"a stopped record of another writer",
         L"p4-registry-mix.bvk2",
         [](Bytes& b, const parse::Archive& a) {
             const auto& c = a.records[4].chunks[1];
             splice(b, c.offset, 8 + c.bytes.size(), {});
         },
         false,
         {0, 1, 2, 3, 5},
         1},
        {"a chunk one byte longer",
         p1.c_str(),
         [](Bytes& b, const parse::Archive& a) {
             const auto& c = a.records[2].chunks[0];
             put_u32(b, c.offset + 4, static_cast<uint32_t>(c.bytes.size() + 1));
             splice(b, c.offset + 8, 0, {'x'});
         },
         false,
         {0, 1, 3},
         1},
        {"a stored flag inside a compressed item",
         p2.c_str(),
         [](Bytes& b, const parse::Archive& a) { b[chunk_data(a.records[0])] = 0; },
         false,
         {1, 2, 3},
         1},
        {"foreign data after the header",
         p1.c_str(),
         [](Bytes& b, const parse::Archive&) {
             const Bytes noise = make_data(5000, DataKind::Random, 7);
             b.resize(44);
             b.insert(b.end(), noise.begin(), noise.end());
         },
         true,
         {}},
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
            EXPECT_EQ(e.get_message(),
                      L"Failed to read archive, your archive file has error! Some files in your "
                      L"archive can not be restored.");
            EXPECT_EQ(e.get_detail(), L"n/a");
        }
        EXPECT_EQ(threw, row.throws);
        if (!threw) {
            EXPECT_EQ(skipped.size(), row.skips);
        }
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

// Every target of a fixture holds a good file or value of the user's before
// each restore of the sweep; after it, each is either exactly the archive's
// item or exactly what was there.
class DamageSweep {
public:
    DamageSweep(const Fixture& f, const std::wstring& root) : f_(f), root_(root) {}

    void lay_good_state() const
    {
        delete_key(HKEY_CURRENT_USER, kFixtureKey);
        remove_tree(root_ + L"\\BrisvaleFixtures");
        for (const auto& item : f_.manifest["items"].items) {
            const Bytes good = good_bytes(item);
            if (item["type"].text == L"file") {
                const std::wstring path = expand(item["restore_path"].text);
                SHCreateDirectoryExW(nullptr, path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
                write_bytes(path, good);
                continue;
            }
            HKEY key;
            RegCreateKeyExW(root_of(item), item["key"].text.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr);
            RegSetValueExW(key, item["value_name"].text.c_str(), 0, REG_BINARY, good.data(),
                           static_cast<DWORD>(good.size()));
            RegCloseKey(key);
        }
    }

    // What each item's target holds: 'R' restored, 'G' the good state, 'X' anything else.
    std::string states() const
    {
        std::string out;
        for (const auto& item : f_.manifest["items"].items) {
            const Bytes good = good_bytes(item);
            if (item["type"].text == L"file") {
                const Bytes data = read_bytes(expand(item["restore_path"].text));
                out += sha256_hex(data) == item["sha256"].text && data.size() == item["size"].number ? 'R'
                       : data == good                                                                ? 'G'
                                                                                                     : 'X';
                continue;
            }
            const auto value = read_value(root_of(item), item["key"].text, item["value_name"].text);
            out += !value ? 'X'
                   : value->type == static_cast<DWORD>(item["value_type"].number) &&
                           sha256_hex(value->data) == item["sha256"].text
                       ? 'R'
                   : value->type == REG_BINARY && value->data == good ? 'G'
                                                                      : 'X';
        }
        return out;
    }

    // The files the good state and the archive leave: nothing else may appear.
    std::vector<std::wstring> expected_files() const
    {
        std::vector<std::wstring> out = {L"archive.bvk2"};
        for (const auto& item : f_.manifest["items"].items)
            if (item["type"].text == L"file")
                out.push_back(expand(item["restore_path"].text).substr(root_.size() + 1));
        std::sort(out.begin(), out.end());
        return out;
    }

private:
    static Bytes good_bytes(const testjson::Value& item)
    {
        const std::string text = "the user's good copy of item " + std::to_string(int(item["index"].number));
        return Bytes(text.begin(), text.end());
    }

    const Fixture& f_;
    std::wstring root_;
};

struct SweepCase {
    std::string what;
    Bytes bytes;
    size_t whole;  // the items whose records the damaged archive holds whole
};

// Cuts at the boundaries of every field and at a stride through the whole
// file, and single bytes changed over the fields that frame the data: head
// lengths, head blocks' flag, filter and size, chunk headers, the framing of
// each chunk (LZMA flag, filter and size, DES lengths) and end markers. The
// data itself has no checksum in the format and is left alone.
std::vector<SweepCase> sweep_cases(const Bytes& file, const parse::Archive& a)
{
    std::set<size_t> cuts;
    std::vector<size_t> fields;
    auto add_field = [&](size_t at, std::initializer_list<size_t> offsets, size_t limit) {
        for (size_t k : offsets)
            if (k < limit)
                fields.push_back(at + k);
    };
    const std::initializer_list<size_t> lzmaFraming = {0, 1, 7, 8, 9, 10, 11, 12, 13, 14};
    for (size_t i = 0; i < a.records.size(); ++i) {
        const parse::Record& r = a.records[i];
        const size_t start = size_t(r.offset), headEnd = start + 4 + r.head_length;
        for (size_t at : {start, start + 1, start + 3, start + 4, start + 5, headEnd - 1})
            cuts.insert(at);
        add_field(start, {0, 1, 2, 3}, 4);
        add_field(start + 4, lzmaFraming, r.head_length);
        for (const parse::Chunk& c : r.chunks) {
            const size_t chunk = size_t(c.offset);
            for (size_t k : {0, 1, 4, 7, 8, 9})
                cuts.insert(chunk + k);
            cuts.insert(chunk + 8 + c.bytes.size() - 1);
            add_field(chunk, {0, 1, 2, 3, 4, 5, 6, 7}, 8);
            if (r.encrypted())
                add_field(chunk + 8, {0, 1, 2, 3, 4, 5, 6, 7}, c.bytes.size());
            else if (r.compressed() && c.bytes[0] != 0)
                add_field(chunk + 8, lzmaFraming, c.bytes.size());
            else if (r.compressed())
                add_field(chunk + 8, {0}, c.bytes.size());  // a stored block: its flag, then data
        }
        const size_t end = (i + 1 < a.records.size() ? size_t(a.records[i + 1].offset) : file.size()) - 8;
        for (size_t k : {0, 1, 4, 7})
            cuts.insert(end + k);
        add_field(end, {0, 1, 2, 3, 4, 5, 6, 7}, 8);
    }
    for (size_t at = 44; at < file.size(); at += 211)
        cuts.insert(at);

    std::vector<SweepCase> out;
    for (size_t at : cuts) {
        if (at < 44 || at >= file.size())
            continue;
        size_t whole = 0;
        while (whole + 1 < a.records.size() && size_t(a.records[whole + 1].offset) <= at)
            ++whole;
        out.push_back({"cut at " + std::to_string(at), Bytes(file.begin(), file.begin() + std::ptrdiff_t(at)), whole});
    }
    for (size_t at : fields)
        for (auto change : {+[](uint8_t v) { return uint8_t(v ^ 0x01); }, +[](uint8_t v) { return uint8_t(v ^ 0x80); },
                            +[](uint8_t) { return uint8_t(0); }, +[](uint8_t) { return uint8_t(0xFF); }}) {
            Bytes changed = file;
            changed[at] = change(file[at]);
            if (changed[at] != file[at])
                out.push_back({"byte " + std::to_string(at) + " set to " + std::to_string(changed[at]), changed,
                               a.records.size()});
        }
    return out;
}

TEST_F(FixtureRestoreTest, DamageSweepKeepsEveryTargetWholeOrUntouched)
{
    size_t total = 0;
    for (const Fixture& f : fixtures()) {
        const parse::Archive parsed = parse::records(f.bytes);
        ASSERT_TRUE(parsed.error.empty()) << parsed.error;
        const DamageSweep sweep(f, dir.path());
        const size_t items = f.manifest["items"].items.size();
        for (const SweepCase& c : sweep_cases(f.bytes, parsed)) {
            SCOPED_TRACE(testing::Message() << f.manifest["archive"].text << ": " << c.what);
            ++total;
            sweep.lay_good_state();
            bool threw = false;
            try {
                restore(f, c.bytes);
            } catch (const EngExcept::FileException&) {
                threw = true;
            }
            // Success (no error, nothing reported) only when every item the
            // archive holds was restored; a report only for what was not.
            const std::string states = sweep.states();
            const std::string success = std::string(c.whole, 'R') + std::string(items - c.whole, 'G');
            EXPECT_EQ(states.find('X'), std::string::npos) << states;
            if (!threw && skipped.empty()) {
                EXPECT_EQ(states, success) << "success reported for items not restored";
            } else {
                EXPECT_NE(states, std::string(items, 'R')) << "an error for a whole restore";
            }
            EXPECT_LE(skipped.size(), size_t(std::count(states.begin(), states.end(), 'G')));
            EXPECT_EQ(list_files(dir.path()), sweep.expected_files());
            if (HasFailure())
                return;  // one failing case says enough
        }
    }
    EXPECT_GT(total, 2000u);
}

}  // namespace
