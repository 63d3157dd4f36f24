#include <gtest/gtest.h>

#include "backup_item.h"
#include "default_items.h"
#include "eng_except.h"
#include "oe_fixture.h"
#include "regkey.h"
#include "test_files.h"

#include <algorithm>
#include <memory>

namespace {

const wchar_t kGuidA[] = L"{6B3C1F0E-2A4D-4E8B-9C11-5D0F2E7A9B31}";
const wchar_t kGuidB[] = L"{A0F47C22-81D3-4B6E-B5A9-3E2C90D41F87}";

std::wstring StoreOf(const std::wstring& guid)
{
    return expand(L"%USERPROFILE%\\Local Settings\\Application Data\\Identities\\") + guid +
           L"\\Microsoft\\Outlook Express";
}

std::wstring IdentityKey(const std::wstring& guid, const wchar_t* sub = L"")
{
    return L"Identities\\" + guid + sub;
}

const wchar_t k50[] = L"\\Software\\Microsoft\\Outlook Express\\5.0";

void SetValue(const std::wstring& key, const wchar_t* name, DWORD type, const std::wstring& text,
              bool terminated = true)
{
    CRegKey k;
    ASSERT_EQ(ERROR_SUCCESS, k.Create(HKEY_CURRENT_USER, key.c_str()));
    const DWORD bytes = static_cast<DWORD>((text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(k, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()), bytes));
}

void DeleteValue(const std::wstring& key, const wchar_t* name)
{
    CRegKey k;
    ASSERT_EQ(ERROR_SUCCESS, k.Open(HKEY_CURRENT_USER, key.c_str()));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueW(k, name));
}

struct Items {
    Items() { BuildDefaultItems(list); }
    ~Items()
    {
        for (BackupItem* item : list)
            delete item;
    }
    std::vector<BackupItem*> list;

    // The identity items' descriptions and folders, sorted (the registry's enumeration order is its own).
    // Folders must exist: the root is built as a backup would build it.
    std::vector<std::pair<std::wstring, std::wstring>> Identities() const
    {
        std::vector<std::pair<std::wstring, std::wstring>> out;
        for (BackupItem* item : list)
            if (item->get_id() == DefaultItemId::kIdentityStore)
                out.emplace_back(item->get_name(), dynamic_cast<FolderBackupItem*>(item)->build_root().path());
        std::sort(out.begin(), out.end());
        return out;
    }
    const BackupItem* WithId(int32_t id) const
    {
        for (BackupItem* item : list)
            if (item->get_id() == id)
                return item;
        return nullptr;
    }
};

class DefaultItemsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        inst = oe_fixture::Load(oe_fixture::DefaultFolder());
        oe_fixture::Remove(inst);
        oe_fixture::Install(inst);
        ASSERT_TRUE(oe_fixture::Verify(inst).empty());
    }
    void TearDown() override { oe_fixture::Remove(inst); }

    uint64_t RegistryBytes(HKEY root, const std::wstring& key) const
    {
        return oe_fixture::RegistryBytes(inst, root, key);
    }
    uint64_t FolderBytes(const std::wstring& folder) const { return oe_fixture::FolderBytes(inst, folder); }

    oe_fixture::Installation inst;
};

TEST_F(DefaultItemsTest, InstallationGivesEveryItemWithItsSourceAndSize)
{
    Items items;
    ASSERT_EQ(7u, items.list.size());
    struct Reg {
        int32_t id;
        HKEY root;
        const wchar_t* key;
        const wchar_t* name;
    } regs[] = {
        {0x01B35596, HKEY_CURRENT_USER, L"Identities",
         L"Outlook Express Identities - Outlook Express identities settings"},
        {static_cast<int32_t>(0xDA60FD6Fu), HKEY_CURRENT_USER, L"Software\\Microsoft\\Outlook Express",
         L"Outlook Express Settings - Outlook Express settings from HKEY_CURRENT_USER"},
        {static_cast<int32_t>(0x8B58CAA6u), HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Outlook Express",
         L"Outlook Express Settings - Outlook Express settings from HKEY_LOCAL_MACHINE"},
        {0x0AC8C16C, HKEY_CURRENT_USER, L"Software\\Microsoft\\WAB\\WAB4\\Wab File Name",
         L"Windows Address Book (Registry) - Your contacts information in registry"},
    };
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        BackupItem* item = items.list[i];
        EXPECT_EQ(regs[i].id, item->get_id());
        EXPECT_EQ(regs[i].name, item->get_name());
        EXPECT_EQ(1, item->get_kind());
        const RegNode root = dynamic_cast<RegistryBackupItem*>(item)->build_root();
        EXPECT_EQ(regs[i].root, root.root());
        EXPECT_STREQ(regs[i].key, root.key_path());
        EXPECT_EQ(RegistryBytes(regs[i].root, regs[i].key), item->get_size());
    }

    BackupItem* wab = items.list[4];
    EXPECT_EQ(static_cast<int32_t>(0xB7D2EF56u), wab->get_id());
    EXPECT_EQ(L"Windows Address Book - Your contacts information", wab->get_name());
    EXPECT_EQ(2, wab->get_kind());
    EXPECT_EQ(expand(L"%APPDATA%\\Microsoft\\Address Book\\"),
              dynamic_cast<FolderBackupItem*>(wab)->build_root().path());
    EXPECT_EQ(70000u, wab->get_size());

    const auto ids = items.Identities();
    ASSERT_EQ(2u, ids.size());
    EXPECT_EQ(std::wstring(L"Outlook Express Identity Main Identity - GUID: ") + kGuidA, ids[0].first);
    EXPECT_EQ(StoreOf(kGuidA), ids[0].second);
    EXPECT_EQ(std::wstring(L"Outlook Express Identity Work - GUID: ") + kGuidB, ids[1].first);
    EXPECT_EQ(StoreOf(kGuidB), ids[1].second);
    for (size_t i = 5; i < 7; ++i) {
        EXPECT_EQ(2, items.list[i]->get_kind());
        const std::wstring folder = dynamic_cast<FolderBackupItem*>(items.list[i])->build_root().path();
        EXPECT_EQ(FolderBytes(folder), items.list[i]->get_size());
        EXPECT_GT(items.list[i]->get_size(), 0u);
    }
}

TEST_F(DefaultItemsTest, WithoutTheMailClientOnlyTheRegistryItemsRemain)
{
    oe_fixture::Remove(inst);
    Items items;
    ASSERT_EQ(4u, items.list.size());
    for (BackupItem* item : items.list)
        EXPECT_EQ(1, item->get_kind());
    EXPECT_THROW(items.list[0]->get_size(), EngExcept::EFailedToOpenRegKey);
}

TEST_F(DefaultItemsTest, IdentityCases)
{
    const std::wstring big(1500, L'b');
    SetEnvironmentVariableW(L"BRISVALE_BIG", big.c_str());
    struct Case {
        const char* what;
        void (*change)();
        std::vector<std::pair<std::wstring, std::wstring>> want;
    };
    const std::wstring nameA = std::wstring(L"Outlook Express Identity Main Identity - GUID: ") + kGuidA;
    const std::wstring nameB = std::wstring(L"Outlook Express Identity Work - GUID: ") + kGuidB;
    const Case cases[] = {
        {"an identity without a store root is left out, the others stay",
         [] {
             SetValue(IdentityKey(L"{0D5E8A9B-7C3F-4B21-8E6D-1A2B3C4D5E6F}"), L"Username", REG_SZ, L"Broken");
             SetValue(IdentityKey(L"{0D5E8A9B-7C3F-4B21-8E6D-1A2B3C4D5E6F}", k50), L"ConvertedToDBX", REG_SZ, L"1");
             DeleteValue(IdentityKey(kGuidA, k50), L"Store Root");
         },
         {{nameB, StoreOf(kGuidB)}}},
        {"no user name gives two blanks",
         [] { DeleteValue(IdentityKey(kGuidB), L"Username"); },
         {{nameA, StoreOf(kGuidA)}, {std::wstring(L"Outlook Express Identity  - GUID: ") + kGuidB, StoreOf(kGuidB)}}},
        {"a plain REG_SZ store root without terminator",
         [] {
             SetValue(IdentityKey(kGuidB, k50), L"Store Root", REG_SZ, L"C:\\BrisvaleStoreWork", false);
             CreateDirectoryW(L"C:\\BrisvaleStoreWork", nullptr);
         },
         {{nameA, StoreOf(kGuidA)}, {nameB, L"C:\\BrisvaleStoreWork"}}},
        {"an expansion longer than the buffer skips the identity",
         [] {
             SetValue(IdentityKey(kGuidB, k50), L"Store Root", REG_EXPAND_SZ, L"C:\\%BRISVALE_BIG%\\%BRISVALE_BIG%");
         },
         {{nameA, StoreOf(kGuidA)}}},
        {"a user name longer than its buffer reads as empty",
         [] { SetValue(IdentityKey(kGuidB), L"Username", REG_SZ, std::wstring(250, L'u')); },
         {{nameA, StoreOf(kGuidA)}, {std::wstring(L"Outlook Express Identity  - GUID: ") + kGuidB, StoreOf(kGuidB)}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        oe_fixture::Remove(inst);
        oe_fixture::Install(inst);
        c.change();
        Items items;
        auto want = c.want;
        std::sort(want.begin(), want.end());
        EXPECT_EQ(want, items.Identities());
    }
    SetEnvironmentVariableW(L"BRISVALE_BIG", nullptr);
    RemoveDirectoryW(L"C:\\BrisvaleStoreWork");
}

TEST_F(DefaultItemsTest, AddressBookFolderCases)
{
    const std::wstring wabKey = L"Software\\Microsoft\\WAB\\WAB4\\Wab File Name";
    const std::wstring longFolder = L"C:\\" + std::wstring(300, L'f') + L"\\";
    struct Case {
        const char* what;
        std::wstring value;
        bool item;
        std::wstring folder;
    } cases[] = {
        {"a folder longer than 255 characters", longFolder + L"user.wab", true, longFolder},
        {"no folder part", L"x.wab", true, L""},
        {"forward slashes", L"D:/books/user.wab", true, L"D:/books/"},
        {"drive only", L"C:user.wab", true, L"C:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetValue(wabKey, nullptr, REG_SZ, c.value);
        Items items;
        const BackupItem* wab = items.WithId(DefaultItemId::kAddressBookFolder);
        ASSERT_EQ(c.item, wab != nullptr);
        EXPECT_EQ(c.folder, FolderOfPath(c.value));
    }
    DeleteValue(wabKey, nullptr);
    Items without;
    EXPECT_EQ(nullptr, without.WithId(DefaultItemId::kAddressBookFolder));
    EXPECT_EQ(6u, without.list.size());
}

TEST(SplitAtCharTest, SplitsAtTheFirstCharacterOnly)
{
    struct Case {
        const wchar_t* text;
        bool found;
        const wchar_t* before;
        const wchar_t* after;
    } cases[] = {
        {L"Custom Folder - C:\\a-b", true, L"Custom Folder ", L" C:\\a-b"},
        {L"Windows Address Book - Your contacts information", true, L"Windows Address Book ",
         L" Your contacts information"},
        {L"-", true, L"", L""},
        {L"no dash here", false, L"old", L"old"},
        {L"", false, L"old", L"old"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.found);
        wchar_t before[64] = L"old", after[64] = L"old";
        EXPECT_EQ(c.found, SplitAtChar(c.text, L'-', before, after));
        EXPECT_STREQ(c.before, before);
        EXPECT_STREQ(c.after, after);
    }
}

TEST(SplitAtCharTest, OutputsAreCutToTheirBuffers)
{
    wchar_t before[5], after[3];
    EXPECT_TRUE(SplitAtChar(L"abcdefgh-ijklmn", L'-', before, after));
    EXPECT_STREQ(L"abcd", before);
    EXPECT_STREQ(L"ij", after);
}

TEST(CustomFolderTest, ItemIsDescribedByItsPath)
{
    std::unique_ptr<BackupItem> item(MakeCustomFolderItem(L"C:\\Mail-Archive"));
    EXPECT_EQ(0, item->get_id());
    EXPECT_EQ(2, item->get_kind());
    EXPECT_EQ(L"Custom Folder - C:\\Mail-Archive", item->get_name());
}

}  // namespace
