#include <shlobj.h>
#include <shlwapi.h>

#include <atomic>
#include <cwchar>
#include <new>

#include "data_item.h"
#include "eng_except.h"
#include "source_nodes.h"

namespace {

constexpr size_t kPathRoom = 2048;

// Runs op; when it is refused because an existing file is read-only, hidden
// or system, clears those attributes and runs it once more (restoring them
// if that fails too).
template <class Op>
bool with_attributes_cleared(const std::wstring& path, Op op)
{
    if (op())
        return true;
    if (GetLastError() != ERROR_ACCESS_DENIED)
        return false;
    constexpr DWORD kBlocking = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) || !(attributes & kBlocking) ||
        !SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL))
        return false;
    if (op())
        return true;
    SetFileAttributesW(path.c_str(), attributes);
    return false;
}

// Only the predefined roots a backup can name; any other value would be a
// handle of this process.
HKEY predefined_root(uint32_t value)
{
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG})
        if (reg_root_value(root) == value)
            return root;
    return nullptr;
}

EngExcept::FileException create_failure(const std::wstring& path)
{
    return EngExcept::FileException(L"FileWriter::open_item(): Failed to create file!", path, 3);
}

// A name Windows takes as a plain file name of its own: never a device
// (CON, com1.txt, "NUL ."), never a stream (a colon), nothing it would
// trim away (a trailing space or dot, which also covers "." and ".."), and
// none of the characters it refuses in a name.
bool is_plain_name(const std::wstring& name)
{
    if (name.empty() || name.back() == L' ' || name.back() == L'.')
        return false;
    for (wchar_t c : name)
        if (c < 0x20 || std::wcschr(L"<>:\"/\\|?*", c))
            return false;
    // A device name is one whatever its extension and trailing spaces.
    std::wstring base = name.substr(0, name.find(L'.'));
    base.erase(base.find_last_not_of(L' ') + 1);
    static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* device : kDevices)
        if (_wcsicmp(base.c_str(), device) == 0)
            return false;
    return !(base.size() == 4 && (_wcsnicmp(base.c_str(), L"COM", 3) == 0 || _wcsnicmp(base.c_str(), L"LPT", 3) == 0) &&
             base[3] >= L'1' && base[3] <= L'9');
}

// A folder whose every level is a plain name, after a drive ("C:\") or the
// start of a network path: a folder can neither climb out of where it
// points ("..") nor lead to a device, a stream or a drive's current folder
// ("C:dir").
bool is_plain_folder(const std::wstring& folder)
{
    size_t start = 0;
    if (folder.size() >= 2 && folder[1] == L':') {
        const wchar_t drive = folder[0] | 0x20;
        if (drive < L'a' || drive > L'z' || folder.size() == 2 || (folder[2] != L'\\' && folder[2] != L'/'))
            return false;
        start = 3;
    }
    while (start <= folder.size()) {
        const size_t end = std::min(folder.find_first_of(L"\\/", start), folder.size());
        if (end != start && !is_plain_name(folder.substr(start, end - start)))
            return false;
        start = end + 1;
    }
    return true;
}

// The folder and the name with one backslash between them.
std::wstring join(std::wstring folder, const std::wstring& name)
{
    if (folder.empty() || folder.back() != L'\\')
        folder += L'\\';
    return folder + name;
}

// Creates a new empty file with a short name of its own in the folder
// ("~kv" and four hex digits), never one that already exists.
HANDLE create_temp(const std::wstring& folder, std::wstring& temp)
{
    static std::atomic<uint32_t> next{GetTickCount() ^ GetCurrentProcessId()};
    for (uint32_t tries = 0; tries < 0x10000; ++tries) {
        wchar_t name[16];
        swprintf(name, std::size(name), L"~kv%04x.tmp", static_cast<unsigned>(next++ & 0xFFFF));
        temp = folder + name;
        HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            return file;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            break;
    }
    temp.clear();
    return INVALID_HANDLE_VALUE;
}

}  // namespace

// Texts end at their first null, so a null parts them.
std::wstring FileItemComparator::key(const FileHead& head)
{
    return head_text(head.item.name) + L'\0' + head_text(head.item.folder);
}

std::wstring RegItemComparator::key(const RegHead& head)
{
    return std::to_wstring(head.item.root) + L'\0' + std::to_wstring(head.item.type) + L'\0' +
           head_text(head.item.key) + L'\0' + head_text(head.item.value);
}

FileWriter::~FileWriter()
{
    discard();
}

void FileWriter::discard()
{
    if (file_ != INVALID_HANDLE_VALUE)
        CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    if (!temp_.empty())
        DeleteFileW(temp_.c_str());
    temp_.clear();
}

bool FileWriter::open_item()
{
    const std::wstring stored = head_text(head_->item.folder);
    const std::wstring name = head_text(head_->item.name);
    outcome_ = RestoreOutcome::Unwritable;
    wchar_t folder[kPathRoom];
    const DWORD expanded = ExpandEnvironmentStringsW(stored.c_str(), folder, kPathRoom);
    if (!is_plain_name(name) || (expanded != 0 && expanded <= kPathRoom && !is_plain_folder(folder))) {
        outcome_ = RestoreOutcome::UnsafeName;
        throw create_failure(join(stored, name));
    }
    // Only a whole path names a place: never one relative to this process.
    if (expanded == 0 || expanded > kPathRoom || PathIsRelativeW(folder))
        throw create_failure(join(stored, name));
    if (!PathFileExistsW(folder))
        SHCreateDirectoryExW(nullptr, folder, nullptr);
    const std::wstring base = long_form(folder);
    if (base.empty())
        throw create_failure(join(folder, name));
    target_ = join(base, name);
    file_ = create_temp(join(base, L""), temp_);
    if (file_ == INVALID_HANDLE_VALUE)
        throw create_failure(join(folder, name));
    written_ = 0;
    overlong_ = false;
    return true;
}

int32_t FileWriter::write_item(const uint8_t* data, int32_t len)
{
    if (len == 0)
        return 0;
    if (len < 0 || overlong_ || written_ + static_cast<uint64_t>(len) > head_->size) {
        overlong_ = true;  // more data than the head holds: never put in place
        return 0;
    }
    DWORD written = 0;
    if (!WriteFile(file_, data, static_cast<DWORD>(len), &written, nullptr) || written != static_cast<DWORD>(len))
        throw EngExcept::FileException(L"FileWriter::write_item(): Failed to write file!", L"(n/a)", 3);
    written_ += static_cast<uint64_t>(len);
    return len;
}

bool FileWriter::close_item()
{
    if (file_ == INVALID_HANDLE_VALUE)
        return false;
    const bool closed = CloseHandle(file_) != 0;
    file_ = INVALID_HANDLE_VALUE;
    if (overlong_ || written_ != head_->size) {
        outcome_ = RestoreOutcome::Incomplete;
    } else if (closed && with_attributes_cleared(target_, [&] {
                   return MoveFileExW(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
               })) {
        temp_.clear();
        outcome_ = RestoreOutcome::Restored;
    }
    discard();
    return outcome_ == RestoreOutcome::Restored;
}

RegWriter::~RegWriter()
{
    if (key_)
        RegCloseKey(key_);
}

bool RegWriter::open_item()
{
    const wchar_t* path = head_->item.key;
    // A value always lives below a key of its own, never at a hive's root.
    if (path[0] == 0 || path[0] == L'\\') {
        outcome_ = RestoreOutcome::UnsafeName;
        throw EngExcept::FileException(L"RegWriter::open_item(): Failed to open key!", path, 3);
    }
    const HKEY root = predefined_root(head_->item.root);
    if (!root)
        return false;
    if (RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key_, nullptr) == ERROR_SUCCESS)
        return true;
    key_ = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_SET_VALUE, &key_) == ERROR_SUCCESS)
        return true;
    key_ = nullptr;
    return false;
}

int32_t RegWriter::write_item(const uint8_t* data, int32_t len)
{
    // A registry value is read whole, so its data never exceeds the head's size.
    if (refused_ || len < 0 || data_.size() + static_cast<uint64_t>(len) > head_->size) {
        refused_ = true;
        return 0;
    }
    try {
        data_.insert(data_.end(), data, data + len);
    } catch (const std::bad_alloc&) {
        refused_ = true;
        return 0;
    }
    return len;
}

bool RegWriter::close_item()
{
    if (refused_ || data_.size() != head_->size)
        outcome_ = RestoreOutcome::Incomplete;
    else if (key_ && RegSetValueExW(key_, head_->item.value, 0, head_->item.type, data_.data(),
                                    static_cast<DWORD>(data_.size())) == ERROR_SUCCESS)
        outcome_ = RestoreOutcome::Restored;
    if (key_)
        RegCloseKey(key_);
    key_ = nullptr;
    return outcome_ == RestoreOutcome::Restored;
}
