#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <openssl/des.h>

#include "engine_test_util.h"
#include "item_head.h"
#include "lzma_ram.h"
#include "piece_pool.h"
#include "processors.h"

#include <psapi.h>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes output_of(const DataProcessor& p)
{
    return Bytes(p.output_data(), p.output_data() + p.output_size());
}

Bytes run(DataProcessor& p, const Bytes& in)
{
    p.process(in.data(), static_cast<int32_t>(in.size()));
    return output_of(p);
}

Bytes hex(const char* h)
{
    std::string digits;
    for (; *h; ++h)
        if (*h != ' ')
            digits += *h;
    Bytes b;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        b.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return b;
}

int32_t i32_at(const Bytes& b, size_t at)
{
    int32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

Bytes utf16z(const std::wstring& s)
{
    Bytes b;
    for (wchar_t c : s) {
        b.push_back(static_cast<uint8_t>(c));
        b.push_back(static_cast<uint8_t>(c >> 8));
    }
    b.push_back(0);
    b.push_back(0);
    return b;
}

}  // namespace

TEST(DesTest, GoldenValuesFromLibcrypto)
{
    DES_cblock key;
    DES_string_to_key("password", &key);
    EXPECT_EQ(Bytes(key, key + 8), hex("8910856eba8ce6d5"));

    DES_key_schedule zero;
    std::memset(&zero, 0, sizeof zero);
    DES_cblock iv = {0};
    unsigned char in[8] = {0}, out[8];
    DES_ncbc_encrypt(in, out, 8, &zero, &iv, DES_ENCRYPT);
    EXPECT_EQ(Bytes(out, out + 8), hex("8ca64de9c1b123a7"));

    // The key enters only as IV: encrypting the key itself is E0(0).
    DESEncryptor enc(L"password");
    EXPECT_EQ(run(enc, hex("8910856eba8ce6d5")), hex("08000000 08000000 8ca64de9c1b123a7"));
}

TEST(DesTest, BlocksChainWithinOneEncryptorAndRestartPerObject)
{
    const Bytes hello = {'H', 'e', 'l', 'l', 'o', ',', ' ', 'w', 'o', 'r', 'l', 'd'};
    DESEncryptor enc(L"abc");
    EXPECT_EQ(run(enc, hello), hex("0c000000 10000000 fee605fb44583823 b54540d0d6cb6a2d"));
    EXPECT_EQ(run(enc, hello), hex("0c000000 10000000 33604fa9c4b257e9 0057993bdcd558f2"));
    DESEncryptor fresh(L"abc");
    EXPECT_EQ(run(fresh, hello), hex("0c000000 10000000 fee605fb44583823 b54540d0d6cb6a2d"));

    // The archive header's password check block.
    DESEncryptor check(L"abc");
    EXPECT_EQ(run(check, utf16z(L"abc")), hex("08000000 08000000 bdbb2b4871f2bf75"));
    DESEncryptor check11(L"abcdefghijk");
    EXPECT_EQ(run(check11, utf16z(L"abcdefghijk")),
              hex("18000000 18000000 2bdd62f36bf95e1e 42e24ed9ca1d5863 4c43cb59dee457dc"));
}

TEST(DesTest, PasswordOutsideTheCodePageUsesItsConvertedForm)
{
    const Bytes data = make_data(20, DataKind::Text);
    DESEncryptor cjk(L"\u4e2d\u6587"), converted(L"??");
    EXPECT_EQ(run(cjk, data), run(converted, data));
    DESEncryptor other(L"ab");
    EXPECT_NE(run(other, data), output_of(converted));
}

// Every processor and both chain orders over the sizes the engine meets.
TEST(ProcessorTest, TableOfInputsGivesExactHeadersAndExactRoundTrips)
{
    struct Row {
        size_t size;
        DataKind kind;
        bool lzma;  // the compressor succeeds rather than storing
    };
    std::vector<Row> rows;
    for (size_t size : {0, 1, 6, 7, 8, 8216, 204800})
        for (DataKind kind : {DataKind::Text, DataKind::Random})
            rows.push_back({size, kind, size > 8});
    // One encryptor and one decryptor across all rows: chunks of one record.
    DESEncryptor enc(L"Secret-42");
    DESDecryptor dec(L"Secret-42");
    ProcessorChain write, read;
    write.add(new LZMACompProcessor);
    write.add(new DESEncryptor(L"Secret-42"));
    read.add(new DESDecryptor(L"Secret-42"));
    read.add(new LZMADecompProcessor(kChunkPiece));

    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "size " << row.size << " kind " << int(row.kind));
        const Bytes data = make_data(row.size, row.kind, static_cast<uint32_t>(row.size));

        LZMACompProcessor comp;
        const Bytes block = run(comp, data);
        if (row.lzma) {
            ASSERT_GT(block.size(), 15u);
            EXPECT_EQ(Bytes(block.begin(), block.begin() + 15), lzma_header(row.size));
        } else {
            Bytes stored = {0};
            stored.insert(stored.end(), data.begin(), data.end());
            EXPECT_EQ(block, stored);
        }
        LZMADecompProcessor decomp(kChunkPiece);
        EXPECT_EQ(run(decomp, block), data);
        EXPECT_FALSE(decomp.failed());

        const Bytes des = run(enc, data);
        const int32_t padded = static_cast<int32_t>((row.size + 7) & ~size_t(7));
        ASSERT_EQ(des.size(), size_t(padded) + 8);
        EXPECT_EQ(i32_at(des, 0), int32_t(row.size));
        EXPECT_EQ(i32_at(des, 4), padded);
        EXPECT_EQ(run(dec, des), data);
        EXPECT_FALSE(dec.failed());

        // Writing order: a DESBlock of the LZMABlock; reading undoes it.
        write.run(data.data(), static_cast<int32_t>(data.size()));
        const Bytes chunk(write.data(), write.data() + write.size());
        EXPECT_EQ(i32_at(chunk, 0), int32_t(block.size()));
        EXPECT_EQ(chunk.size(), ((block.size() + 7) & ~size_t(7)) + 8);
        read.run(chunk.data(), static_cast<int32_t>(chunk.size()));
        EXPECT_FALSE(read.failed());
        EXPECT_EQ(Bytes(read.data(), read.data() + read.size()), data);
    }
}

TEST(ProcessorTest, EmptyChainIsTheIdentityAndStoredFlagTwoDecodesAsLzma)
{
    const Bytes data = make_data(1000, DataKind::Text);
    ProcessorChain none;
    none.run(data.data(), static_cast<int32_t>(data.size()));
    EXPECT_EQ(Bytes(none.data(), none.data() + none.size()), data);

    LZMACompProcessor comp;
    Bytes block = run(comp, data);
    block[0] = 2;
    LZMADecompProcessor decomp(kChunkPiece);
    EXPECT_EQ(run(decomp, block), data);
}

// Damaged blocks fail cleanly: an empty output and failed(), never a crash.
// Each block sits flush against a no-access page, so an over-read faults.
TEST(ProcessorTest, DamagedLzmaBlocksFailWithoutReadingPastThem)
{
    const Bytes data = make_data(5000, DataKind::Text);
    LZMACompProcessor comp;
    const Bytes good = run(comp, data);
    ASSERT_EQ(good[0], 1);

    auto with = [&](size_t at, uint8_t v) {
        Bytes b = good;
        b[at] = v;
        return b;
    };
    auto sized = [&](uint64_t size) {
        Bytes b = good;
        put_u64(b, 7, size);
        return b;
    };
    struct Row {
        const char* what;
        Bytes block;
        int32_t limit;
    } rows[] = {
        {"empty", {}, kChunkPiece},
        {"flag only", {1}, kChunkPiece},
        {"header cut short", Bytes(good.begin(), good.begin() + 10), kChunkPiece},
        {"header without data", Bytes(good.begin(), good.begin() + 15), kChunkPiece},
        {"stream cut in half", Bytes(good.begin(), good.begin() + good.size() / 2), kChunkPiece},
        {"size names more than the stream holds", sized(5001), kChunkPiece},
        {"size beyond the caller's bound", sized(kChunkPiece + 1), kChunkPiece},
        {"size of 2^62", sized(uint64_t(1) << 62), kChunkPiece},
        {"head bound smaller than its data", good, 4128},
        {"branch filter", with(1, 1), kChunkPiece},
        {"unknown filter", with(1, 7), kChunkPiece},
        {"invalid properties", with(2, 0xff), kChunkPiece},
        {"range coder start byte", with(15, 0x80), kChunkPiece},
        {"stored body beyond the bound", {0, 1, 2, 3, 4, 5}, 4},
    };
    for (const Row& row : rows) {
        GuardedBytes in(row.block);
        LZMADecompProcessor decomp(row.limit);
        EXPECT_EQ(decomp.process(in.data(), in.size()), 0) << row.what;
        EXPECT_TRUE(decomp.failed()) << row.what;
        EXPECT_EQ(decomp.output_size(), 0) << row.what;
    }
    LZMADecompProcessor decomp(kChunkPiece);
    EXPECT_EQ(run(decomp, {0}), Bytes());
    EXPECT_FALSE(decomp.failed()) << "a stored empty block is valid";
}

TEST(ProcessorTest, DamagedDesBlocksFailWithoutReadingPastThem)
{
    DESEncryptor enc(L"pw");
    const Bytes good = run(enc, make_data(20, DataKind::Text));  // L 20, P 24, 32 bytes
    auto fields = [&](int32_t l, int32_t p, size_t size) {
        Bytes b = good;
        b.resize(size);
        put_u32(b, 0, static_cast<uint32_t>(l));
        put_u32(b, 4, static_cast<uint32_t>(p));
        return b;
    };
    struct Row {
        const char* what;
        Bytes block;
    } rows[] = {
        {"empty", {}},
        {"header cut short", Bytes(good.begin(), good.begin() + 7)},
        {"padded length beyond the input", fields(20, 24, 31)},
        {"padded length far beyond the input", fields(20, 0x7ffffff8, 32)},
        {"plain length beyond the padded length", fields(25, 24, 32)},
        {"padded length not a multiple of 8", fields(20, 22, 32)},
        {"padded length larger than needed", fields(8, 24, 32)},
        {"negative plain length", fields(-8, 0, 32)},
        {"negative padded length", fields(0, -8, 32)},
    };
    for (const Row& row : rows) {
        GuardedBytes in(row.block);
        DESDecryptor dec(L"pw");
        EXPECT_EQ(dec.process(in.data(), in.size()), 0) << row.what;
        EXPECT_TRUE(dec.failed()) << row.what;
        EXPECT_EQ(dec.output_size(), 0) << row.what;
    }
    DESDecryptor dec(L"pw");
    EXPECT_EQ(run(dec, fields(0, 0, 8)), Bytes());
    EXPECT_FALSE(dec.failed()) << "an empty block is valid";
    EXPECT_EQ(run(dec, fields(20, 24, 40)).size(), 0u);
    EXPECT_TRUE(dec.failed()) << "bytes after the block are damage, not ignored";

    ProcessorChain read;
    read.add(new DESDecryptor(L"pw"));
    read.add(new LZMADecompProcessor(kChunkPiece));
    const Bytes damaged = fields(25, 24, 32);
    EXPECT_EQ(read.run(damaged.data(), static_cast<int32_t>(damaged.size())), 0);
    EXPECT_TRUE(read.failed());
}

namespace {

void* sz_alloc(void*, size_t n)
{
    return std::malloc(n);
}
void sz_free(void*, void* p)
{
    std::free(p);
}

// The block a fresh one-call SDK encoder makes of the input.
Bytes one_call_block(const Bytes& in)
{
    const CLzmaEncProps props = LzmaRamProps(0x200000);
    Bytes out(15 + 2 * in.size());
    SizeT dataLen = 2 * in.size() - 14, propsLen = 5;
    ISzAlloc alloc = {sz_alloc, sz_free};
    EXPECT_EQ(LzmaEncode(&out[15], &dataLen, in.data(), in.size(), &props, &out[2], &propsLen, 0, nullptr, &alloc,
                         &alloc),
              SZ_OK);
    out[0] = 1;
    out[1] = 0;
    for (int i = 0; i < 8; ++i)
        out[7 + i] = static_cast<uint8_t>(uint64_t(in.size()) >> (8 * i));
    out.resize(15 + dataLen);
    return out;
}

size_t committed_bytes()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

}  // namespace

// The encoder is kept between calls; each stream must still be exactly what
// a new encoder makes, whatever came before it.
TEST(ProcessorTest, KeptEncoderGivesTheOneCallEncodersBytes)
{
    const Bytes inputs[] = {
        make_data(204800, DataKind::Random, 1),
        make_data(8216, DataKind::Text, 2),
        Bytes(8216, 0),
        make_data(8, DataKind::Text, 3),  // stored: the encoder fails for lack of room
        make_data(100000, DataKind::Text, 4),
        make_data(204800, DataKind::Text, 5),
        make_data(30, DataKind::Random, 6),
    };
    for (const Bytes& in : inputs) {
        LZMACompProcessor comp;
        const Bytes block = run(comp, in);
        if (block[0] == 1) {
            EXPECT_EQ(block, one_call_block(in)) << "input of " << in.size();
        } else {
            EXPECT_EQ(in.size(), 8u);
        }
    }
}

// Encoders are kept by their processors, never by a thread: a worker's
// encoder is freed with its pool, after its thread has ended.
TEST(ProcessorTest, KeptEncodersAreFreedWithTheirPool)
{
    const Bytes piece = make_data(1000, DataKind::Text);
    for (const unsigned threads : {1u, 3u}) {
        SCOPED_TRACE(testing::Message() << threads << " threads");
        const size_t before = committed_bytes();
        size_t during = 0;
        {
            PiecePool<LZMACompProcessor> pool(threads);
            for (int i = 0; i < 3; ++i) {
                if (pool.full()) {
                    EXPECT_EQ(pool.take().output[0], 1);
                }
                pool.put(piece.data(), static_cast<int32_t>(piece.size()));
            }
            while (!pool.empty())
                EXPECT_EQ(pool.take().output[0], 1);
            during = committed_bytes();
        }
        const size_t after = committed_bytes();
        // The encoder's hash table (4 MiB, filled at every stream's start) is
        // the part that is surely in memory.
        EXPECT_GT(during, before + (3u << 20)) << "the encoders live while their pool does";
        EXPECT_LT(after + (3u << 20), during) << "and are gone with it";
    }
}
