#include "backup_item.h"

#include <cstring>

namespace {

template <size_t N>
bool copy_whole(wchar_t (&dest)[N], const std::wstring& src)
{
    if (src.size() >= N)
        return false;
    std::memcpy(dest, src.data(), src.size() * sizeof(wchar_t));
    return true;
}

}  // namespace

FileItem to_file_item(const FileNode& node)
{
    FileItem item{};
    if (!copy_whole(item.folder, node.path()) || !copy_whole(item.name, node.name()))
        throw EngExcept::FileException(L"FileReader::source_open(): Failed to open file!",
                                       join_path(node.path(), node.name()), 2);
    return item;
}

RegItem to_reg_item(const RegNode& node)
{
    RegItem item{};
    item.root = reg_root_value(node.root());
    std::memcpy(item.key, node.key_path(), sizeof item.key);
    std::memcpy(item.value, node.value_name(), sizeof item.value);
    return item;
}

uint64_t sum_file_sizes(const std::vector<FileNode>& list)
{
    uint64_t total = 0;
    for (const FileNode& node : list) {
        if (node.is_dir())
            continue;
        // Opens and shares like the reader, so counting sees what a backup
        // reads and never disturbs a running backup or the mail client.
        HANDLE file =
            CreateFileW(long_form(join_path(node.path(), node.name())).c_str(), GENERIC_READ,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            continue;
        LARGE_INTEGER size;
        if (GetFileSizeEx(file, &size))
            total += static_cast<uint64_t>(size.QuadPart);
        CloseHandle(file);
    }
    return total;
}

uint64_t sum_reg_value_sizes(const std::vector<RegNode>& list)
{
    uint64_t total = 0;
    for (const RegNode& node : list) {
        if (node.is_key())
            continue;
        HKEY key;
        if (RegOpenKeyExW(node.root(), node.key_path(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            continue;
        DWORD size = 0;
        if (RegQueryValueExW(key, node.value_name(), nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS)
            total += size;
        RegCloseKey(key);
    }
    return total;
}

bool ItemNameEquals(const BackupItem* item, const std::wstring& text)
{
    return item->get_name() == text;
}
