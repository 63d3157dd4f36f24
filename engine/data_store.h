// Appends the item records of one backup item to an archive.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <shlwapi.h>
#include <windows.h>

#include "eng_except.h"
#include "item_head.h"
#include "piece_pool.h"
#include "processors.h"
#include "progress.h"
#include "source_readers.h"

// Every record in the archive is whole: a failure or a stop in the middle of
// a record cuts the archive back to where that record began, so a restore
// never meets a broken record or a truncated copy of a file.
template <class Item, class Reader, class Head, class HeadInitor, class Comp, class Enc, class Progress,
          class ThreadCtrl>
class DataStore {
public:
    DataStore(const std::wstring& archivePath, bool compress, bool encrypt, const std::wstring& password)
        : reader_(&archivePath_), archivePath_(archivePath), compress_(compress), encrypt_(encrypt),
          password_(password)
    {
    }
    DataStore(const DataStore&) = delete;
    DataStore& operator=(const DataStore&) = delete;
    ~DataStore() { close_file(); }

    void add_item(const Item& item) { items_.push_back(item); }

    // Writes a record per source that can be opened and returns the source
    // bytes stored. Posts (0, 100), (0, 0), then a percentage per piece.
    uint64_t run()
    {
        total_ = done_ = 0;
        for (const Item& item : items_) {
            if (reader_.source_open(item)) {
                total_ += reader_.source_size();
                reader_.source_close();
            }
        }
        progress.post_range(100);
        progress.post_position(0);
        // Heads are always coded; without compression one coder does them.
        Pool pool(compress_ ? threads : 1);
        pool_ = &pool;
        open_file();
        struct Closer {
            DataStore& store;
            ~Closer()
            {
                store.close_file();
                store.pool_ = nullptr;
            }
        } closer{*this};
        for (const Item& item : items_) {
            if (stop.is_stopped())
                break;
            store_item(item);
        }
        return done_;
    }

    Progress progress;
    ThreadCtrl stop;
    // Coding threads of the next run; 1 codes on the calling thread alone.
    unsigned threads = coding_threads();

private:
    using Pool = PiecePool<Comp>;

    // Returns the bytes written for the record's chunks and end marker.
    // Pieces are compressed ahead on the pool; encryption, one CBC chain per
    // record, and writing follow in order on this thread.
    uint64_t store_item(const Item& item)
    {
        if (!reader_.source_open(item))
            return 0;
        Pool& pool = *pool_;
        const uint64_t start = position_;
        const uint64_t doneBefore = done_;
        uint64_t written = 0;
        try {
            Head head;
            HeadInitor::init_head(head, reader_.source_item(), compress_, encrypt_, reader_.source_size());
            const auto& headBlock = pool.code_now(&head, static_cast<int32_t>(sizeof head));
            const auto headLength = static_cast<uint32_t>(headBlock.output.size());
            append(&headLength, sizeof headLength);
            append(headBlock.output.data(), headBlock.output.size());

            std::optional<Enc> enc;
            if (encrypt_)
                enc.emplace(password_);
            piece_.resize(kChunkPiece);
            bool ended = false;
            bool stopped = false;
            for (;;) {
                // The stop flag is polled before each piece is handed out and
                // before each is written, so a stop costs at most the piece
                // each thread is coding.
                while (!ended && !stopped && !pool.full()) {
                    // A raw piece is read in place, behind room for its chunk header.
                    uint8_t* to = compress_ || encrypt_ ? piece_.data()
                                                        : out_room(sizeof(ChunkHeader) + kChunkPiece) +
                                                              sizeof(ChunkHeader);
                    const int32_t got = reader_.source_read_buff(to, kChunkPiece);
                    if (got <= 0)
                        ended = true;
                    else if (stop.is_stopped())
                        stopped = true;
                    else if (compress_)
                        pool.put(piece_.data(), got);
                    else
                        written += append_chunk(enc, to, got, got);
                }
                if (stopped || pool.empty())
                    break;
                if (stop.is_stopped()) {
                    stopped = true;
                    break;
                }
                const auto& piece = pool.take();
                written += append_chunk(enc, piece.output.data(), static_cast<int32_t>(piece.output.size()),
                                        static_cast<int32_t>(piece.input.size()));
            }
            reader_.source_close();
            if (stopped) {
                // Stopped before the end of the source: a partial copy must
                // never be restored over a good file.
                pool.discard();
                cut_back(start);
                done_ = doneBefore;
                return 0;
            }
            const ChunkHeader end = {1, {0, 0, 0}, 0};
            written += append(&end, sizeof end);
            flush();
        } catch (...) {
            pool.discard();
            reader_.source_close();
            cut_back(start);
            done_ = doneBefore;
            throw;
        }
        return written;
    }

    // A chunk: its header and the coded bytes of `source` source bytes.
    uint64_t append_chunk(std::optional<Enc>& enc, const uint8_t* data, int32_t length, int32_t source)
    {
        if (enc) {
            enc->process(data, length);
            data = enc->output_data();
            length = enc->output_size();
        }
        const ChunkHeader chunk = {0, {0, 0, 0}, static_cast<uint32_t>(length)};
        const uint64_t n = append(&chunk, sizeof chunk) + append(data, static_cast<size_t>(length));
        done_ += static_cast<uint64_t>(source);
        if (outSize_ >= static_cast<size_t>(kChunkPiece))
            flush();
        progress.post_position(percent());
        return n;
    }

    // Records go out in writes of a piece or more, their small headers with
    // their data: a record of one piece takes a single write.
    size_t append(const void* data, size_t n)
    {
        const auto* bytes = static_cast<const uint8_t*>(data);
        uint8_t* to = out_room(n);
        if (to != bytes) // else read in place
            std::memcpy(to, bytes, n);
        outSize_ += n;
        return n;
    }

    // Where the next n bytes of the record go.
    uint8_t* out_room(size_t n)
    {
        if (out_.size() < outSize_ + n)
            out_.resize(outSize_ + n);
        return out_.data() + outSize_;
    }

    void flush()
    {
        write_file(out_.data(), static_cast<int32_t>(outSize_));
        outSize_ = 0;
    }

    void open_file()
    {
        const wchar_t* path = archivePath_.c_str();
        if (PathFileExistsW(path)) {
            file_ = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            LARGE_INTEGER end;
            if (file_ == INVALID_HANDLE_VALUE || !SetFilePointerEx(file_, LARGE_INTEGER{}, &end, FILE_END)) {
                close_file();
                throw EngExcept::FileException(L"DataStore::open_file(): Failed to open file! OPEN_EXISTING",
                                               archivePath_, 2);
            }
            position_ = static_cast<uint64_t>(end.QuadPart);
        } else {
            file_ = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (file_ == INVALID_HANDLE_VALUE)
                throw EngExcept::FileException(L"DataStore::open_file(): Failed to create file! CREATE_ALWAYS",
                                               archivePath_, 3);
            position_ = 0;
        }
    }

    int32_t write_file(const void* buffer, int32_t n)
    {
        if (file_ == INVALID_HANDLE_VALUE)
            return 0;
        DWORD put = 0;
        if (!WriteFile(file_, buffer, static_cast<DWORD>(n), &put, nullptr) || put != static_cast<DWORD>(n))
            throw EngExcept::FileException(L"DataStore::write_file(): Failed to write file!", L"(n/a)", 1);
        position_ += put;
        return static_cast<int32_t>(put);
    }

    void close_file()
    {
        if (file_ != INVALID_HANDLE_VALUE)
            CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }

    // Best effort: it runs while a failure is already on its way.
    void cut_back(uint64_t start)
    {
        outSize_ = 0;
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(start);
        if (SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) && SetEndOfFile(file_))
            position_ = start;
    }

    // Sources may have grown since the size pass: never divide by zero,
    // never leave 0..100.
    int32_t percent() const
    {
        if (total_ == 0 || done_ >= total_)
            return 100;
        return static_cast<int32_t>(static_cast<double>(done_) / static_cast<double>(total_) * 100.0);
    }

    Reader reader_;
    std::vector<Item> items_;
    std::wstring archivePath_;
    bool compress_;
    bool encrypt_;
    std::wstring password_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    uint64_t position_ = 0;
    uint64_t total_ = 0;
    uint64_t done_ = 0;
    std::vector<uint8_t> piece_;
    std::vector<uint8_t> out_; // the record's bytes not yet written: the first outSize_
    size_t outSize_ = 0;
    Pool* pool_ = nullptr;     // the running run's
};

using FileDataStore = DataStore<FileItem, FileReader, FileHead, FileHeadInitor, LZMACompProcessor, DESEncryptor,
                                MFCProgress, MFCThreadCtrl>;
using RegDataStore = DataStore<RegItem, RegReader, RegHead, RegHeadInitor, LZMACompProcessor, DESEncryptor,
                               MFCProgress, MFCThreadCtrl>;
