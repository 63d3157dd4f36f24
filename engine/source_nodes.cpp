#include "source_nodes.h"

#include <cstring>

#include <shlwapi.h>

#include "eng_except.h"

std::wstring join_path(const std::wstring& folder, const std::wstring& name)
{
    if (!folder.empty() && folder.back() == L'\\')
        return folder + name;
    return folder + L"\\" + name;
}

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

namespace {

// Registry names are at most 16383 characters; this holds every one.
constexpr DWORD kRegNameRoom = 16384;

// The caller has checked that the text fits.
void copy_text(wchar_t (&dest)[1024], const std::wstring& src)
{
    std::memset(dest, 0, sizeof dest);
    std::memcpy(dest, src.data(), src.size() * sizeof(wchar_t));
}

class KeyGuard {
public:
    explicit KeyGuard(HKEY key) : key_(key) {}
    KeyGuard(const KeyGuard&) = delete;
    KeyGuard& operator=(const KeyGuard&) = delete;
    ~KeyGuard() { RegCloseKey(key_); }

private:
    HKEY key_;
};

}  // namespace

bool FileNode::enumerate(std::vector<FileNode>& out) const
{
    if (!is_dir_)
        return false;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(join_path(path_, mask_).c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                out.push_back(FileNode(join_path(path_, name), true, std::wstring(), mask_));
        } else {
            out.emplace_back(path_, false, name, mask_);
        }
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return true;
}

RegNode::RegNode() : root_(nullptr), is_key_(1)
{
    std::memset(key_, 0, sizeof key_);
    std::memset(value_, 0, sizeof value_);
}

bool RegNode::set(HKEY root, const std::wstring& keyPath, bool is_key, const std::wstring& valueName)
{
    if (keyPath.size() >= std::size(key_) || valueName.size() >= std::size(value_))
        return false;
    root_ = root;
    copy_text(key_, keyPath);
    copy_text(value_, valueName);
    is_key_ = is_key ? 1 : 0;
    return true;
}

bool RegNode::enumerate(std::vector<RegNode>& out) const
{
    if (!is_key_)
        return false;
    HKEY key;
    if (RegOpenKeyExW(root_, key_, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    KeyGuard guard(key);
    std::vector<wchar_t> name(kRegNameRoom);
    RegNode node;
    for (DWORD i = 0;; ++i) {
        DWORD length = kRegNameRoom;
        if (RegEnumKeyExW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (node.set(root_, join_path(key_, std::wstring(name.data(), length)), true, L""))
            out.push_back(node);
    }
    for (DWORD i = 0;; ++i) {
        DWORD length = kRegNameRoom;
        if (RegEnumValueW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (node.set(root_, key_, false, std::wstring(name.data(), length)))
            out.push_back(node);
    }
    return true;
}

FileNode CustomFolderBuilder::build_root() const
{
    // Only the item's own folder is trimmed: names below it are taken as
    // the file system gives them.
    std::wstring folder = folder_;
    folder.push_back(L'\0');
    StrTrimW(folder.data(), L" ");
    folder.resize(wcslen(folder.c_str()));
    if (!PathFileExistsW(folder.c_str()))
        throw EngExcept::EFolderNotFound(folder);
    return FileNode(folder, true, L"", L"*.*");
}

RegNode CustomRegistryBuilder::build_root() const
{
    RegNode node;
    HKEY key;
    if (!node.set(root_, keyPath_, true, L"") ||
        RegOpenKeyExW(root_, keyPath_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        throw EngExcept::EFailedToOpenRegKey(keyPath_);
    RegCloseKey(key);
    return node;
}
