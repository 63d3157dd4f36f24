// Buffer transformers of the archive format: LZMABlock and DESBlock coders
// and the chain that runs them in a row.
//
// LZMABlock: flag byte (0 stored, else LZMA), then the input unchanged or an
// in-memory LZMA stream (see lzma_ram.h).
// DESBlock: int32 plain length L, int32 padded length P (L rounded up to 8),
// then P bytes of DES-CBC ciphertext.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <openssl/des.h>

#include "lzma_ram.h"

// Every process() call replaces the output. A decoder that refuses its input
// leaves an empty output and reports failed(), so that a caller can tell a
// damaged block from one that legitimately holds no bytes.
class DataProcessor {
public:
    DataProcessor() = default;
    DataProcessor(const DataProcessor&) = delete;
    DataProcessor& operator=(const DataProcessor&) = delete;
    virtual ~DataProcessor() = default;

    // Returns the output size.
    virtual int32_t process(const void* input, int32_t length) = 0;

    const uint8_t* output_data() const { return output_.data(); }
    int32_t output_size() const { return static_cast<int32_t>(output_.size()); }
    bool failed() const { return failed_; }

protected:
    // Replaces the output with n bytes to fill.
    uint8_t* alloc_output(int32_t n);
    // Empties the output, marks the call failed and returns 0.
    int32_t fail();

private:
    std::vector<uint8_t> output_;
    bool failed_ = false;
};

// Each call is an independent stream with a 2 MiB dictionary. Any encoder
// failure (inputs under 7 bytes always fail) gives the stored form. The
// encoder is kept for the next call and freed with the processor.
class LZMACompProcessor : public DataProcessor {
public:
    int32_t process(const void* input, int32_t length) override;

private:
    LzmaRamEncoder encoder_;
};

// Fails on a block that is empty, damaged, or would decode to more than
// `limit` bytes, so that no size field read from an archive drives an
// allocation beyond what the caller expects.
class LZMADecompProcessor : public DataProcessor {
public:
    explicit LZMADecompProcessor(int32_t limit) : limit_(limit) {}
    int32_t process(const void* input, int32_t length) override;

private:
    int32_t limit_;
};

// DES-CBC with the all-zero key schedule; the password enters only as the
// initial IV (DES_string_to_key of its ANSI form). Stored archives depend on
// exactly this arrangement; it obfuscates rather than protects. The IV
// carries over between calls, so one object's blocks form one CBC chain.
class DESBaseCryptor : public DataProcessor {
protected:
    explicit DESBaseCryptor(const std::wstring& password);

    DES_cblock key_;
    DES_cblock iv_;
    DES_key_schedule schedule_;
};

class DESEncryptor : public DESBaseCryptor {
public:
    explicit DESEncryptor(const std::wstring& password) : DESBaseCryptor(password) {}
    int32_t process(const void* input, int32_t length) override;
};

// Fails on a block whose fields disagree with each other or with `length`
// (a longer input is damage too: its tail would be lost without a word).
class DESDecryptor : public DESBaseCryptor {
public:
    explicit DESDecryptor(const std::wstring& password) : DESBaseCryptor(password) {}
    int32_t process(const void* input, int32_t length) override;
};

// Runs the processors in insertion order (writing: compress, encrypt;
// reading: decrypt, decompress). A failing stage ends the run with an empty
// result and failed().
class ProcessorChain {
public:
    void add(DataProcessor* processor) { processors_.emplace_back(processor); }
    int32_t run(const void* input, int32_t length);

    const uint8_t* data() const { return current_.data(); }
    int32_t size() const { return static_cast<int32_t>(current_.size()); }
    bool failed() const { return failed_; }

private:
    std::vector<std::unique_ptr<DataProcessor>> processors_;
    std::vector<uint8_t> current_;
    bool failed_ = false;
};
