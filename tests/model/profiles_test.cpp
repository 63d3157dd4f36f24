#include <gtest/gtest.h>

#include "fake_item.h"
#include "profiles.h"
#include "records.h"
#include "regkey.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace {

// Our own root in the prefix's real registry, so program tests using the product's key do not interfere.
const wchar_t kRoot[] = L"Software\\BrisvaleTest\\Profiles";

std::wstring Key(const std::wstring& sub = L"")
{
    return sub.empty() ? kRoot : std::wstring(kRoot) + L"\\" + sub;
}

bool KeyExists(const std::wstring& path)
{
    CRegKey k;
    return k.Open(HKEY_CURRENT_USER, path.c_str(), KEY_READ) == ERROR_SUCCESS;
}

std::map<std::wstring, std::string> Values(const std::wstring& path)
{
    std::map<std::wstring, std::string> out;
    CRegKey k;
    if (k.Open(HKEY_CURRENT_USER, path.c_str(), KEY_READ) != ERROR_SUCCESS)
        return out;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD chars = 256, type = 0;
        std::string data(1024, '\0');
        DWORD bytes = static_cast<DWORD>(data.size());
        if (RegEnumValueW(k, i, name, &chars, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &bytes))
            break;
        data.resize(bytes);
        out[name] = data;
    }
    return out;
}

void SetRaw(const std::wstring& path, const wchar_t* name, const std::string& data)
{
    CRegKey k;
    ASSERT_EQ(ERROR_SUCCESS, k.Create(HKEY_CURRENT_USER, path.c_str()));
    ASSERT_EQ(ERROR_SUCCESS, k.SetBinaryValue(name, data.data(), static_cast<ULONG>(data.size())));
}

std::string Record(const std::wstring& name, int32_t id, uint8_t checked)
{
    ProfileEntryRecord r;
    std::memset(&r, 0, sizeof r);
    std::wmemcpy(r.name, name.c_str(), std::min<size_t>(name.size(), 255));
    r.id = id;
    r.checked = checked;
    return std::string(reinterpret_cast<const char*>(&r), sizeof r);
}

class ProfilesTest : public ::testing::Test {
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override
    {
        CRegKey parent;
        if (parent.Open(HKEY_CURRENT_USER, L"Software\\BrisvaleTest") == ERROR_SUCCESS)
            parent.RecurseDeleteKey(L"Profiles");
    }

    FakeItem a{L"Outlook Express Identities - Outlook Express identities settings", 0x01B35596};
    FakeItem b{L"Outlook Express Identity Main - GUID: {1}", static_cast<int32_t>(0xD5567E5Du)};
    FakeItem c{L"Outlook Express Identity Work - GUID: {2}", static_cast<int32_t>(0xD5567E5Du)};
    std::vector<BackupItem*> items{&a, &b, &c};
};

TEST_F(ProfilesTest, FirstRunCreatesDefaultWithEveryItemChecked)
{
    ProfileManager manager(kRoot);
    manager.LoadAll(items);
    ASSERT_EQ(1u, manager.GetProfiles().size());
    EXPECT_EQ(L"Default", manager.GetCurrent());
    Profile p;
    ASSERT_TRUE(manager.Find(L"Default", p));
    for (BackupItem* item : items)
        EXPECT_TRUE(p.IsChecked(MakeProfileEntry(item)));

    const auto values = Values(Key(L"Default"));
    ASSERT_EQ(3u, values.size());
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Record(items[i]->get_name(), items[i]->get_id(), 1), values.at(std::to_wstring(i)));
    }
    // Negative ids are stored as their bit pattern.
    const std::string& v1 = values.at(L"1");
    EXPECT_EQ(std::string("\x5D\x7E\x56\xD5", 4), v1.substr(512, 4));
    EXPECT_EQ(std::string(3, '\0'), v1.substr(517, 3));
}

TEST_F(ProfilesTest, SaveLoadRoundTripKeepsNegativeIdsAndChecks)
{
    Profile p(items, L"Mine");
    ProfileEntry e = MakeProfileEntry(&b);
    e.checked = true;
    EXPECT_TRUE(p.SetChecked(e));
    ASSERT_TRUE(p.Save(kRoot));

    Profile q({}, L"Mine");
    ASSERT_TRUE(q.Load(kRoot));
    ASSERT_EQ(3u, q.entries.size());
    EXPECT_FALSE(q.IsChecked(MakeProfileEntry(&a)));
    EXPECT_TRUE(q.IsChecked(MakeProfileEntry(&b)));
    // Same id, other name: its own state.
    EXPECT_FALSE(q.IsChecked(MakeProfileEntry(&c)));
    for (const ProfileEntry& entry : q.entries) {
        if (entry.name == b.get_name()) {
            EXPECT_EQ(static_cast<int32_t>(0xD5567E5Du), entry.id);
        }
    }
}

TEST_F(ProfilesTest, SetCheckedAddsNothingAndUnknownEntriesAreUnchecked)
{
    Profile p(items, L"P");
    FakeItem custom(L"Custom Folder - C:\\x", 0);
    ProfileEntry e = MakeProfileEntry(&custom);
    e.checked = true;
    EXPECT_FALSE(p.SetChecked(e));
    EXPECT_EQ(3u, p.entries.size());
    EXPECT_FALSE(p.IsChecked(e));
    // A backup leaves out only what the profile knows and leaves unchecked.
    EXPECT_FALSE(p.LeavesOut(e));
    EXPECT_TRUE(p.LeavesOut(MakeProfileEntry(&a)));
    ProfileEntry checkedB = MakeProfileEntry(&b);
    checkedB.checked = true;
    p.SetChecked(checkedB);
    EXPECT_FALSE(p.LeavesOut(MakeProfileEntry(&b)));
}

TEST_F(ProfilesTest, ShorterSaveKeepsTheStaleValues)
{
    std::vector<BackupItem*> five;
    std::vector<std::unique_ptr<FakeItem>> owned;
    for (int i = 0; i < 5; ++i) {
        owned.push_back(std::make_unique<FakeItem>(L"Item " + std::to_wstring(i) + L" - x", i));
        five.push_back(owned.back().get());
    }
    ASSERT_TRUE(Profile(five, L"Shrink").Save(kRoot));
    ASSERT_TRUE(Profile({five[0], five[1], five[2]}, L"Shrink").Save(kRoot));
    Profile loaded({}, L"Shrink");
    ASSERT_TRUE(loaded.Load(kRoot));
    EXPECT_EQ(5u, loaded.entries.size());
}

TEST_F(ProfilesTest, OversizeValueEndsLoadingAndShortValuesReadAsZeros)
{
    SetRaw(Key(L"Odd"), L"0", Record(L"First - f", 11, 1));
    SetRaw(Key(L"Odd"), L"1", Record(L"Second - s", 22, 1));
    // A short foreign value: a name without terminator and no id or check bytes.
    SetRaw(Key(L"Odd"), L"2", std::string("S\0h\0o\0r\0t\0", 10));
    SetRaw(Key(L"Odd"), L"9", std::string(600, '\x01'));  // sorts last: loading stops there
    Profile p({}, L"Odd");
    ASSERT_TRUE(p.Load(kRoot));
    std::vector<ProfileEntry> got = p.entries;
    std::sort(got.begin(), got.end(), [](const ProfileEntry& x, const ProfileEntry& y) { return x.name < y.name; });
    ASSERT_EQ(3u, got.size());
    EXPECT_EQ(L"First - f", got[0].name);
    EXPECT_EQ(L"Second - s", got[1].name);
    EXPECT_EQ(L"Short", got[2].name);
    EXPECT_EQ(0, got[2].id) << "a short value must not inherit the previous value's id";
    EXPECT_FALSE(got[2].checked);
}

TEST_F(ProfilesTest, AnUnterminatedFullLengthNameIsCut)
{
    std::string raw = Record(std::wstring(255, L'n'), 5, 1);
    raw[510] = 'n';  // fill the terminator position too
    SetRaw(Key(L"Full"), L"0", raw);
    Profile p({}, L"Full");
    ASSERT_TRUE(p.Load(kRoot));
    ASSERT_EQ(1u, p.entries.size());
    EXPECT_EQ(std::wstring(255, L'n'), p.entries[0].name);
    EXPECT_EQ(5, p.entries[0].id);
}

TEST_F(ProfilesTest, LongEntryNamesAreCutConsistentlyAndStillMatch)
{
    FakeItem longItem(L"Custom Folder - C:\\" + std::wstring(270, L'd'), 0);
    Profile p({&longItem}, L"Long");
    p.CheckAll(true);
    ASSERT_TRUE(p.Save(kRoot));
    Profile q({}, L"Long");
    ASSERT_TRUE(q.Load(kRoot));
    ASSERT_EQ(1u, q.entries.size());
    EXPECT_EQ(255u, q.entries[0].name.size());
    EXPECT_TRUE(q.IsChecked(MakeProfileEntry(&longItem)));
}

TEST_F(ProfilesTest, ManagerAddDeleteAndCurrent)
{
    ProfileManager manager(kRoot);
    manager.LoadAll(items);
    Profile work(items, L"Work");
    manager.Add(work);
    EXPECT_TRUE(manager.Exists(L"Work"));
    EXPECT_TRUE(KeyExists(Key(L"Work")));

    // Adding an existing name changes memory only.
    Profile changed({&a}, L"Work");
    manager.Add(changed);
    Profile found;
    ASSERT_TRUE(manager.Find(L"Work", found));
    EXPECT_EQ(1u, found.entries.size());
    EXPECT_EQ(3u, Values(Key(L"Work")).size());

    // A name that only differs in case would share the key: it counts as existing and changes nothing.
    EXPECT_TRUE(manager.Exists(L"WORK"));
    manager.Add(Profile({}, L"WORK"));
    ASSERT_TRUE(manager.Find(L"Work", found));
    EXPECT_EQ(1u, found.entries.size());
    EXPECT_FALSE(manager.Find(L"WORK", found));
    EXPECT_EQ(3u, Values(Key(L"Work")).size());

    manager.SetCurrent(L"Work");
    EXPECT_EQ(L"Work", manager.GetCurrent());

    // A fresh manager sees what is stored.
    ProfileManager other(kRoot);
    other.LoadAll(items);
    EXPECT_EQ(2u, other.GetProfiles().size());
    ASSERT_TRUE(other.Find(L"Work", found));
    EXPECT_EQ(3u, found.entries.size());

    manager.Delete(L"Work");
    EXPECT_FALSE(manager.Exists(L"Work"));
    EXPECT_FALSE(KeyExists(Key(L"Work")));
    EXPECT_TRUE(KeyExists(Key(L"Default")));

    Profile untouched;
    untouched.name = L"before";
    EXPECT_FALSE(manager.Find(L"Work", untouched));
    EXPECT_EQ(L"before", untouched.name);
}

TEST_F(ProfilesTest, UpdateRenamesInMemoryOnly)
{
    ProfileManager manager(kRoot);
    manager.LoadAll(items);
    manager.Add(Profile(items, L"Old"));
    EXPECT_TRUE(manager.Update(L"Old", Profile({&a}, L"New")));
    EXPECT_FALSE(manager.Exists(L"Old"));
    Profile found;
    ASSERT_TRUE(manager.Find(L"New", found));
    EXPECT_EQ(1u, found.entries.size());
    EXPECT_TRUE(KeyExists(Key(L"Old")));
    EXPECT_FALSE(KeyExists(Key(L"New")));
    EXPECT_FALSE(manager.Update(L"Missing", found));
}

TEST_F(ProfilesTest, DeleteOfANameWithoutKeyStillDropsTheListEntry)
{
    ProfileManager manager(kRoot);
    manager.LoadAll(items);
    manager.Add(Profile(items, L"Gone"));
    CRegKey root;
    ASSERT_EQ(ERROR_SUCCESS, root.Open(HKEY_CURRENT_USER, kRoot));
    ASSERT_EQ(ERROR_SUCCESS, root.RecurseDeleteKey(L"Gone"));
    manager.Delete(L"Gone");
    EXPECT_FALSE(manager.Exists(L"Gone"));
}

TEST_F(ProfilesTest, DeleteInAnotherCaseDropsTheProfileWhoseKeyWent)
{
    ProfileManager manager(kRoot);
    manager.LoadAll(items);
    manager.Add(Profile(items, L"Work"));
    manager.Delete(L"WORK");
    EXPECT_FALSE(KeyExists(Key(L"Work")));
    EXPECT_FALSE(manager.Exists(L"Work"));
    EXPECT_TRUE(manager.Exists(L"Default"));
}

TEST_F(ProfilesTest, NamesThatCannotBeAKeyAreRefused)
{
    ProfileManager manager(kRoot);
    manager.LoadAll(items);
    for (const std::wstring& bad : {std::wstring(), std::wstring(L"a\\b"), std::wstring(256, L'x')}) {
        SCOPED_TRACE(testing::Message() << bad.size());
        EXPECT_FALSE(IsValidProfileName(bad));
        manager.Add(Profile(items, bad));
        EXPECT_FALSE(manager.Exists(bad));
        manager.Delete(bad);
        EXPECT_FALSE(Profile(items, bad).Save(kRoot));
    }
    // Delete("") must never take every profile with it.
    EXPECT_TRUE(KeyExists(Key(L"Default")));
    EXPECT_FALSE(KeyExists(Key(L"a")));
    EXPECT_TRUE(IsValidProfileName(std::wstring(255, L'x')));
}

TEST_F(ProfilesTest, CurrentIsEmptyWhenNothingIsStored)
{
    ProfileManager manager(kRoot);
    EXPECT_EQ(L"", manager.GetCurrent());
}

}  // namespace
