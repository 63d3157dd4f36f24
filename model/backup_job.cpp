#include "backup_job.h"

#include "backup_item.h"

#include <cstring>
#include <cwchar>

namespace {

wchar_t* CopyName(const wchar_t* text, size_t length)
{
    wchar_t* copy = new wchar_t[length + 1];
    std::wmemcpy(copy, text, length);
    copy[length] = 0;
    return copy;
}

template <size_t N>
bool SetText(wchar_t (&field)[N], const std::wstring& text)
{
    if (text.size() >= N || text.find(L'\0') != std::wstring::npos)
        return false;
    std::wmemcpy(field, text.c_str(), text.size() + 1);
    return true;
}

}  // namespace

BackupJobItem::BackupJobItem(BackupItem* source) : nameSize(0), name(nullptr), item(source)
{
    const std::wstring text = source->get_name();
    name = CopyName(text.c_str(), text.size());
    nameSize = static_cast<int32_t>(2 * text.size() + 2);
}

BackupJobItem::BackupJobItem(const BackupJobItem& other)
    : nameSize(other.nameSize), name(CopyName(other.name, static_cast<size_t>(other.nameSize - 2) / 2)),
      item(other.item)
{
}

BackupJobItem::~BackupJobItem()
{
    delete[] name;
}

BackupJob::BackupJob()
    : archivePath{}, compress(false), passwordProtected(false), password{}, transfer(false), mediaType(0)
{
}

BackupJob::BackupJob(const BackupJob& other) : BackupJob()
{
    *this = other;
}

BackupJob& BackupJob::operator=(const BackupJob& other)
{
    if (&other == this)
        return *this;
    CopySettings(other);
    CopyItems(other);
    SetMediaPreference(other.mediaPreference_, other.mediaPreferenceSize_);
    return *this;
}

BackupJob::~BackupJob()
{
    FreeItems();
    delete[] mediaPreference_;
}

bool BackupJob::SetArchivePath(const std::wstring& path)
{
    return SetText(archivePath, path);
}

bool BackupJob::SetPassword(const std::wstring& text)
{
    return SetText(password, text);
}

void BackupJob::SetMediaPreference(const void* block, int32_t size)
{
    // Copy before freeing: block may be this job's own copy.
    uint8_t* copy = nullptr;
    if (block && size > 0) {
        copy = new uint8_t[size];
        std::memcpy(copy, block, static_cast<size_t>(size));
    } else {
        size = 0;
    }
    delete[] mediaPreference_;
    mediaPreference_ = copy;
    mediaPreferenceSize_ = size;
}

void BackupJob::AddItem(BackupItem* item)
{
    items_.push_back(new BackupJobItem(item));
}

void BackupJob::CopySettings(const BackupJob& other)
{
    std::wmemcpy(archivePath, other.archivePath, std::size(archivePath));
    compress = other.compress;
    passwordProtected = other.passwordProtected;
    std::wmemcpy(password, other.password, std::size(password));
    transfer = other.transfer;
    mediaType = other.mediaType;
}

void BackupJob::CopyItems(const BackupJob& other)
{
    FreeItems();
    for (const BackupJobItem* entry : other.items_)
        items_.push_back(new BackupJobItem(*entry));
}

void BackupJob::FreeItems()
{
    for (BackupJobItem* entry : items_)
        delete entry;
    items_.clear();
}
