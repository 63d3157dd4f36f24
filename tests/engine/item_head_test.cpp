#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <openssl/sha.h>

#include "engine_test_util.h"
#include "item_head.h"
#include "processors.h"

namespace {

using Bytes = std::vector<uint8_t>;

template <class Head>
Bytes head_bytes(const Head& head)
{
    const auto* p = reinterpret_cast<const uint8_t*>(&head);
    return Bytes(p, p + sizeof head);
}

bool all_zero(const Bytes& b, size_t from, size_t to)
{
    for (size_t i = from; i < to; ++i)
        if (b[i] != 0)
            return false;
    return true;
}

std::string sha256_hex(const Bytes& data)
{
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(data.data(), data.size(), digest);
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : digest) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

}  // namespace

TEST(ItemHeadTest, InitorsZeroThePaddingAndPlaceEveryField)
{
    FileItem file;
    std::memset(&file, 0, sizeof file);
    wcscpy(file.folder, L"%APPDATA%\\Identities");
    wcscpy(file.name, L"Inbox.dbx");
    // A head left over from earlier use: the initor must clear all of it.
    FileHead fh;
    std::memset(&fh, 0xAA, sizeof fh);
    FileHeadInitor::init_head(fh, file, true, false, 0x123456789ULL);
    const Bytes f = head_bytes(fh);
    EXPECT_EQ(parse_u32(f, 0), 1u);
    EXPECT_TRUE(all_zero(f, 4, 8));
    EXPECT_EQ(parse_u64(f, 8), 0x123456789ULL);
    EXPECT_EQ(f[16], 1);
    EXPECT_EQ(f[17], 0);
    EXPECT_EQ(std::memcmp(&f[18], &file, sizeof file), 0);
    EXPECT_EQ(f[18 + 4096], 'I');
    EXPECT_TRUE(all_zero(f, 8210, 8216));

    RegItem reg;
    std::memset(&reg, 0, sizeof reg);
    reg.root = reg_root_value(HKEY_LOCAL_MACHINE);
    reg.type = REG_DWORD;
    wcscpy(reg.key, L"Software\\Microsoft\\Outlook Express");
    RegHead rh;
    std::memset(&rh, 0xAA, sizeof rh);
    RegHeadInitor::init_head(rh, reg, false, true, 4);
    const Bytes r = head_bytes(rh);
    EXPECT_EQ(parse_u32(r, 0), 2u);
    EXPECT_TRUE(all_zero(r, 4, 8));
    EXPECT_EQ(parse_u64(r, 8), 4u);
    EXPECT_EQ(r[16], 0);
    EXPECT_EQ(r[17], 1);
    EXPECT_TRUE(all_zero(r, 18, 20));
    EXPECT_EQ(parse_u32(r, 20), 0x80000002u);
    EXPECT_EQ(parse_u32(r, 24), uint32_t(REG_DWORD));
    EXPECT_EQ(r[28], 'S');
    EXPECT_TRUE(all_zero(r, 2076, 4128)) << "empty value name (the default value) and padding";

    EXPECT_EQ(reg_root_key(0x80000001u), HKEY_CURRENT_USER);
    EXPECT_EQ(reg_root_key(reg_root_value(HKEY_LOCAL_MACHINE)), HKEY_LOCAL_MACHINE);
}

// Archives written by an independent implementation of the format: the head
// layout, the chunk headers and the processors must all read them.
TEST(ItemHeadTest, FixtureArchivesDecodeWithTheseLayouts)
{
    struct Row {
        const wchar_t* archive;
        uint32_t type;
        const wchar_t* where;  // folder or key
        const wchar_t* name;   // file or value name
        uint32_t root;
        uint32_t value_type;
        uint64_t size;
        bool compressed, encrypted;
        size_t chunks;
        const char* sha256;
    } rows[] = {
        {L"p1-plain.bvk2", 1, L"%SystemDrive%\\BrisvaleFixtures\\p1", L"readme.txt", 0, 0, 5000, false, false, 1,
         "230132ec1b32a5f7e36476df19be55338dc2eff41e090409e9b406ca58975724"},
        {L"p1-plain.bvk2", 1, L"%SystemDrive%\\BrisvaleFixtures\\p1", L"one.bin", 0, 0, 1, false, false, 1,
         "bbeebd879e1dff6918546dc0c179fdde505f2a21591c9a9c96e36b054ec5af83"},
        {L"p1-plain.bvk2", 1, L"%SystemDrive%\\BrisvaleFixtures\\p1", L"seven.bin", 0, 0, 7, false, false, 1,
         "8bb0cf6eb9b17d0f7d22b456f121257dc1254e1f01665370476383ea776df414"},
        {L"p1-plain.bvk2", 2, L"Software\\BrisvaleFixtures\\p1", L"Greeting", 0x80000001, 1, 28, false, false, 1,
         "8b9c041cc77ad2c864b7c4a5b3cea765131d1bd2c9439842b72e74268d2cedb4"},
        {L"p2-compressed.bvk2", 1, L"%APPDATA%\\BrisvaleFixtures\\p2", L"notes.txt", 0, 0, 40000, true, false, 1,
         "d7d0fa0e6d8284eca99f9345d1e3ede46f9ee1fa07ee3a6c72b3d9aaf4860711"},
        {L"p2-compressed.bvk2", 1, L"%APPDATA%\\BrisvaleFixtures\\p2", L"random.bin", 0, 0, 10000, true, false, 1,
         "a0191a810f67c169f37a1b4e0a38aa20447287f8036473fc275db8feae7610d7"},
        {L"p2-compressed.bvk2", 1, L"%APPDATA%\\BrisvaleFixtures\\p2", L"tiny.bin", 0, 0, 5, true, false, 1,
         "e2defa3578139e34655afea605a477e2145a334393b62d6fea5b6d0c334d7de5"},
        {L"p2-compressed.bvk2", 2, L"Software\\BrisvaleFixtures\\p2", L"Counter", 0x80000001, 4, 4, true, false, 1,
         "e8a4b2ee7ede79a3afb332b5b6cc3d952a65fd8cffb897f5d18016577c33d7cc"},
        {L"p3-comp-enc.bvk2", 1, L"%USERPROFILE%\\BrisvaleFixtures\\p3", L"Inbox.dbx", 0, 0, 30000, true, true, 1,
         "a0e0c59f6c01d2bbea88e2e2565b0e97a2f10610ac05483fbab236b4d294f8a7"},
        {L"p3-comp-enc.bvk2", 1, L"%USERPROFILE%\\BrisvaleFixtures\\p3", L"letter.txt", 0, 0, 3000, true, true, 1,
         "f6304b7801ebf611b5567f822a1da9a08f7687048c9b511e53b72e733b8cf9e1"},
        {L"p3-comp-enc.bvk2", 2, L"Software\\BrisvaleFixtures\\p3", L"Store Root", 0x80000001, 2, 68, true, true, 1,
         "c347d82f100e011c934d54e24761b14c18f3bed8d7f9ce5fbe42c0d7b32dfb59"},
        {L"p3-comp-enc.bvk2", 2, L"Software\\BrisvaleFixtures\\p3", L"", 0x80000001, 1, 40, true, true, 1,
         "8d844bf71490ae928396be01762edb2dce380f423bc1fed438f2cb845cb0a61b"},
        {L"p4-registry-mix.bvk2", 2, L"Software\\BrisvaleFixtures\\p4", L"Name", 0x80000001, 1, 40, true, false, 1,
         "9673547219f5b3dafe922b39d51642e192d2aabe5ad334e2918a6ae6e43f3f36"},
        {L"p4-registry-mix.bvk2", 2, L"Software\\BrisvaleFixtures\\p4", L"Flags", 0x80000001, 4, 4, true, false, 1,
         "d9e0d4c3850aa130f909e1bcafebea98a16700e02171c1df5a2fe31789d94b0f"},
        {L"p4-registry-mix.bvk2", 2, L"Software\\BrisvaleFixtures\\p4", L"Blob", 0x80000001, 3, 300, true, false, 1,
         "feed6e372596ce993a7ac173915a9fc6d0f681f1d70d1b0c41638e460b203872"},
        {L"p4-registry-mix.bvk2", 1, L"%SystemDrive%\\BrisvaleFixtures\\p4", L"empty.dat", 0, 0, 0, true, false, 0,
         "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {L"p4-registry-mix.bvk2", 1, L"%SystemDrive%\\BrisvaleFixtures\\p4", L"big.txt", 0, 0, 204801, true, false, 2,
         "e9bf82287245e9613d494aeeeaabc47ee4c8e3ceeeac9ac931222e012b421ae8"},
        {L"p4-registry-mix.bvk2", 1, L"%SystemDrive%\\BrisvaleFixtures\\p4", L"small.bin", 0, 0, 100, true, false, 1,
         "e7045f176ad6e5db7c8418fca64277608001b2966a8e7a4d55b34c249ac4f3f1"},
    };
    std::wstring loaded;
    Bytes file;
    size_t pos = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << std::string(row.name, row.name + wcslen(row.name)));
        if (loaded != row.archive) {
            loaded = row.archive;
            file = read_bytes(fixture_path(std::wstring(L"archives\\") + row.archive));
            ASSERT_GT(file.size(), size_t(kArchiveHeaderSize));
            pos = kArchiveHeaderSize;
        }
        ASSERT_LE(pos + 4, file.size());
        uint32_t length;
        std::memcpy(&length, &file[pos], 4);
        ASSERT_LE(length, kMaxHeadBlock);
        ASSERT_LE(pos + 4 + length, file.size());
        LZMADecompProcessor headDecoder(sizeof(FileHead));
        headDecoder.process(&file[pos + 4], static_cast<int32_t>(length));
        pos += 4 + length;
        ASSERT_FALSE(headDecoder.failed());
        ASSERT_GE(headDecoder.output_size(), 4);
        uint32_t type;
        std::memcpy(&type, headDecoder.output_data(), 4);
        ASSERT_EQ(type, row.type);

        bool compressed, encrypted;
        if (type == kFileItemType) {
            FileHead head;
            ASSERT_EQ(size_t(headDecoder.output_size()), sizeof head);
            std::memcpy(&head, headDecoder.output_data(), sizeof head);
            EXPECT_STREQ(head.item.folder, row.where);
            EXPECT_STREQ(head.item.name, row.name);
            EXPECT_EQ(head.size, row.size);
            compressed = head.compressed, encrypted = head.encrypted;
        } else {
            RegHead head;
            ASSERT_EQ(size_t(headDecoder.output_size()), sizeof head);
            std::memcpy(&head, headDecoder.output_data(), sizeof head);
            EXPECT_EQ(head.item.root, row.root);
            EXPECT_EQ(head.item.type, row.value_type);
            EXPECT_STREQ(head.item.key, row.where);
            EXPECT_STREQ(head.item.value, row.name);
            EXPECT_EQ(head.size, row.size);
            compressed = head.compressed, encrypted = head.encrypted;
        }
        EXPECT_EQ(compressed, row.compressed);
        EXPECT_EQ(encrypted, row.encrypted);

        ProcessorChain chain;
        if (encrypted)
            chain.add(new DESDecryptor(L"Secret-42"));
        if (compressed)
            chain.add(new LZMADecompProcessor(kChunkPiece));
        Bytes data;
        size_t chunks = 0;
        for (;;) {
            ChunkHeader header;
            ASSERT_LE(pos + sizeof header, file.size());
            std::memcpy(&header, &file[pos], sizeof header);
            pos += sizeof header;
            if (header.end != 0)
                break;
            ASSERT_LE(header.n, kMaxChunk);
            ASSERT_LE(pos + header.n, file.size());
            chain.run(&file[pos], static_cast<int32_t>(header.n));
            ASSERT_FALSE(chain.failed());
            data.insert(data.end(), chain.data(), chain.data() + chain.size());
            pos += header.n;
            ++chunks;
        }
        EXPECT_EQ(chunks, row.chunks);
        EXPECT_EQ(sha256_hex(data), row.sha256);
        const bool lastOfArchive = &row == &rows[std::size(rows) - 1] || rows[&row - rows + 1].archive != loaded;
        if (lastOfArchive) {
            EXPECT_EQ(pos, file.size()) << "nothing after the last record";
        }
    }
}
