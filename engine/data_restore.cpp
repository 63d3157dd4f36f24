#include "data_restore.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>

#include "eng_except.h"
#include "processors.h"

namespace {

constexpr int64_t kArchiveEnd = -1;

[[noreturn]] void damaged()
{
    throw EngExcept::FileException(
        L"Failed to read archive, your archive file has error! Some files in your archive can not be restored.", L"n/a",
        0);
}

}  // namespace

void free_head_list(ItemHeadList& list)
{
    for (const ItemHeadEntry& entry : list)
        delete[] entry.head;
    list.clear();
}

DataRestoreBase::DataRestoreBase(const std::wstring& path, int32_t startOffset, ItemHeadList* selection,
                                 const std::wstring& password, const FactoryList& factories)
    : path_(path), factories_(factories), password_(password), startOffset_(startOffset), selection_(selection)
{
}

DataRestoreBase::~DataRestoreBase()
{
    close_file();
}

uint64_t DataRestoreBase::run()
{
    progress.post_position(0);
    selected_.clear();
    if (selection_) {
        for (const ItemHeadEntry& entry : *selection_) {
            auto* factory = dynamic_cast<DataItemFactory*>(find_factory(factories_, entry.type));
            std::unique_ptr<DataItem> candidate(factory ? factory->create() : nullptr);
            if (candidate && candidate->set_head(entry.head + sizeof(uint32_t)))
                selected_.insert(candidate->key());
        }
    }
    PiecePool<LZMADecompProcessor> pool(threads, kChunkPiece);
    pool_ = &pool;
    open_file();
    struct Closer {
        DataRestoreBase* self;
        ~Closer()
        {
            self->close_file();
            self->pool_ = nullptr;
        }
    } closer{this};
    position_ = 0;
    fileSize_ = file_size();
    skipped_.clear();
    uint64_t total = 0;
    // The stop flag is polled between items only: an item begun is read to its end.
    for (int64_t r = read_item(); r != kArchiveEnd && !stop.is_stopped(); r = read_item())
        total += static_cast<uint64_t>(r);
    return total;
}

void DataRestoreBase::open_file()
{
    file_ = CreateFileW(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file_ == INVALID_HANDLE_VALUE)
        throw EngExcept::FileException(L"DataRestore::open_file(): Failed to open source file!", path_, 2);
    LARGE_INTEGER start;
    start.QuadPart = startOffset_;
    if (startOffset_ != 0 && !SetFilePointerEx(file_, start, nullptr, FILE_BEGIN))
        throw EngExcept::FileException(L"DataRestore::read_file(): Failed to move pointer!", L"(n/a)", 0);
}

void DataRestoreBase::close_file()
{
    if (file_ != INVALID_HANDLE_VALUE)
        CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
}

uint64_t DataRestoreBase::file_size()
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file_, &size))
        throw EngExcept::FileException(L"DataRestore::read_file(): Failed to read file!", L"(n/a)", 0);
    return static_cast<uint64_t>(size.QuadPart);
}

// Reads n bytes, or skips them when read is false; never past the end of the
// file, so the count tells a cut archive in both cases.
uint32_t DataRestoreBase::read_file(void* buffer, uint32_t n, bool read)
{
    if (read) {
        DWORD count = 0;
        if (!ReadFile(file_, buffer, n, &count, nullptr))
            throw EngExcept::FileException(L"DataRestore::read_file(): Failed to read file!", L"(n/a)", 0);
        return count;
    }
    LARGE_INTEGER here{}, step{};
    if (!SetFilePointerEx(file_, step, &here, FILE_CURRENT))
        throw EngExcept::FileException(L"DataRestore::read_file(): Failed to move pointer!", L"(n/a)", 0);
    const uint64_t left = fileSize_ > static_cast<uint64_t>(here.QuadPart) ? fileSize_ - here.QuadPart : 0;
    step.QuadPart = static_cast<LONGLONG>(std::min<uint64_t>(n, left));
    if (!SetFilePointerEx(file_, step, nullptr, FILE_CURRENT))
        throw EngExcept::FileException(L"DataRestore::read_file(): Failed to move pointer!", L"(n/a)", 0);
    return static_cast<uint32_t>(step.QuadPart);
}

ChunkHeader DataRestoreBase::read_chunk_header()
{
    ChunkHeader header{};
    const uint32_t count = read_file(&header, sizeof header, true);
    position_ += count;
    if (count != sizeof header)  // also a record that lost its end marker
        damaged();
    return header;
}

// The decoded head of the next record, or nothing at the end of the archive.
std::optional<std::vector<uint8_t>> DataRestoreBase::read_head()
{
    uint32_t length = 0;
    const uint32_t lengthCount = read_file(&length, sizeof length, true);
    position_ += lengthCount;
    if (lengthCount < sizeof length)  // fewer than 4 bytes left: the normal end
        return std::nullopt;
    if (length == 0 || length > kMaxHeadBlock)
        damaged();
    std::vector<uint8_t> block(length);
    const uint32_t blockCount = read_file(block.data(), length, true);
    position_ += blockCount;
    if (blockCount != length)
        damaged();
    // Heads are one LZMABlock each, never encrypted.
    LZMADecompProcessor decoder(sizeof(FileHead));
    decoder.process(block.data(), static_cast<int32_t>(length));
    if (decoder.failed() || decoder.output_size() < static_cast<int32_t>(sizeof(uint32_t)))
        damaged();
    return std::vector<uint8_t>(decoder.output_data(), decoder.output_data() + decoder.output_size());
}

int64_t DataRestoreBase::read_item()
{
    const std::optional<std::vector<uint8_t>> head = read_head();
    if (!head)
        return kArchiveEnd;
    int32_t type;
    std::memcpy(&type, head->data(), sizeof type);
    auto* factory = dynamic_cast<DataItemFactory*>(find_factory(factories_, type));
    if (!factory) {
        // A kind of item this reader does not know: passed over whole.
        skip_chunks();
        skipped_.push_back({L"", L"record type " + std::to_wstring(type), RestoreOutcome::UnknownType});
        return 0;
    }
    std::unique_ptr<DataItem> item(factory->create());
    if (!item)
        throw EngExcept::FileException(L"DataRestore::read_item(): Out of memory!", L"n/a", 0);
    if (head->size() < static_cast<size_t>(item->head_size()) || !item->set_head(head->data() + sizeof type))
        damaged();
    record_item(*item);

    const bool selected = is_selected(*item);
    if (!selected) {
        read_chunks(*item, false, false);
        return 0;
    }
    bool writing = true;
    try {
        item->open_item();
    } catch (const EngExcept::FileException&) {
        writing = false;  // an item that cannot be created, or whose name is refused, is left out, and said so
    }
    const int64_t sum = read_chunks(*item, true, writing);
    if (writing)
        item->close_item();
    if (item->outcome() == RestoreOutcome::Restored)
        return sum;
    skipped_.push_back({item->location(), item->display_name(), item->outcome()});
    return 0;  // nothing of it was restored
}

// Reads the item's chunks up to its end marker; returns the bytes its writer
// took. Compressed chunks are decompressed ahead on the pool and written in
// order; decryption, one CBC chain through all chunks of the item, stays on
// this thread.
int64_t DataRestoreBase::read_chunks(DataItem& item, bool selected, bool writing)
{
    std::optional<DESDecryptor> decryptor;
    if (item.is_encrypted())
        decryptor.emplace(password_);
    const bool compressed = item.is_compressed();
    const bool coded = item.is_encrypted() || compressed;
    PiecePool<LZMADecompProcessor>& pool = *pool_;

    int64_t sum = 0;
    // Every chunk read is decoded, written or not: one that does not decode
    // is damage, never a hole in the restored data.
    const auto write_next = [&] {
        try {
            const auto& piece = pool.take();
            if (piece.failed)
                damaged();
            if (writing)
                sum += item.write_item(piece.output.data(), static_cast<int32_t>(piece.output.size()));
        } catch (...) {
            pool.discard();  // nothing after a failure is written
            throw;
        }
    };
    std::vector<uint8_t> chunk;
    try {
        for (ChunkHeader header = read_chunk_header(); header.end == 0;) {
            if (header.n > kMaxChunk || (header.n == 0 && coded))
                damaged();
            chunk.resize(selected ? header.n : 0);
            const uint32_t count = header.n != 0 ? read_file(chunk.data(), header.n, selected) : 0;
            position_ += count;
            if (count != header.n)
                damaged();
            if (selected) {
                const uint8_t* data = chunk.data();
                auto length = static_cast<int32_t>(count);
                if (decryptor) {
                    decryptor->process(data, length);
                    if (decryptor->failed())
                        damaged();
                    data = decryptor->output_data();
                    length = decryptor->output_size();
                }
                if (compressed) {
                    pool.put(data, length);
                    if (pool.full())
                        write_next();
                } else if (writing) {
                    sum += item.write_item(data, length);
                }
            }
            header = read_chunk_header();
            post_percent();
        }
    } catch (...) {
        // The chunks read before the damage are written first, as they are
        // when each is decoded as soon as it is read.
        while (!pool.empty())
            write_next();
        throw;
    }
    while (!pool.empty())
        write_next();
    return sum;
}

void DataRestoreBase::skip_chunks()
{
    for (ChunkHeader header = read_chunk_header(); header.end == 0; header = read_chunk_header()) {
        if (header.n > kMaxChunk)
            damaged();
        const uint32_t count = read_file(nullptr, header.n, false);
        position_ += count;
        if (count != header.n)
            damaged();
    }
}

bool DataRestoreBase::is_selected(DataItem& item) const
{
    return !selection_ || selected_.count(item.key()) != 0;
}

void DataRestoreBase::record_item(DataItem& item)
{
    if (!headList_)
        return;
    const int32_t size = item.get_head(nullptr);
    std::unique_ptr<uint8_t[]> copy(new uint8_t[static_cast<size_t>(size)]);
    item.get_head(copy.get());
    headList_->push_back({item.item_type(), copy.get()});
    copy.release();
}

void DataRestoreBase::post_percent()
{
    if (fileSize_ == 0)
        return;
    const double percent = static_cast<double>(position_) / static_cast<double>(fileSize_) * 100;
    progress.post_position(static_cast<int>(std::clamp(percent, 0.0, 100.0)));
}
