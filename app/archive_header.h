#pragma once
// The 44-byte header at the start of every archive, with the password check, and
// the password prompt of the restore wizard.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include "dialog.h"

// The password encrypted under itself (one DES block: L, P, P bytes of cipher).
// Written passwords hold at most 11 characters, so P <= 24.
#pragma pack(push, 1)
struct PasswordCheckBlock {
    int32_t plainLength;
    int32_t paddedLength;
    uint8_t cipher[24];
};

struct ArchiveHeader {
    char magic[4];  // "rvq2", not checked when reading
    PasswordCheckBlock check;
    int32_t reserved;
    uint8_t encrypted;   // item data is DES-encrypted under the password
    uint8_t compressed;  // informative only: every item record carries its own flag
    uint8_t unused[2];
};
#pragma pack(pop)
static_assert(sizeof(PasswordCheckBlock) == 32);
static_assert(sizeof(ArchiveHeader) == 44);
static_assert(offsetof(ArchiveHeader, check) == 4);
static_assert(offsetof(ArchiveHeader, reserved) == 36);
static_assert(offsetof(ArchiveHeader, encrypted) == 40);
static_assert(offsetof(ArchiveHeader, compressed) == 41);

constexpr size_t kMaxPasswordLength = 11;

// The header of a new archive; nothing for a password longer than 11 characters.
std::optional<ArchiveHeader> BuildArchiveHeader(bool compress, bool encrypt, const std::wstring& password);
// Creates (or truncates) the archive and writes the header as its whole content.
bool WriteArchiveHeader(const wchar_t* path, const ArchiveHeader& header);
// Exactly 44 bytes from the start of the file; false for a missing or shorter file.
bool LoadArchiveHeader(const wchar_t* path, ArchiveHeader& header);
// Whether the check block decrypts to exactly this password. A block whose lengths
// cannot come from a writer (beyond the header, L > P, no terminator) never matches.
bool PasswordMatches(const ArchiveHeader& header, const std::wstring& password);

class CPasswordDialog : public CDialog {
public:
    explicit CPasswordDialog(CWnd* parent = nullptr) : CDialog(133, parent) {}
    CString password;

protected:
    void DoDataExchange(CDataExchange* dx) override;
};

// Reads the header of an archive for the restore wizard's page: asks for and checks
// the password of an encrypted one and sets the wizard's buttons (Back and Next when
// accepted, Back alone when refused). On true, the header from offset 4 holds the
// password in the thread's ANSI code page, zero-terminated (empty when not encrypted).
// The password prompt is owned by the page's window.
bool ReadArchiveHeader(CWnd* page, const wchar_t* path, ArchiveHeader& header);
// The password that ReadArchiveHeader left in the header, as UTF-16.
std::wstring StoredPassword(const ArchiveHeader& header);
