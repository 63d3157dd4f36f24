#include "cd_burner.h"

#include <vector>

namespace {

const DWORD kChunk = 64 * 1024;

class FindHandle {
public:
    explicit FindHandle(HANDLE h) : h_(h) {}
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    ~FindHandle()
    {
        if (h_ != INVALID_HANDLE_VALUE)
            FindClose(h_);
    }
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

// Empties `folder`, as erasing a rewritable disc would. Links to other
// folders are removed, never followed.
void EraseFolder(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (find.get() == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            return;
        Fail(L"Cannot erase the disc in " + folder + L": " + ErrorText(GetLastError()));
    }
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::wstring path = folder + L"\\" + name;
        const DWORD attributes = found.dwFileAttributes;
        if (attributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        bool removed;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
                EraseFolder(path);
            removed = RemoveDirectoryW(path.c_str());
        } else {
            removed = DeleteFileW(path.c_str());
        }
        if (!removed)
            Fail(L"Cannot erase " + path + L": " + ErrorText(GetLastError()));
    } while (FindNextFileW(find.get(), &found));
}

}  // namespace

CdBurnerComponent::CdBurnerComponent()
{
    const DWORD size = GetEnvironmentVariableW(L"BRISVALE_DISC_FOLDERS", nullptr, 0);
    if (size == 0)
        return;
    std::wstring list(size, L'\0');
    list.resize(GetEnvironmentVariableW(L"BRISVALE_DISC_FOLDERS", list.data(), size));
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find(L';', start);
        if (end == std::wstring::npos)
            end = list.size();
        const std::wstring entry = list.substr(start, end - start);
        const size_t equals = entry.find(L'=');
        if (equals != std::wstring::npos && equals > 0 && equals + 1 < entry.size()) {
            std::wstring folder = entry.substr(equals + 1);
            while (folder.size() > 1 && (folder.back() == L'\\' || folder.back() == L'/'))
                folder.pop_back();
            devices_.push_back({entry.substr(0, equals), folder});
        }
        start = end + 1;
    }
}

HRESULT STDMETHODCALLTYPE CdBurnerComponent::SetDevice(BSTR device)
{
    device_ = FromBstr(device);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CdBurnerComponent::SetErase(long erase)
{
    erase_ = erase != 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CdBurnerComponent::GetDeviceCount(long* count)
{
    if (!count)
        return E_POINTER;
    *count = static_cast<long>(devices_.size());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CdBurnerComponent::GetDeviceName(long index, BSTR* name)
{
    if (!name)
        return E_POINTER;
    *name = nullptr;
    if (index < 0 || static_cast<size_t>(index) >= devices_.size())
        return E_INVALIDARG;
    const std::wstring& text = devices_[static_cast<size_t>(index)].name;
    *name = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *name ? S_OK : E_OUTOFMEMORY;
}

std::wstring CdBurnerComponent::Transfer()
{
    const Device* device = nullptr;
    for (const Device& d : devices_)
        if (!device_.empty() && d.name == device_)
            device = &d;
    if (!device)
        Fail(L"No writable CD/DVD device selected.");
    const DWORD attributes = GetFileAttributesW(device->folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        Fail(L"The device " + device->name + L" is not ready: its folder " + device->folder + L" does not exist.");
    if (targetName_.empty() || targetName_ == L"." || targetName_ == L".." ||
        targetName_.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos)
        Fail(L"The archive name \"" + targetName_ + L"\" cannot be written to a disc.");
    // Opened before any erase, so that a missing archive leaves the disc as it was.
    SourceFile source(sourcePath_);
    if (erase_) {
        SendStatus(L"Erasing the disc in " + device->name + L" ...", false);
        EraseFolder(device->folder);
    }

    // Written under a temporary name and put in place only once complete: a
    // stopped or failed write leaves an archive of the same name as it was.
    const std::wstring target = device->folder + L"\\" + targetName_;
    const std::wstring temporary = target + L".part";
    SendStatus(L"Writing " + targetName_ + L" to " + device->name + L" ...", false);
    UniqueHandle out(
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.valid())
        Fail(L"Cannot write " + temporary + L": " + ErrorText(GetLastError()));
    try {
        std::vector<char> buffer(kChunk);
        uint64_t done = 0;
        SendProgress(done, source.size());
        while (const DWORD got = source.read(buffer.data(), kChunk)) {
            CheckStop();
            DWORD written = 0;
            if (!WriteFile(out.get(), buffer.data(), got, &written, nullptr) || written != got)
                Fail(L"Cannot write " + temporary + L": " + ErrorText(GetLastError()));
            done += got;
            SendProgress(done, source.size());
        }
        if (!FlushFileBuffers(out.get()) || !CloseHandle(out.release()))
            Fail(L"Cannot write " + temporary + L": " + ErrorText(GetLastError()));
        if (!MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            Fail(L"Cannot put the archive in place as " + target + L": " + ErrorText(GetLastError()));
    } catch (...) {
        out.reset();
        DeleteFileW(temporary.c_str());
        throw;
    }
    return L"Wrote " + targetName_ + L" to " + device->name + L".";
}
