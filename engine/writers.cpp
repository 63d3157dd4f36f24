#include <shlobj.h>
#include <shlwapi.h>

#include <atomic>
#include <cwchar>
#include <new>

#include "data_item.h"
#include "eng_except.h"

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
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !(attributes & kBlocking) || !SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL))
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

// A name that is one file of the folder, and a folder that never climbs out
// of where it points: an archive must not be able to write anywhere else.
bool is_safe_name(const std::wstring& name)
{
    return !name.empty() && name != L"." && name != L".." && name.find_first_of(L"\\/") == std::wstring::npos;
}

bool is_safe_folder(const std::wstring& folder)
{
    for (size_t start = 0; start <= folder.size();) {
        const size_t end = std::min(folder.find_first_of(L"\\/", start), folder.size());
        if (folder.compare(start, end - start, L"..") == 0)
            return false;
        start = end + 1;
    }
    return true;
}

// The whole path in the form that the path-length limit does not apply to;
// empty when there is none.
std::wstring long_form(const std::wstring& path)
{
    std::vector<wchar_t> full(path.size() + MAX_PATH);
    const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0 || n >= full.size())
        return {};
    const std::wstring whole(full.data(), n);
    if (whole.rfind(L"\\\\?\\", 0) == 0)
        return whole;
    if (whole.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + whole.substr(2);
    return L"\\\\?\\" + whole;
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

} // namespace

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

FileWriter::~FileWriter() { discard(); }

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
    if (!is_safe_name(name) || !is_safe_folder(stored)) {
        outcome_ = RestoreOutcome::UnsafeName;
        throw create_failure(join(stored, name));
    }
    outcome_ = RestoreOutcome::Unwritable;
    wchar_t folder[kPathRoom];
    const DWORD expanded = ExpandEnvironmentStringsW(stored.c_str(), folder, kPathRoom);
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
        overlong_ = true; // more data than the head holds: never put in place
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
    const HKEY root = predefined_root(head_->item.root);
    if (!root)
        return false;
    const wchar_t* path = head_->item.key;
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
