#include "default_items.h"

#include "backup_item.h"
#include "regkey.h"

#include <cwchar>

namespace {

const wchar_t kWabKey[] = L"Software\\Microsoft\\WAB\\WAB4\\Wab File Name";

void AddRegistryItem(std::vector<BackupItem*>& items, int32_t id, HKEY root, const wchar_t* key,
                     const wchar_t* description)
{
    auto* item = new RegistryBackupItem(id);
    item->set_key(root, key);
    item->set_description(description);
    items.push_back(item);
}

void AddFolderItem(std::vector<BackupItem*>& items, int32_t id, const std::wstring& folder,
                   const std::wstring& description)
{
    auto* item = new FolderBackupItem(id);
    item->set_folder(folder);
    item->set_description(description);
    items.push_back(item);
}

// The string value, or false when the key or value cannot be read or does not fit.
bool ReadString(const std::wstring& keyPath, const wchar_t* valueName, size_t chars, std::wstring& out)
{
    CRegKey key;
    if (key.Open(HKEY_CURRENT_USER, keyPath.c_str(), KEY_READ) != ERROR_SUCCESS)
        return false;
    std::wstring buffer(chars, L'\0');
    ULONG size = static_cast<ULONG>(chars);
    if (key.QueryStringValue(valueName, buffer.data(), &size) != ERROR_SUCCESS)
        return false;
    out.assign(buffer.c_str());
    return true;
}

void AddIdentityItems(std::vector<BackupItem*>& items)
{
    CRegKey identities;
    if (identities.Open(HKEY_CURRENT_USER, L"Identities", KEY_READ) != ERROR_SUCCESS)
        return;
    for (DWORD index = 0;; ++index) {
        wchar_t guid[100];
        DWORD chars = 100;
        if (identities.EnumKey(index, guid, &chars) != ERROR_SUCCESS)
            break;
        const std::wstring identityKey = std::wstring(L"Identities\\") + guid;
        std::wstring storeRoot;
        if (!ReadString(identityKey + L"\\Software\\Microsoft\\Outlook Express\\5.0", L"Store Root", 2048, storeRoot))
            continue;
        // An expansion that fails or does not fit leaves no usable folder: the identity is skipped.
        wchar_t folder[2048];
        const DWORD needed = ExpandEnvironmentStringsW(storeRoot.c_str(), folder, 2048);
        if (needed == 0 || needed > 2048)
            continue;
        std::wstring user;
        if (!ReadString(identityKey, L"Username", 200, user))
            user.clear();
        AddFolderItem(items, DefaultItemId::kIdentityStore, folder,
                      L"Outlook Express Identity " + user + L" - GUID: " + guid);
    }
}

}  // namespace

std::wstring FolderOfPath(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        return path.substr(0, slash + 1);
    if (path.size() >= 2 && path[1] == L':')
        return path.substr(0, 2);
    return L"";
}

void BuildDefaultItems(std::vector<BackupItem*>& items)
{
    AddRegistryItem(items, DefaultItemId::kIdentities, HKEY_CURRENT_USER, L"Identities",
                    L"Outlook Express Identities - Outlook Express identities settings");
    AddRegistryItem(items, DefaultItemId::kSettingsUser, HKEY_CURRENT_USER, L"Software\\Microsoft\\Outlook Express",
                    L"Outlook Express Settings - Outlook Express settings from HKEY_CURRENT_USER");
    AddRegistryItem(items, DefaultItemId::kSettingsMachine, HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Outlook Express",
                    L"Outlook Express Settings - Outlook Express settings from HKEY_LOCAL_MACHINE");
    AddRegistryItem(items, DefaultItemId::kAddressBookKey, HKEY_CURRENT_USER, kWabKey,
                    L"Windows Address Book (Registry) - Your contacts information in registry");

    std::wstring wabFile;
    if (ReadString(kWabKey, nullptr, 2048, wabFile))
        AddFolderItem(items, DefaultItemId::kAddressBookFolder, FolderOfPath(wabFile),
                      L"Windows Address Book - Your contacts information");

    AddIdentityItems(items);
}

BackupItem* MakeCustomFolderItem(const std::wstring& folder)
{
    auto* item = new FolderBackupItem(DefaultItemId::kCustomFolder);
    item->set_folder(folder);
    item->set_description(kCustomFolderPrefix + folder);
    return item;
}

bool SplitAtChar(const wchar_t* text, wchar_t ch, wchar_t* before, size_t beforeChars, wchar_t* after,
                 size_t afterChars)
{
    const wchar_t* at = wcschr(text, ch);
    if (!at || !ch)
        return false;
    const auto copy = [](wchar_t* to, size_t chars, const wchar_t* from, size_t length) {
        if (chars == 0)
            return;
        if (length > chars - 1)
            length = chars - 1;
        wmemcpy(to, from, length);
        to[length] = 0;
    };
    copy(before, beforeChars, text, static_cast<size_t>(at - text));
    copy(after, afterChars, at + 1, wcslen(at + 1));
    return true;
}
