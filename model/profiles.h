#pragma once
// Profiles: named selections of backup items, kept under HKEY_CURRENT_USER.
#include <cstdint>
#include <string>
#include <vector>
#include <windows.h>

class BackupItem;

inline constexpr wchar_t kProfilesRoot[] = L"Software\\Brisvale 2.9e\\Profiles";
inline constexpr wchar_t kDefaultProfileName[] = L"Default";
// The root's value naming the current profile.
inline constexpr wchar_t kCurrentProfileValue[] = L"Default";

// Entry names are cut to what a stored entry holds, whenever an entry is made or saved, so an item still matches
// its stored entry after a round trip.
inline constexpr size_t kMaxEntryName = 255;

struct ProfileEntry {
    std::wstring name;
    int32_t id = 0;
    bool checked = false;

    // Name (case-sensitive) and id; checked takes no part.
    bool operator==(const ProfileEntry& other) const { return name == other.name && id == other.id; }
    // Writes the 520-byte value named by index in decimal; failures are silent.
    void Save(HKEY key, int index) const;
};

ProfileEntry MakeProfileEntry(const BackupItem* item);

// A profile name must be a single registry key name: not empty, at most 255 characters, no backslash. Names
// that fail are refused everywhere (Add, Save, Load and Delete do nothing with them); the name dialog checks first.
bool IsValidProfileName(const std::wstring& name);

class Profile {
public:
    Profile() = default;
    // One unchecked entry per item, in order.
    Profile(const std::vector<BackupItem*>& items, const std::wstring& name);

    bool IsChecked(const ProfileEntry& entry) const;
    // The profile has the item's entry and leaves it unchecked. An item it has no entry for (a folder added
    // after the profile was saved) is not left out.
    bool LeavesOut(const ProfileEntry& entry) const;
    // Copies entry.checked into the first equal entry; adds nothing when there is none.
    bool SetChecked(const ProfileEntry& entry);
    void CheckAll(bool checked);
    // Writes every entry under root\name; values left from a longer earlier save stay.
    bool Save(const std::wstring& root) const;
    // Replaces the entries with the stored ones; false (entries kept) when the key cannot be opened or made.
    bool Load(const std::wstring& root);
    const std::wstring& GetName() const { return name; }

    std::vector<ProfileEntry> entries;
    std::wstring name;
};

class ProfileManager {
public:
    explicit ProfileManager(std::wstring root = kProfilesRoot) : root_(std::move(root)) {}

    // Reads every stored profile; with none stored, makes "Default" with every item checked and makes it current.
    void LoadAll(const std::vector<BackupItem*>& items);
    // Case-sensitive.
    bool Find(const std::wstring& name, Profile& out) const;
    // Ignores case, as the registry's key names do, so a name that would share another profile's key counts.
    bool Exists(const std::wstring& name) const;
    // In memory only.
    bool Update(const std::wstring& name, const Profile& profile);
    // An existing name is updated in memory without a registry write (a name differing only in case changes
    // nothing); a new one is saved and appended.
    void Add(const Profile& profile);
    // Removes the profile's key and its list entry, when the root key opens; like Exists, it ignores case.
    void Delete(const std::wstring& name);
    void SetCurrent(const std::wstring& name);
    // "" when nothing is stored.
    std::wstring GetCurrent() const;

    const std::vector<Profile>& GetProfiles() const { return profiles_; }

private:
    std::wstring root_;
    std::vector<Profile> profiles_;
};
