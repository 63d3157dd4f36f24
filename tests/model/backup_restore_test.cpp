// The whole mail installation backed up through the default items and restored into a prefix that no longer
// holds it: every file and registry value must come back exactly.
#include <gtest/gtest.h>

#include "backup_item.h"
#include "data_restore.h"
#include "default_items.h"
#include "oe_fixture.h"

#include <memory>

namespace {

std::wstring TempArchive()
{
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + L"brisvale_model_roundtrip.bvk2";
}

void WriteHeader(const std::wstring& path)
{
    // The reader passes over the 44 header bytes; their content is the program's business.
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    const char header[44] = {};
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(h, header, sizeof header, &done, nullptr));
    CloseHandle(h);
}

TEST(BackupRestoreTest, DefaultItemsRestoreTheInstallationExactly)
{
    const oe_fixture::Installation inst = oe_fixture::Load(oe_fixture::DefaultFolder());
    oe_fixture::Remove(inst);
    oe_fixture::Install(inst);

    const std::wstring archive = TempArchive();
    WriteHeader(archive);
    std::vector<std::unique_ptr<BackupItem>> items;
    {
        std::vector<BackupItem*> raw;
        BuildDefaultItems(raw);
        for (BackupItem* item : raw)
            items.emplace_back(item);
    }
    ASSERT_EQ(7u, items.size());
    uint64_t stored = 0, expected = 0;
    for (const auto& item : items)
        stored += item->backup(archive, nullptr, true, true, L"Secret-42");
    for (const auto& v : inst.values)
        expected += v.data.size();
    for (const auto& f : inst.files)
        expected += f.size;
    EXPECT_EQ(expected, stored);

    oe_fixture::Remove(inst);
    ASSERT_EQ(inst.values.size() + inst.files.size(), oe_fixture::Verify(inst).size()) << "not clean before restore";

    DataRestore<WriterFactories> restore(archive, 44, nullptr, L"Secret-42");
    EXPECT_EQ(expected, restore.run());
    for (const std::wstring& problem : oe_fixture::Verify(inst))
        ADD_FAILURE() << std::string(problem.begin(), problem.end());

    oe_fixture::Remove(inst);
    DeleteFileW(archive.c_str());
}

}  // namespace
