// Reader policies of the data store: one source at a time is opened, read
// in pieces until a read returns 0, and closed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

#include "item_head.h"

// What source_open made of a source.
enum class SourceOpen {
    Opened,
    NotStored,  // nothing to store: a folder item, or the archive itself
    LeftOut,    // listed, but gone or unreadable since: the backup says so
};

// Reads one file. The file is shared with its other users (the mail client
// may keep writing or delete it), and a backup never creates or changes it.
class FileReader {
public:
    // The archive path is never stored into itself; the pointer is kept.
    explicit FileReader(const std::wstring* archivePath) : archivePath_(archivePath) {}
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    ~FileReader() { source_close(); }

    // Opens in the long form, so a path past the length limit reads like any
    // other. NotStored for a folder item (empty name) and the archive itself;
    // LeftOut, with nothing opened, for a file that no longer exists. Throws
    // EngExcept::FileException when the file exists but cannot be opened
    // (another program holds it without read sharing).
    SourceOpen source_open(const FileItem& item);
    // Bytes read, 0 at the end; throws EngExcept::FileException on failure,
    // and when the file's length differs from its size at opening.
    int32_t source_read_buff(void* buffer, int32_t n);
    void source_close();
    uint64_t source_size() const { return size_; }
    // The item for the head: its folder in unexpanded form (%APPDATA%\...).
    const FileItem& source_item() const { return item_; }
    // The path of the source last given to source_open.
    const std::wstring& source_name() const { return fullPath_; }

private:
    std::wstring fullPath_;
    const std::wstring* archivePath_;
    uint64_t size_ = 0;
    uint64_t read_ = 0;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    FileItem item_{};
};

// Reads one registry value whole into memory and hands it out in pieces.
class RegReader {
public:
    explicit RegReader(const std::wstring*) {}
    RegReader(const RegReader&) = delete;
    RegReader& operator=(const RegReader&) = delete;
    ~RegReader() { source_close(); }

    // LeftOut for a value that cannot be read (deleted since its key was
    // listed, or its key gone or closed to this user).
    SourceOpen source_open(const RegItem& item);
    int32_t source_read_buff(void* buffer, int32_t n);
    void source_close();
    uint32_t source_size() const { return size_; }
    // The item for the head, with the value type read.
    const RegItem& source_item() const { return item_; }
    // The key path and value name of the source last given to source_open.
    const std::wstring& source_name() const { return name_; }

private:
    HKEY key_ = nullptr;
    std::vector<uint8_t> data_;
    size_t read_ = 0;
    uint32_t size_ = 0;
    RegItem item_{};
    std::wstring name_;
};
