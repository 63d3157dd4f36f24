#include "item_head.h"

#include <cstring>

void FileHeadInitor::init_head(FileHead& head, const FileItem& item, bool compressed, bool encrypted, uint64_t size)
{
    std::memset(&head, 0, sizeof head);
    head.type = kFileItemType;
    head.size = size;
    head.compressed = compressed ? 1 : 0;
    head.encrypted = encrypted ? 1 : 0;
    std::memcpy(&head.item, &item, sizeof item);
}

void RegHeadInitor::init_head(RegHead& head, const RegItem& item, bool compressed, bool encrypted, uint32_t size)
{
    std::memset(&head, 0, sizeof head);
    head.type = kRegItemType;
    head.size = size;
    head.compressed = compressed ? 1 : 0;
    head.encrypted = encrypted ? 1 : 0;
    std::memcpy(&head.item, &item, sizeof item);
}
