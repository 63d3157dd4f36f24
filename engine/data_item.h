// Items read back from an archive: one item head each, described for display,
// compared with items of its kind, and written back by a writer policy.
#pragma once

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include <windows.h>

#include "item_head.h"

// What became of an item given to a writer. An item is restored whole or not
// at all: whatever is not Restored left the target as it was.
enum class RestoreOutcome {
    Restored,
    Unwritable,   // the file could not be created or put in place
    Incomplete,   // its data is shorter or longer than its head says
    ValueNotSet,  // the registry value could not be set
    UnsafeName,   // its name is no plain name of a file or key where it belongs
    UnknownType,  // a kind of record the reader does not know (no item is made)
};

class DataItem {
public:
    DataItem() = default;
    DataItem(const DataItem&) = delete;
    DataItem& operator=(const DataItem&) = delete;
    virtual ~DataItem() = default;

    virtual int32_t head_size() = 0;
    // Fills the head from the bytes behind its type word (head_size() - 4 of
    // them). False when a text of the head is not terminated within its array:
    // such a head is damaged and names no place to restore to.
    virtual bool set_head(const uint8_t* rest) = 0;
    // Copies the whole head to out unless out is null; returns its size.
    virtual int32_t get_head(uint8_t* out) = 0;
    virtual bool is_encrypted() = 0;
    virtual bool is_compressed() = 0;
    virtual bool open_item() = 0;
    // True when the item was restored whole.
    virtual bool close_item() = 0;
    virtual int32_t write_item(const uint8_t* data, int32_t len) = 0;
    virtual std::wstring display_name() = 0;
    virtual std::wstring location() = 0;
    virtual std::wstring kind_name() = 0;
    virtual int32_t item_type() = 0;
    virtual uint64_t item_size() = 0;
    virtual bool equals(DataItem* other) = 0;
    // Equal exactly for items that equals() holds equal: an item's identity
    // in a selection.
    virtual std::wstring key() = 0;
    // After close_item, or after open_item threw: what became of the item.
    virtual RestoreOutcome outcome() = 0;
};

// The text of a fixed array, never read beyond it.
template <size_t N>
std::wstring head_text(const wchar_t (&text)[N])
{
    return std::wstring(text, wcsnlen(text, N));
}

template <size_t N>
bool is_terminated(const wchar_t (&text)[N])
{
    return wcsnlen(text, N) < N;
}

// Access to the head an item holds.
template <class Head, int N>
class HeadReader {
public:
    explicit HeadReader(Head* head) : head_(head) {}
    const Head& head() const { return *head_; }

private:
    Head* head_;
};

// The display texts, per kind of head.
template <class Head, class Reader>
class HeadOptTmpl;

template <class Reader>
class HeadOptTmpl<FileHead, Reader> : public Reader {
public:
    using Reader::Reader;
    std::wstring name_text() const { return head_text(this->head().item.name); }
    std::wstring location_text() const { return head_text(this->head().item.folder); }
    static std::wstring kind_text() { return L"File"; }
    bool texts_terminated() const
    {
        return is_terminated(this->head().item.name) && is_terminated(this->head().item.folder);
    }
};

template <class Reader>
class HeadOptTmpl<RegHead, Reader> : public Reader {
public:
    using Reader::Reader;
    std::wstring name_text() const { return head_text(this->head().item.value); }
    std::wstring location_text() const { return head_text(this->head().item.key); }
    static std::wstring kind_text() { return L"Registry"; }
    bool texts_terminated() const
    {
        return is_terminated(this->head().item.value) && is_terminated(this->head().item.key);
    }
};

// Exact, case-sensitive comparisons of the item records; sizes and flags do
// not count. Two records are equal when their keys are.
struct FileItemComparator {
    static std::wstring key(const FileHead& head);
    static bool equal(const FileHead& a, const FileHead& b) { return key(a) == key(b); }
};

struct RegItemComparator {
    static std::wstring key(const RegHead& head);
    static bool equal(const RegHead& a, const RegHead& b) { return key(a) == key(b); }
};

// Restores a file. The data goes to a temporary file of its own beside the
// target, which replaces the target only when exactly the head's size was
// written: a restore that fails half-way, or an item whose data does not
// match its head, never leaves a wrong copy over a good file.
class FileWriter {
public:
    explicit FileWriter(const FileHead* head) : head_(head) {}
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;
    ~FileWriter();

    // Throws EngExcept::FileException, with nothing opened, when the file
    // cannot be created or when its name or a level of its expanded folder is
    // not a plain name (a path, "." or "..", a device, a stream, a trailing
    // space or dot, a character Windows refuses) or the folder is relative
    // to a drive's current folder ("C:dir").
    bool open_item();
    // Throws EngExcept::FileException when the write fails. Data beyond the
    // head's size is not written; the item is then incomplete.
    int32_t write_item(const uint8_t* data, int32_t len);
    // False when the item is incomplete or the target could not be replaced
    // (held by another program).
    bool close_item();
    RestoreOutcome outcome() const { return outcome_; }

private:
    void discard();

    const FileHead* head_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::wstring target_;  // both in the long form, free of the path-length limit
    std::wstring temp_;
    uint64_t written_ = 0;
    bool overlong_ = false;
    RestoreOutcome outcome_ = RestoreOutcome::Unwritable;
};

// Restores a registry value: collects the data and sets the value at the end,
// only when exactly the head's size arrived, so a damaged or cut record never
// replaces a value with part of its data.
class RegWriter {
public:
    explicit RegWriter(const RegHead* head) : head_(head) {}
    RegWriter(const RegWriter&) = delete;
    RegWriter& operator=(const RegWriter&) = delete;
    ~RegWriter();

    // False when the key can neither be created nor opened; throws
    // EngExcept::FileException, with nothing opened, for a value that names
    // no key (it would be set at the root of a hive).
    bool open_item();
    int32_t write_item(const uint8_t* data, int32_t len);
    bool close_item();
    RestoreOutcome outcome() const { return outcome_; }

private:
    const RegHead* head_;
    HKEY key_ = nullptr;
    std::vector<uint8_t> data_;
    bool refused_ = false;
    RestoreOutcome outcome_ = RestoreOutcome::ValueNotSet;
};

// The listing reader's writers: they accept everything and keep nothing.
template <class Head>
class NoWriter {
public:
    explicit NoWriter(const Head*) {}
    bool open_item() { return false; }
    int32_t write_item(const uint8_t*, int32_t len) { return len; }
    bool close_item() { return false; }
    RestoreOutcome outcome() const { return RestoreOutcome::Restored; }
};

using FileNoWriter = NoWriter<FileHead>;
using RegNoWriter = NoWriter<RegHead>;

template <int N, class Head, class Comparator, template <class, int> class Reader,
          template <class, class> class HeadOpt, class Writer>
class DataItemTmpl final : public DataItem, public HeadOpt<Head, Reader<Head, N>>, public Writer, public Comparator {
    using Opt = HeadOpt<Head, Reader<Head, N>>;

public:
    // The bases keep pointers to head_, which is why items are never copied.
    DataItemTmpl() : Opt(&head_), Writer(&head_) {}

    int32_t head_size() override { return sizeof(Head); }
    bool set_head(const uint8_t* rest) override
    {
        std::memcpy(reinterpret_cast<uint8_t*>(&head_) + sizeof head_.type, rest, sizeof(Head) - sizeof head_.type);
        head_.type = N;
        return Opt::texts_terminated();
    }
    int32_t get_head(uint8_t* out) override
    {
        if (out)
            std::memcpy(out, &head_, sizeof(Head));
        return sizeof(Head);
    }
    bool is_encrypted() override { return head_.encrypted != 0; }
    bool is_compressed() override { return head_.compressed != 0; }
    bool open_item() override { return Writer::open_item(); }
    bool close_item() override { return Writer::close_item(); }
    int32_t write_item(const uint8_t* data, int32_t len) override { return Writer::write_item(data, len); }
    std::wstring display_name() override { return Opt::name_text(); }
    std::wstring location() override { return Opt::location_text(); }
    std::wstring kind_name() override { return Opt::kind_text(); }
    int32_t item_type() override { return N; }
    uint64_t item_size() override { return head_.size; }
    bool equals(DataItem* other) override
    {
        auto* same = dynamic_cast<DataItemTmpl*>(other);
        return same && Comparator::equal(head_, same->head_);
    }
    std::wstring key() override { return std::to_wstring(N) + L'|' + Comparator::key(head_); }
    RestoreOutcome outcome() override { return Writer::outcome(); }

private:
    Head head_{};
};

using FileDataItem = DataItemTmpl<kFileItemType, FileHead, FileItemComparator, HeadReader, HeadOptTmpl, FileWriter>;
using RegDataItem = DataItemTmpl<kRegItemType, RegHead, RegItemComparator, HeadReader, HeadOptTmpl, RegWriter>;
using FileListItem = DataItemTmpl<kFileItemType, FileHead, FileItemComparator, HeadReader, HeadOptTmpl, FileNoWriter>;
using RegListItem = DataItemTmpl<kRegItemType, RegHead, RegItemComparator, HeadReader, HeadOptTmpl, RegNoWriter>;
