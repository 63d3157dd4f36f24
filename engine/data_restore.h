// Reads the item records of an archive from a start offset to its end: the
// listing variant records every head, the restoring variant writes every item
// back. Nothing read from the archive is trusted: every length is bounded
// before it is used, and damage ends the run with the engine's exception.
#pragma once

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include <windows.h>

#include "factories.h"
#include "piece_pool.h"
#include "processors.h"
#include "progress.h"

// A heap copy of a whole item head (type word included), freed by the list's owner.
struct ItemHeadEntry {
    int32_t type;
    uint8_t* head;
};

using ItemHeadList = std::vector<ItemHeadEntry>;

// An item of the archive that a run did not restore, and why.
struct SkippedItem {
    std::wstring location;  // the folder or key path as stored; empty for an unknown record
    std::wstring name;      // the file or value name; for an unknown record, its type
    RestoreOutcome reason;
};

// Frees every entry's copy and empties the list.
void free_head_list(ItemHeadList& list);

class DataRestoreBase {
public:
    DataRestoreBase(const DataRestoreBase&) = delete;
    DataRestoreBase& operator=(const DataRestoreBase&) = delete;

    // The sum of the bytes of the items restored. Throws
    // EngExcept::FileException when the archive cannot be read or is damaged;
    // the items before the failure stay restored.
    uint64_t run();

    // The items the last run passed over, in archive order, whether it ended
    // normally or by an exception. Never silent: a run that restored every
    // item leaves this empty.
    const std::vector<SkippedItem>& skipped() const { return skipped_; }

    MFCProgress progress;
    MFCThreadCtrl stop;
    // Threads that decompress ahead in the next run; 1 decodes on the
    // calling thread alone.
    unsigned threads = coding_threads();

protected:
    DataRestoreBase(const std::wstring& path, int32_t startOffset, ItemHeadList* selection,
                    const std::wstring& password, const FactoryList& factories);
    ~DataRestoreBase();

    ItemHeadList* headList_ = nullptr;

private:
    void open_file();
    void close_file();
    uint64_t file_size();
    uint32_t read_file(void* buffer, uint32_t n, bool read);
    ChunkHeader read_chunk_header();
    std::optional<std::vector<uint8_t>> read_head();
    int64_t read_item();
    int64_t read_chunks(DataItem& item, bool selected, bool writing);
    void skip_chunks();
    bool is_selected(DataItem& item) const;
    void record_item(DataItem& item);
    void post_percent();

    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::wstring path_;
    const FactoryList& factories_;
    std::wstring password_;
    uint64_t position_ = 0;  // bytes consumed since the start offset
    uint64_t fileSize_ = 0;
    int32_t startOffset_;
    ItemHeadList* selection_;                         // null: every item
    std::unordered_set<std::wstring> selected_;       // the selection's item keys, for the run
    PiecePool<LZMADecompProcessor>* pool_ = nullptr;  // the running run's
    std::vector<SkippedItem> skipped_;
};

template <class Factories>
struct FactoriesHolder {
    Factories factories;
};

// Restoring: DataRestore<WriterFactories>; listing: DataRestore<NoWriterFactories>.
template <class Factories>
class DataRestore : private FactoriesHolder<Factories>, public DataRestoreBase {
public:
    // A null selection reads every item.
    DataRestore(const std::wstring& path, int32_t startOffset, ItemHeadList* selection, const std::wstring& password)
        : DataRestoreBase(path, startOffset, selection, password, this->factories.list)
    {
    }

    // The list that receives a copy of every head read, set before run().
    void set_head_list(ItemHeadList* list) requires std::same_as<Factories, NoWriterFactories> { headList_ = list; }
};
