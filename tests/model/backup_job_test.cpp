#include <gtest/gtest.h>

#include "backup_job.h"
#include "fake_item.h"
#include "records.h"

#include <cstring>
#include <memory>

namespace {

BackupJob FilledJob(FakeItem& a, FakeItem& b)
{
    BackupJob job;
    EXPECT_TRUE(job.SetArchivePath(L"C:\\backups\\one.bvk2"));
    job.compress = true;
    job.passwordProtected = true;
    EXPECT_TRUE(job.SetPassword(L"pw"));
    job.transfer = true;
    job.mediaType = 2;
    _PreferenceCDDVD block = {};
    wcscpy(block.device, L"Writer");
    job.SetMediaPreference(&block, sizeof block);
    job.AddItem(&a);
    job.AddItem(&b);
    return job;
}

TEST(BackupJobTest, NewJobIsEmptyAndZero)
{
    BackupJob job;
    EXPECT_STREQ(L"", job.archivePath);
    EXPECT_FALSE(job.compress || job.passwordProtected || job.transfer);
    EXPECT_EQ(0, job.mediaType);
    EXPECT_EQ(nullptr, job.GetMediaPreference());
    EXPECT_EQ(0, job.GetMediaPreferenceSize());
    EXPECT_TRUE(job.GetItems().empty());
}

TEST(BackupJobTest, AddItemKeepsTheNameAsItWasWhenAdded)
{
    FakeItem item(L"Title - text", 7);
    BackupJob job;
    job.AddItem(&item);
    item.rename(L"Changed - later");
    ASSERT_EQ(1u, job.GetItems().size());
    const BackupJobItem* entry = job.GetItems()[0];
    EXPECT_STREQ(L"Title - text", entry->name);
    EXPECT_EQ(2 * 12 + 2, entry->nameSize);
    EXPECT_EQ(&item, entry->item);
}

TEST(BackupJobTest, AssignmentDeepCopiesAndBothJobsDieCleanly)
{
    bool aGone = false, bGone = false;
    auto a = std::make_unique<FakeItem>(L"A - a", 1, &aGone);
    auto b = std::make_unique<FakeItem>(L"B - b", 2, &bGone);
    {
        BackupJob target;
        FakeItem stale(L"Stale - s", 3);
        target.AddItem(&stale);  // replaced by the assignment
        {
            BackupJob source = FilledJob(*a, *b);
            target = source;
            ASSERT_EQ(2u, target.GetItems().size());
            for (size_t i = 0; i < 2; ++i) {
                EXPECT_NE(source.GetItems()[i], target.GetItems()[i]);
                EXPECT_NE(source.GetItems()[i]->name, target.GetItems()[i]->name);
                EXPECT_EQ(source.GetItems()[i]->item, target.GetItems()[i]->item);
            }
            EXPECT_NE(source.GetMediaPreference(), target.GetMediaPreference());
        }  // the source goes first; the target's copies must stay valid
        EXPECT_STREQ(L"C:\\backups\\one.bvk2", target.archivePath);
        EXPECT_TRUE(target.compress && target.passwordProtected && target.transfer);
        EXPECT_STREQ(L"pw", target.password);
        EXPECT_EQ(2, target.mediaType);
        EXPECT_STREQ(L"A - a", target.GetItems()[0]->name);
        EXPECT_STREQ(L"B - b", target.GetItems()[1]->name);
        ASSERT_EQ(402, target.GetMediaPreferenceSize());
        EXPECT_STREQ(L"Writer", static_cast<const _PreferenceCDDVD*>(target.GetMediaPreference())->device);

        BackupJob copy(target);
        EXPECT_EQ(2u, copy.GetItems().size());
        EXPECT_NE(copy.GetItems()[0], target.GetItems()[0]);
    }
    EXPECT_FALSE(aGone) << "a job never deletes its items";
    EXPECT_FALSE(bGone);
}

TEST(BackupJobTest, SelfAssignmentChangesNothing)
{
    FakeItem a(L"A - a", 1), b(L"B - b", 2);
    BackupJob job = FilledJob(a, b);
    const void* block = job.GetMediaPreference();
    const BackupJobItem* first = job.GetItems()[0];
    BackupJob& same = job;
    job = same;
    EXPECT_EQ(block, job.GetMediaPreference());
    EXPECT_EQ(first, job.GetItems()[0]);
    EXPECT_STREQ(L"A - a", job.GetItems()[0]->name);
    EXPECT_EQ(2, job.mediaType);
}

TEST(BackupJobTest, AssigningAJobWithoutPreferenceDropsTheCopy)
{
    FakeItem a(L"A - a", 1), b(L"B - b", 2);
    BackupJob job = FilledJob(a, b);
    job = BackupJob();
    EXPECT_EQ(nullptr, job.GetMediaPreference());
    EXPECT_EQ(0, job.GetMediaPreferenceSize());
    EXPECT_TRUE(job.GetItems().empty());
}

TEST(BackupJobTest, SettingThePreferenceFromItsOwnCopyIsSafe)
{
    BackupJob job;
    _PreferenceFTP ftp = {};
    wcscpy(ftp.host, L"host");
    ftp.port = 21;
    job.SetMediaPreference(&ftp, sizeof ftp);
    job.SetMediaPreference(job.GetMediaPreference(), job.GetMediaPreferenceSize());
    ASSERT_EQ(4704, job.GetMediaPreferenceSize());
    EXPECT_EQ(0, std::memcmp(&ftp, job.GetMediaPreference(), sizeof ftp));
    job.SetMediaPreference(nullptr, 0);
    EXPECT_EQ(nullptr, job.GetMediaPreference());
}

TEST(BackupJobTest, TextSettersRefuseWhatDoesNotFit)
{
    BackupJob job;
    EXPECT_TRUE(job.SetPassword(std::wstring(99, L'p')));
    EXPECT_FALSE(job.SetPassword(std::wstring(100, L'q')));
    EXPECT_EQ(std::wstring(99, L'p'), job.password);
    EXPECT_TRUE(job.SetArchivePath(std::wstring(2047, L'a')));
    EXPECT_FALSE(job.SetArchivePath(std::wstring(2048, L'b')));
    EXPECT_EQ(2047u, wcslen(job.archivePath));
}

}  // namespace
