#include "source_readers.h"

#include <algorithm>
#include <cstring>

#include <shlwapi.h>

#include "eng_except.h"
#include "source_nodes.h"

SourceOpen FileReader::source_open(const FileItem& item)
{
    source_close();
    std::wstring folder(item.folder, wcsnlen(item.folder, std::size(item.folder)));
    fullPath_ = join_path(folder, std::wstring(item.name, wcsnlen(item.name, std::size(item.name))));
    if (item.name[0] == 0 || _wcsicmp(fullPath_.c_str(), archivePath_->c_str()) == 0)
        return SourceOpen::NotStored;

    const std::wstring whole = long_form(fullPath_);
    if (!whole.empty())
        file_ = CreateFileW(whole.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) {
        // In the long form "not found" means the file or its folder is gone,
        // never that the path is too long for the call.
        const DWORD error = GetLastError();
        if (!whole.empty() && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND))
            return SourceOpen::LeftOut;
        throw EngExcept::FileException(L"FileReader::source_open(): Failed to open file!", fullPath_, 2);
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file_, &size)) {
        source_close();
        throw EngExcept::FileException(L"FileReader::source_open(): Failed to open file!", fullPath_, 2);
    }
    size_ = static_cast<uint64_t>(size.QuadPart);
    read_ = 0;

    item_ = item;
    wchar_t unexpanded[sizeof(FileItem::folder) / sizeof(wchar_t)] = {};
    if (PathUnExpandEnvStringsW(folder.c_str(), unexpanded, static_cast<UINT>(std::size(unexpanded))))
        std::memcpy(item_.folder, unexpanded, sizeof unexpanded);
    return SourceOpen::Opened;
}

int32_t FileReader::source_read_buff(void* buffer, int32_t n)
{
    DWORD got = 0;
    if (!ReadFile(file_, buffer, static_cast<DWORD>(n), &got, nullptr))
        throw EngExcept::FileException(L"FileReader::source_read_buff(): Failed to read file!", L"n/a", 0);
    read_ += got;
    // The head already holds the size at opening: a file that shrank or grew
    // while it was read would give a record whose data disagrees with it.
    if (read_ > size_ || (got == 0 && n > 0 && read_ != size_))
        throw EngExcept::FileException(L"FileReader::source_read_buff(): File size changed while reading!", fullPath_,
                                       0);
    return static_cast<int32_t>(got);
}

void FileReader::source_close()
{
    if (file_ != INVALID_HANDLE_VALUE)
        CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
}

SourceOpen RegReader::source_open(const RegItem& item)
{
    source_close();
    name_ = join_path(item.key, item.value);
    // Read rights only: keys the user may read but not change are backed up.
    if (RegOpenKeyExW(reg_root_key(item.root), item.key, 0, KEY_QUERY_VALUE, &key_) != ERROR_SUCCESS) {
        key_ = nullptr;
        return SourceOpen::LeftOut;
    }
    DWORD type = 0;
    LONG result;
    for (;;) {  // the value may grow between the two queries
        DWORD size = 0;
        result = RegQueryValueExW(key_, item.value, nullptr, nullptr, nullptr, &size);
        if (result != ERROR_SUCCESS)
            break;
        data_.resize(size);
        result = RegQueryValueExW(key_, item.value, nullptr, &type, data_.data(), &size);
        if (result != ERROR_MORE_DATA) {
            data_.resize(size);
            break;
        }
    }
    if (result != ERROR_SUCCESS) {
        source_close();
        return SourceOpen::LeftOut;
    }
    item_ = item;
    item_.type = type;
    size_ = static_cast<uint32_t>(data_.size());
    read_ = 0;
    return SourceOpen::Opened;
}

int32_t RegReader::source_read_buff(void* buffer, int32_t n)
{
    const size_t k = std::min(static_cast<size_t>(n), data_.size() - read_);
    if (k != 0)
        std::memcpy(buffer, data_.data() + read_, k);
    read_ += k;
    return static_cast<int32_t>(k);
}

void RegReader::source_close()
{
    data_.clear();
    read_ = 0;
    size_ = 0;
    if (key_)
        RegCloseKey(key_);
    key_ = nullptr;
}
