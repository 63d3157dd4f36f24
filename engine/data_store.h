// Appends the item records of one backup item to an archive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <shlwapi.h>
#include <windows.h>

#include "eng_except.h"
#include "item_head.h"
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
        open_file();
        struct Closer {
            DataStore& store;
            ~Closer() { store.close_file(); }
        } closer{*this};
        for (const Item& item : items_) {
            if (stop.is_stopped())
                break;
            store_item(item);
        }
        return done_;
    }

    // Returns the bytes written for the record's chunks and end marker.
    uint64_t store_item(const Item& item)
    {
        if (!reader_.source_open(item))
            return 0;
        const uint64_t start = position_;
        const uint64_t doneBefore = done_;
        uint64_t written = 0;
        try {
            Head head;
            HeadInitor::init_head(head, reader_.source_item(), compress_, encrypt_, reader_.source_size());
            Comp headComp;
            const auto headLength = static_cast<uint32_t>(headComp.process(&head, static_cast<int32_t>(sizeof head)));
            write_file(&headLength, sizeof headLength);
            write_file(headComp.output_data(), headComp.output_size());

            ProcessorChain chain;
            if (compress_)
                chain.add(new Comp);
            if (encrypt_)
                chain.add(new Enc(password_));
            piece_.resize(kChunkPiece);
            int32_t got = reader_.source_read_buff(piece_.data(), kChunkPiece);
            while (got > 0 && !stop.is_stopped()) {
                done_ += static_cast<uint64_t>(got);
                chain.run(piece_.data(), got);
                const ChunkHeader chunk = {0, {0, 0, 0}, static_cast<uint32_t>(chain.size())};
                written += write_file(&chunk, sizeof chunk);
                written += write_file(chain.data(), chain.size());
                progress.post_position(percent());
                got = reader_.source_read_buff(piece_.data(), kChunkPiece);
            }
            reader_.source_close();
            if (got > 0) {
                // Stopped before the end of the source: a partial copy must
                // never be restored over a good file.
                cut_back(start);
                done_ = doneBefore;
                return 0;
            }
            const ChunkHeader end = {1, {0, 0, 0}, 0};
            written += write_file(&end, sizeof end);
        } catch (...) {
            reader_.source_close();
            cut_back(start);
            done_ = doneBefore;
            throw;
        }
        return written;
    }

    Progress progress;
    ThreadCtrl stop;

private:
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
};

using FileDataStore = DataStore<FileItem, FileReader, FileHead, FileHeadInitor, LZMACompProcessor, DESEncryptor,
                                MFCProgress, MFCThreadCtrl>;
using RegDataStore = DataStore<RegItem, RegReader, RegHead, RegHeadInitor, LZMACompProcessor, DESEncryptor,
                               MFCProgress, MFCThreadCtrl>;
