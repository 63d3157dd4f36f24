#pragma once
// The mail client's backup items: its registry keys, the address-book folder and one store folder per identity.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class BackupItem;

namespace DefaultItemId {
inline constexpr int32_t kIdentities = 0x01B35596;
inline constexpr int32_t kSettingsUser = static_cast<int32_t>(0xDA60FD6Fu);
inline constexpr int32_t kSettingsMachine = static_cast<int32_t>(0x8B58CAA6u);
inline constexpr int32_t kAddressBookKey = 0x0AC8C16C;
inline constexpr int32_t kAddressBookFolder = static_cast<int32_t>(0xB7D2EF56u);
inline constexpr int32_t kIdentityStore = static_cast<int32_t>(0xD5567E5Du);
inline constexpr int32_t kCustomFolder = 0;
}  // namespace DefaultItemId

inline constexpr wchar_t kCustomFolderPrefix[] = L"Custom Folder - ";

// Appends the default items (created with new; the caller owns them). Keys or values that cannot be read leave
// out the items that depend on them, silently.
void BuildDefaultItems(std::vector<BackupItem*>& items);

// A folder the user added: id 0, described by its path.
BackupItem* MakeCustomFolderItem(const std::wstring& folder);

// The folder of a file path, drive included and ending in a separator: "C:\a\b.wab" gives "C:\a\". Any length.
std::wstring FolderOfPath(const std::wstring& path);

// Splits text at the first ch: before gets what stands ahead of it, after what follows, blanks kept, each cut to
// its buffer and terminated. When ch does not occur both buffers are left as they were and the result is false.
bool SplitAtChar(const wchar_t* text, wchar_t ch, wchar_t* before, size_t beforeChars, wchar_t* after,
                 size_t afterChars);

template <size_t B, size_t A>
bool SplitAtChar(const wchar_t* text, wchar_t ch, wchar_t (&before)[B], wchar_t (&after)[A])
{
    return SplitAtChar(text, ch, before, B, after, A);
}
