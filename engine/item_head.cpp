#include "item_head.h"

#include <cstring>

namespace {

template <class Item>
void init(ItemHeadTmpl<Item>& head, uint32_t type, const Item& item, bool compressed, bool encrypted, uint64_t size)
{
    std::memset(&head, 0, sizeof head);
    head.type = type;
    head.size = size;
    head.compressed = compressed ? 1 : 0;
    head.encrypted = encrypted ? 1 : 0;
    std::memcpy(&head.item, &item, sizeof item);
}

}  // namespace

void FileHeadInitor::init_head(FileHead& head, const FileItem& item, bool compressed, bool encrypted, uint64_t size)
{
    init(head, kFileItemType, item, compressed, encrypted, size);
}

void RegHeadInitor::init_head(RegHead& head, const RegItem& item, bool compressed, bool encrypted, uint32_t size)
{
    init(head, kRegItemType, item, compressed, encrypted, size);
}
