#include "processors.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include <windows.h>

namespace {

constexpr uint32_t kDictionarySize = 0x200000;
constexpr int32_t kDesHeader = 8;

void put_i32(uint8_t* out, int32_t v)
{
    std::memcpy(out, &v, sizeof v);
}

int32_t get_i32(const uint8_t* in)
{
    int32_t v;
    std::memcpy(&v, in, sizeof v);
    return v;
}

void copy_bytes(uint8_t* out, const void* in, size_t n)
{
    if (n != 0)
        std::memcpy(out, in, n);
}

}  // namespace

uint8_t* DataProcessor::alloc_output(int32_t n)
{
    failed_ = false;
    output_.resize(static_cast<size_t>(n));
    return output_.data();
}

int32_t DataProcessor::fail()
{
    output_.clear();
    failed_ = true;
    return 0;
}

int32_t LZMACompProcessor::process(const void* input, int32_t length)
{
    if (length < 0 || length > (INT32_MAX - 1) / 2)
        return fail();
    const auto* in = static_cast<const uint8_t*>(input);
    const size_t room = 2 * static_cast<size_t>(length);
    auto scratch = std::make_unique_for_overwrite<uint8_t[]>(room);
    size_t encoded = 0;
    if (encoder_.encode(in, static_cast<size_t>(length), scratch.get(), room, &encoded, kDictionarySize,
                        SZ_FILTER_NO) == 0) {
        uint8_t* out = alloc_output(static_cast<int32_t>(encoded + 1));
        out[0] = 1;
        std::memcpy(out + 1, scratch.get(), encoded);
    } else {
        uint8_t* out = alloc_output(length + 1);
        out[0] = 0;
        copy_bytes(out + 1, in, static_cast<size_t>(length));
    }
    return output_size();
}

int32_t LZMADecompProcessor::process(const void* input, int32_t length)
{
    if (length < 1)
        return fail();
    const auto* in = static_cast<const uint8_t*>(input);
    const uint8_t* body = in + 1;
    const size_t bodyLength = static_cast<size_t>(length) - 1;
    if (in[0] == 0) {
        if (bodyLength > static_cast<size_t>(limit_))
            return fail();
        copy_bytes(alloc_output(static_cast<int32_t>(bodyLength)), body, bodyLength);
        return output_size();
    }
    size_t size = 0;
    if (LzmaRamGetUncompressedSize(body, bodyLength, &size) != 0 || size > static_cast<size_t>(limit_))
        return fail();
    uint8_t* out = alloc_output(static_cast<int32_t>(size));
    size_t processed = 0;
    if (LzmaRamDecompress(body, bodyLength, out, size, &processed, std::malloc, std::free) != 0)
        return fail();
    return output_size();
}

DESBaseCryptor::DESBaseCryptor(const std::wstring& password)
{
    std::memset(key_, 0, sizeof key_);
    std::memset(iv_, 0, sizeof iv_);
    std::memset(&schedule_, 0, sizeof schedule_);
    const int n = WideCharToMultiByte(CP_THREAD_ACP, 0, password.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string ansi(n > 0 ? static_cast<size_t>(n) : 1, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_THREAD_ACP, 0, password.c_str(), -1, ansi.data(), n, nullptr, nullptr);
    DES_string_to_key(ansi.c_str(), &key_);
    std::memcpy(iv_, key_, sizeof iv_);
    // The schedule stays all zero on purpose: see the class comment.
}

int32_t DESEncryptor::process(const void* input, int32_t length)
{
    if (length < 0 || length > INT32_MAX - kDesHeader - 7)
        return fail();
    const int32_t padded = (length + 7) & ~7;
    uint8_t* out = alloc_output(padded + kDesHeader);
    put_i32(out, length);
    put_i32(out + 4, padded);
    if (length != 0)
        DES_ncbc_encrypt(static_cast<const unsigned char*>(input), out + kDesHeader, length, &schedule_, &iv_,
                         DES_ENCRYPT);
    return output_size();
}

int32_t DESDecryptor::process(const void* input, int32_t length)
{
    if (length < kDesHeader)
        return fail();
    const auto* in = static_cast<const uint8_t*>(input);
    const int32_t plain = get_i32(in);
    const int32_t padded = get_i32(in + 4);
    if (plain < 0 || plain > INT32_MAX - 7 || padded != ((plain + 7) & ~7) || padded != length - kDesHeader)
        return fail();
    std::vector<uint8_t> scratch(static_cast<size_t>(padded));
    if (padded != 0)
        DES_ncbc_encrypt(in + kDesHeader, scratch.data(), padded, &schedule_, &iv_, DES_DECRYPT);
    copy_bytes(alloc_output(plain), scratch.data(), static_cast<size_t>(plain));
    return output_size();
}

int32_t ProcessorChain::run(const void* input, int32_t length)
{
    failed_ = false;
    const auto* in = static_cast<const uint8_t*>(input);
    current_.assign(in, in + (length > 0 ? length : 0));
    for (auto& processor : processors_) {
        processor->process(current_.data(), size());
        if (processor->failed()) {
            current_.clear();
            failed_ = true;
            return 0;
        }
        current_.assign(processor->output_data(), processor->output_data() + processor->output_size());
    }
    return size();
}
