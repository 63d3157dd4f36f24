#include "archive_header.h"
#include <cstring>
#include <vector>
#include "processors.h"
#include "res/resource.h"

std::optional<ArchiveHeader> BuildArchiveHeader(bool compress, bool encrypt, const std::wstring& password)
{
    ArchiveHeader h = {};
    std::memcpy(h.magic, "rvq2", 4);
    h.encrypted = encrypt ? 1 : 0;
    h.compressed = compress ? 1 : 0;
    if (encrypt) {
        if (password.size() > kMaxPasswordLength)
            return std::nullopt;
        DESEncryptor des(password);
        int32_t n = des.process(password.c_str(), int32_t((password.size() + 1) * sizeof(wchar_t)));
        std::memcpy(&h.check, des.output_data(), size_t(n));
    }
    return h;
}

bool WriteArchiveHeader(const wchar_t* path, const ArchiveHeader& header)
{
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(f, &header, sizeof header, &written, nullptr) && written == sizeof header;
    return CloseHandle(f) && ok;
}

bool LoadArchiveHeader(const wchar_t* path, ArchiveHeader& header)
{
    HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    DWORD got = 0;
    bool ok = ReadFile(f, &header, sizeof header, &got, nullptr) && got == sizeof header;
    CloseHandle(f);
    return ok;
}

bool PasswordMatches(const ArchiveHeader& header, const std::wstring& password)
{
    // The block starts at offset 4; nothing beyond byte 43 may be read.
    constexpr int32_t kRoom = int32_t(sizeof(ArchiveHeader) - offsetof(ArchiveHeader, check));
    const int32_t L = header.check.plainLength, P = header.check.paddedLength;
    if (L < 2 || L % 2 != 0 || L > P || P % 8 != 0 || 8 + P > kRoom)
        return false;
    DESDecryptor des(password);
    des.process(&header.check, 8 + P);
    if (des.failed() || des.output_size() != L)
        return false;
    std::wstring plain(size_t(L) / 2, L'\0');
    std::memcpy(plain.data(), des.output_data(), size_t(L));
    size_t end = plain.find(L'\0');
    return end != std::wstring::npos && plain.compare(0, end, password) == 0 && end == password.size();
}

void CPasswordDialog::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_PASSWORD, password);
}

namespace {

// The password's ANSI form over header bytes 4..43, cut at a character boundary so
// that it and its terminator stay inside the header.
void StorePassword(ArchiveHeader& header, const std::wstring& password)
{
    char* out = reinterpret_cast<char*>(&header.check);
    const int room = int(sizeof(ArchiveHeader) - offsetof(ArchiveHeader, check)) - 1;
    int n = 0;
    for (size_t k = password.size(); k > 0; --k) {
        n = WideCharToMultiByte(CP_THREAD_ACP, 0, password.c_str(), int(k), nullptr, 0, nullptr, nullptr);
        if (n <= room) {
            WideCharToMultiByte(CP_THREAD_ACP, 0, password.c_str(), int(k), out, n, nullptr, nullptr);
            break;
        }
        n = 0;
    }
    out[n] = 0;
}

}  // namespace

bool ReadArchiveHeader(CWnd* page, const wchar_t* path, ArchiveHeader& header)
{
    if (!LoadArchiveHeader(path, header))
        return false;
    if (header.encrypted == 0) {
        StorePassword(header, L"");
        return true;
    }
    HWND sheet = page->GetParent();
    CPasswordDialog dialog(page);
    if (dialog.DoModal() == IDOK && PasswordMatches(header, dialog.password)) {
        StorePassword(header, dialog.password);
        ::PostMessageW(sheet, PSM_SETWIZBUTTONS, 0, PSWIZB_BACK | PSWIZB_NEXT);
        return true;
    }
    ::PostMessageW(sheet, PSM_SETWIZBUTTONS, 0, PSWIZB_BACK);
    page->MessageBox(L"The password you have entered is wrong, please click \"Back\" button and try again!", L"Error",
                     MB_ICONERROR);
    return false;
}

std::wstring StoredPassword(const ArchiveHeader& header)
{
    const char* text = reinterpret_cast<const char*>(&header.check);
    const int room = int(sizeof(ArchiveHeader) - offsetof(ArchiveHeader, check));
    const int n = int(strnlen(text, size_t(room)));
    std::wstring password(size_t(n), L'\0');
    const int got = MultiByteToWideChar(CP_THREAD_ACP, 0, text, n, password.data(), n);
    password.resize(size_t(got > 0 ? got : 0));
    return password;
}
