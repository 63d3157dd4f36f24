// Appends the item records of one backup item to an archive.
#pragma once

#include <cstdint>
#include <cstring>
#include <deque>
#include <exception>
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
        : reader_(&archivePath_), archivePath_(archivePath), compress_(compress), encrypt_(encrypt), password_(password)
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
        leftOut_.clear();
        for (const Item& item : items_) {
            if (reader_.source_open(item) == SourceOpen::Opened) {
                total_ += reader_.source_size();
                reader_.source_close();
            }
        }
        progress.post_range(100);
        progress.post_position(0);
        // Heads are always coded; without compression one coder does them.
        Pool pool(compress_ ? threads : 1);
        pool_ = &pool;
        next_ = 0;
        reading_ = fedAll_ = recordOpen_ = false;
        entries_.clear();
        open_file();
        try {
            write_records();
        } catch (...) {
            end_run();
            throw;
        }
        end_run();
        return done_;
    }

    // The sources the last run passed over because they were gone or
    // unreadable when their turn came, by name; whatever way it ended.
    const std::vector<std::wstring>& left_out() const { return leftOut_; }

    Progress progress;
    ThreadCtrl stop;
    // Coding threads of the next run; 1 codes on the calling thread alone.
    unsigned threads = coding_threads();

private:
    using Pool = PiecePool<Comp>;

    // What the writer meets next, in archive order.
    struct Entry {
        enum Kind { Begin, Coded, Plain, End, Failure } kind;  // Begin: the head
        const uint8_t* data;                                   // Plain: the piece
        int32_t length;                                        // Plain: its bytes
        std::exception_ptr error;                              // Failure: what reading threw
        Entry(Kind k, const uint8_t* d = nullptr, int32_t n = 0, std::exception_ptr e = nullptr)
            : kind(k), data(d), length(n), error(std::move(e))
        {
        }
    };

    // Reads ahead while there is room. Compressed pieces fill the pool, across
    // the ends of records, so no thread waits for a record to end; any other
    // piece is written before the next is read (a raw one in place, in the
    // record's output). The stop flag is polled before each piece is handed
    // out. What reading throws waits in line, so records before it are whole.
    void feed()
    {
        while (!fedAll_ && (compress_ ? !pool_->full() : entries_.empty())) {
            try {
                if (!reading_) {
                    if (next_ == items_.size() || stop.is_stopped()) {
                        fedAll_ = true;
                        continue;
                    }
                    const SourceOpen opened = reader_.source_open(items_[next_++]);
                    if (opened == SourceOpen::LeftOut)
                        leftOut_.push_back(reader_.source_name());
                    if (opened == SourceOpen::Opened) {
                        reading_ = true;
                        Head head;
                        HeadInitor::init_head(head, reader_.source_item(), compress_, encrypt_, reader_.source_size());
                        pool_->put(reinterpret_cast<const uint8_t*>(&head), static_cast<int32_t>(sizeof head));
                        entries_.push_back({Entry::Begin});
                    }
                    continue;
                }
                uint8_t* to = compress_ || encrypt_ ? piece_.data()
                                                    : out_room(sizeof(ChunkHeader) + kChunkPiece) + sizeof(ChunkHeader);
                const int32_t got = reader_.source_read_buff(to, kChunkPiece);
                if (got <= 0) {
                    reader_.source_close();
                    reading_ = false;
                    entries_.push_back({Entry::End});
                } else if (stop.is_stopped()) {
                    fedAll_ = true;
                } else if (compress_) {
                    pool_->put(to, got);
                    entries_.push_back({Entry::Coded});
                } else {
                    entries_.push_back({Entry::Plain, to, got});
                }
            } catch (...) {
                entries_.push_back({Entry::Failure, nullptr, 0, std::current_exception()});
                fedAll_ = true;
            }
        }
    }

    // Writes the records in order; encryption, one CBC chain per record,
    // happens here. A stop ends the run before the next piece is written, yet
    // a record whose source has ended is completed.
    void write_records()
    {
        piece_.resize(kChunkPiece);
        for (;;) {
            feed();
            if (entries_.empty())
                return;
            Entry entry = std::move(entries_.front());
            if (entry.kind != Entry::End && stop.is_stopped())
                return;
            entries_.pop_front();
            switch (entry.kind) {
            case Entry::Begin: {
                recordOpen_ = true;
                recordStart_ = position_;
                doneBefore_ = done_;
                const auto& head = pool_->take();
                const auto headLength = static_cast<uint32_t>(head.output.size());
                append(&headLength, sizeof headLength);
                append(head.output.data(), head.output.size());
                enc_.reset();
                if (encrypt_)
                    enc_.emplace(password_);
                break;
            }
            case Entry::Coded: {
                const auto& piece = pool_->take();
                append_chunk(piece.output.data(), static_cast<int32_t>(piece.output.size()),
                             static_cast<int32_t>(piece.input.size()));
                break;
            }
            case Entry::Plain:
                append_chunk(entry.data, entry.length, entry.length);
                break;
            case Entry::End: {
                const ChunkHeader end = {1, {0, 0, 0}, 0};
                append(&end, sizeof end);
                flush();
                recordOpen_ = false;
                break;
            }
            case Entry::Failure:
                std::rethrow_exception(entry.error);
            }
        }
    }

    // A stop or a failure leaves the record being written unfinished: it is
    // cut away. Best effort: it may run while a failure is on its way.
    void end_run()
    {
        pool_->discard();
        pool_ = nullptr;
        reader_.source_close();
        if (recordOpen_) {
            cut_back(recordStart_);
            done_ = doneBefore_;
            recordOpen_ = false;
        }
        close_file();
    }

    // A chunk: its header and the coded bytes of `source` source bytes.
    void append_chunk(const uint8_t* data, int32_t length, int32_t source)
    {
        if (enc_) {
            enc_->process(data, length);
            data = enc_->output_data();
            length = enc_->output_size();
        }
        const ChunkHeader chunk = {0, {0, 0, 0}, static_cast<uint32_t>(length)};
        append(&chunk, sizeof chunk);
        append(data, static_cast<size_t>(length));
        done_ += static_cast<uint64_t>(source);
        if (outSize_ >= static_cast<size_t>(kChunkPiece))
            flush();
        progress.post_position(percent());
    }

    // Records go out in writes of a piece or more, their small headers with
    // their data: a record of one piece takes a single write.
    void append(const void* data, size_t n)
    {
        const auto* bytes = static_cast<const uint8_t*>(data);
        uint8_t* to = out_room(n);
        if (to != bytes)  // else read in place
            std::memcpy(to, bytes, n);
        outSize_ += n;
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
    std::vector<uint8_t> out_;  // the record's bytes not yet written: the first outSize_
    size_t outSize_ = 0;
    // The running run's pool and the entries it is ahead by.
    Pool* pool_ = nullptr;
    std::deque<Entry> entries_;
    size_t next_ = 0;       // the item read next
    bool reading_ = false;  // a source is open
    bool fedAll_ = false;   // no more entries: the end, a stop or a failure
    // The record being written, cut away if it is not completed.
    bool recordOpen_ = false;
    uint64_t recordStart_ = 0;
    uint64_t doneBefore_ = 0;
    std::optional<Enc> enc_;  // its CBC chain, when encrypting
    std::vector<std::wstring> leftOut_;
};

using FileDataStore = DataStore<FileItem, FileReader, FileHead, FileHeadInitor, LZMACompProcessor, DESEncryptor,
                                MFCProgress, MFCThreadCtrl>;
using RegDataStore =
    DataStore<RegItem, RegReader, RegHead, RegHeadInitor, LZMACompProcessor, DESEncryptor, MFCProgress, MFCThreadCtrl>;
