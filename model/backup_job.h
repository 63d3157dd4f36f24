#pragma once
// One backup run: where the archive goes, how it is processed, the chosen items and the transfer medium.
#include <cstdint>
#include <string>
#include <vector>

class BackupItem;

// One chosen item: a snapshot of its name and the item itself (not owned; the main frame owns items).
struct BackupJobItem {
    explicit BackupJobItem(BackupItem* source);
    BackupJobItem(const BackupJobItem& other);
    BackupJobItem& operator=(const BackupJobItem&) = delete;
    ~BackupJobItem();

    int32_t nameSize;  // bytes of name, terminator included
    wchar_t* name;     // owned
    BackupItem* item;
};

class BackupJob {
public:
    BackupJob();
    // Copies own their entries and their preference copy: nothing is ever shared between two jobs.
    BackupJob(const BackupJob& other);
    BackupJob& operator=(const BackupJob& other);
    ~BackupJob();

    // Bounded setters for the text fields: false, and nothing changed, when the text does not fit.
    bool SetArchivePath(const std::wstring& path);
    bool SetPassword(const std::wstring& password);

    // Keeps a copy of the medium's preference block; a null block or size 0 means none. Safe on its own block.
    void SetMediaPreference(const void* block, int32_t size);
    const void* GetMediaPreference() const { return mediaPreference_; }
    int32_t GetMediaPreferenceSize() const { return mediaPreferenceSize_; }

    const std::vector<BackupJobItem*>& GetItems() const { return items_; }
    // Takes a copy of the item's name as it is now.
    void AddItem(BackupItem* item);

    wchar_t archivePath[2048];
    bool compress;
    bool passwordProtected;
    wchar_t password[100];  // at most 99 characters
    bool transfer;
    int32_t mediaType;  // 0 none, 1 FTP, 2 CD/DVD: the copier factory ids

private:
    void CopySettings(const BackupJob& other);
    void CopyItems(const BackupJob& other);
    void FreeItems();

    std::vector<BackupJobItem*> items_;
    uint8_t* mediaPreference_ = nullptr;
    int32_t mediaPreferenceSize_ = 0;
};
