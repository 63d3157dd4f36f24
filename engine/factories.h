// Item factories keyed by the head's type word, and the two fixed lists the
// readers use: items that write back, and items that only list.
#pragma once

#include <memory>
#include <new>
#include <vector>

#include "data_item.h"

template <class T, class Key>
class Factory {
public:
    virtual ~Factory() = default;
    virtual Key item_type() = 0;
    virtual T* create() = 0;
};

class DataItemFactory : public Factory<DataItem, int> {
public:
    explicit DataItemFactory(int type) : type_(type) {}
    int item_type() override { return type_; }

private:
    int32_t type_;
};

// create() gives a new item whose head the caller fills with set_head at once;
// null when memory runs out.
template <class Item, int N>
class DataItemFactoryTmpl : public DataItemFactory {
public:
    DataItemFactoryTmpl() : DataItemFactory(N) {}
    DataItem* create() override { return new (std::nothrow) Item; }
};

using FactoryList = std::vector<std::unique_ptr<Factory<DataItem, int>>>;

// The first factory of the list for that type, or null.
Factory<DataItem, int>* find_factory(const FactoryList& list, int type);

template <class FileItemT, class RegItemT>
class FactoriesTmpl {
public:
    FactoriesTmpl()
    {
        list.emplace_back(new DataItemFactoryTmpl<FileItemT, kFileItemType>);
        list.emplace_back(new DataItemFactoryTmpl<RegItemT, kRegItemType>);
    }

    FactoryList list;
};

using WriterFactories = FactoriesTmpl<FileDataItem, RegDataItem>;
using NoWriterFactories = FactoriesTmpl<FileListItem, RegListItem>;
