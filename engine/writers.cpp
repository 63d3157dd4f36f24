#include <shlobj.h>
#include <shlwapi.h>

#include <new>

#include "data_item.h"
#include "eng_except.h"

namespace {

// The restored data grows here until the item is whole.
constexpr wchar_t kTempSuffix[] = L".~korvane";
constexpr size_t kPathRoom = 2048;

template <size_t N>
bool texts_equal(const wchar_t (&a)[N], const wchar_t (&b)[N])
{
    return wcsncmp(a, b, N) == 0;
}

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

} // namespace

bool FileItemComparator::equal(const FileHead& a, const FileHead& b)
{
    return texts_equal(a.item.name, b.item.name) && texts_equal(a.item.folder, b.item.folder);
}

bool RegItemComparator::equal(const RegHead& a, const RegHead& b)
{
    return a.item.root == b.item.root && a.item.type == b.item.type && texts_equal(a.item.key, b.item.key) &&
           texts_equal(a.item.value, b.item.value);
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
    wchar_t folder[kPathRoom];
    const DWORD expanded = ExpandEnvironmentStringsW(stored.c_str(), folder, kPathRoom);
    // Only a whole path names a place: never one relative to this process.
    if (expanded == 0 || expanded > kPathRoom || name.empty() || PathIsRelativeW(folder))
        throw create_failure(stored + L"\\" + name);
    if (!PathFileExistsW(folder))
        SHCreateDirectoryExW(nullptr, folder, nullptr);
    target_ = folder;
    if (target_.empty() || target_.back() != L'\\')
        target_ += L'\\';
    target_ += name;
    if (target_.size() >= kPathRoom)
        throw create_failure(target_);
    const std::wstring temp = target_ + kTempSuffix;
    if (!with_attributes_cleared(temp, [&] {
            file_ = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            return file_ != INVALID_HANDLE_VALUE;
        }))
        throw create_failure(target_);
    temp_ = temp;
    return true;
}

int32_t FileWriter::write_item(const uint8_t* data, int32_t len)
{
    if (len == 0)
        return 0;
    DWORD written = 0;
    if (len < 0 || !WriteFile(file_, data, static_cast<DWORD>(len), &written, nullptr) ||
        written != static_cast<DWORD>(len))
        throw EngExcept::FileException(L"FileWriter::write_item(): Failed to write file!", L"(n/a)", 3);
    return len;
}

bool FileWriter::close_item()
{
    if (file_ == INVALID_HANDLE_VALUE)
        return false;
    const bool closed = CloseHandle(file_) != 0;
    file_ = INVALID_HANDLE_VALUE;
    const bool replaced = closed && with_attributes_cleared(target_, [&] {
        return MoveFileExW(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    });
    if (replaced)
        temp_.clear();
    discard();
    return replaced;
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
    if (!key_)
        return false;
    if (!refused_ && data_.size() == head_->size)
        RegSetValueExW(key_, head_->item.value, 0, head_->item.type, data_.data(), static_cast<DWORD>(data_.size()));
    const bool closed = RegCloseKey(key_) == ERROR_SUCCESS;
    key_ = nullptr;
    return closed;
}
