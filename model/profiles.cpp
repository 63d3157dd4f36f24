#include "profiles.h"

#include "backup_item.h"
#include "records.h"
#include "regkey.h"

#include <algorithm>
#include <cstring>

namespace {

std::wstring FitEntryName(std::wstring name)
{
    if (name.size() > kMaxEntryName)
        name.resize(kMaxEntryName);
    return name;
}

// Registry key names compare without regard to case.
bool SameKeyName(std::wstring a, std::wstring b)
{
    if (a.size() != b.size())
        return false;
    CharUpperBuffW(a.data(), static_cast<DWORD>(a.size()));
    CharUpperBuffW(b.data(), static_cast<DWORD>(b.size()));
    return a == b;
}

std::wstring ProfileKeyPath(const std::wstring& root, const std::wstring& name)
{
    return root + L"\\" + name;
}

}  // namespace

void ProfileEntry::Save(HKEY key, int index) const
{
    ProfileEntryRecord record;
    std::memset(&record, 0, sizeof record);
    const std::wstring stored = FitEntryName(name);
    std::wmemcpy(record.name, stored.c_str(), stored.size());
    record.id = id;
    record.checked = checked ? 1 : 0;
    const std::wstring valueName = std::to_wstring(index);
    RegSetValueExW(key, valueName.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(&record), sizeof record);
}

ProfileEntry MakeProfileEntry(const BackupItem* item)
{
    ProfileEntry entry;
    entry.name = FitEntryName(item->get_name());
    entry.id = item->get_id();
    return entry;
}

bool IsValidProfileName(const std::wstring& name)
{
    return !name.empty() && name.size() <= 255 && name.find(L'\\') == std::wstring::npos;
}

Profile::Profile(const std::vector<BackupItem*>& items, const std::wstring& name) : name(name)
{
    for (const BackupItem* item : items)
        entries.push_back(MakeProfileEntry(item));
}

bool Profile::IsChecked(const ProfileEntry& entry) const
{
    auto it = std::find(entries.begin(), entries.end(), entry);
    return it != entries.end() && it->checked;
}

bool Profile::LeavesOut(const ProfileEntry& entry) const
{
    auto it = std::find(entries.begin(), entries.end(), entry);
    return it != entries.end() && !it->checked;
}

bool Profile::SetChecked(const ProfileEntry& entry)
{
    auto it = std::find(entries.begin(), entries.end(), entry);
    if (it == entries.end())
        return false;
    it->checked = entry.checked;
    return true;
}

void Profile::CheckAll(bool checked)
{
    for (ProfileEntry& entry : entries)
        entry.checked = checked;
}

bool Profile::Save(const std::wstring& root) const
{
    CRegKey key;
    if (!IsValidProfileName(name) || key.Create(HKEY_CURRENT_USER, ProfileKeyPath(root, name).c_str()) != ERROR_SUCCESS)
        return false;
    for (size_t i = 0; i < entries.size(); ++i)
        entries[i].Save(key, static_cast<int>(i));
    return true;
}

bool Profile::Load(const std::wstring& root)
{
    CRegKey key;
    if (!IsValidProfileName(name) || key.Create(HKEY_CURRENT_USER, ProfileKeyPath(root, name).c_str()) != ERROR_SUCCESS)
        return false;
    entries.clear();
    for (DWORD index = 0;; ++index) {
        // Fresh buffers for every value: a short value reads as zeros past its length, never as its predecessor.
        wchar_t valueName[256];
        ProfileEntryRecord record;
        std::memset(&record, 0, sizeof record);
        DWORD nameChars = 256;
        DWORD bytes = sizeof record;
        if (RegEnumValueW(key, index, valueName, &nameChars, nullptr, nullptr, reinterpret_cast<BYTE*>(&record),
                          &bytes) != ERROR_SUCCESS)
            break;
        ProfileEntry entry;
        entry.name.assign(record.name, wcsnlen(record.name, kMaxEntryName));
        entry.id = record.id;
        entry.checked = record.checked != 0;
        entries.push_back(entry);
    }
    return true;
}

void ProfileManager::LoadAll(const std::vector<BackupItem*>& items)
{
    profiles_.clear();
    CRegKey key;
    if (key.Create(HKEY_CURRENT_USER, root_.c_str()) != ERROR_SUCCESS)
        return;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD chars = 256;
        if (key.EnumKey(index, name, &chars) != ERROR_SUCCESS)
            break;
        Profile profile(items, name);
        profile.Load(root_);
        profiles_.push_back(profile);
    }
    if (profiles_.empty()) {
        Profile profile(items, kDefaultProfileName);
        profile.CheckAll(true);
        profile.Save(root_);
        profiles_.push_back(profile);
        SetCurrent(kDefaultProfileName);
    }
}

bool ProfileManager::Find(const std::wstring& name, Profile& out) const
{
    for (const Profile& profile : profiles_) {
        if (profile.name == name) {
            out = profile;
            return true;
        }
    }
    return false;
}

bool ProfileManager::Exists(const std::wstring& name) const
{
    return std::any_of(profiles_.begin(), profiles_.end(), [&](const Profile& p) { return SameKeyName(p.name, name); });
}

bool ProfileManager::Update(const std::wstring& name, const Profile& profile)
{
    for (Profile& existing : profiles_) {
        if (existing.name == name) {
            existing = profile;
            return true;
        }
    }
    return false;
}

void ProfileManager::Add(const Profile& profile)
{
    // A name that differs from a stored one only in case would share its key: it updates only an exact match.
    if (Exists(profile.name)) {
        Update(profile.name, profile);
        return;
    }
    if (!IsValidProfileName(profile.name))
        return;
    profile.Save(root_);
    profiles_.push_back(profile);
}

void ProfileManager::Delete(const std::wstring& name)
{
    // An empty name would make the recursive delete take every profile with it.
    if (!IsValidProfileName(name))
        return;
    CRegKey key;
    if (key.Open(HKEY_CURRENT_USER, root_.c_str(), KEY_READ | KEY_WRITE) != ERROR_SUCCESS)
        return;
    key.RecurseDeleteKey(name.c_str());
    // The key went whatever the case of the name, so its profile goes too.
    auto it =
        std::find_if(profiles_.begin(), profiles_.end(), [&](const Profile& p) { return SameKeyName(p.name, name); });
    if (it != profiles_.end())
        profiles_.erase(it);
}

void ProfileManager::SetCurrent(const std::wstring& name)
{
    CRegKey key;
    if (key.Create(HKEY_CURRENT_USER, root_.c_str()) == ERROR_SUCCESS)
        key.SetStringValue(kCurrentProfileValue, name.c_str());
}

std::wstring ProfileManager::GetCurrent() const
{
    CRegKey key;
    if (key.Create(HKEY_CURRENT_USER, root_.c_str()) != ERROR_SUCCESS)
        return L"";
    wchar_t name[2048];
    ULONG chars = 2048;
    if (key.QueryStringValue(kCurrentProfileValue, name, &chars) != ERROR_SUCCESS)
        return L"";
    return name;
}
