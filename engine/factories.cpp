#include "factories.h"

Factory<DataItem, int>* find_factory(const FactoryList& list, int type)
{
    for (const auto& factory : list)
        if (factory->item_type() == type)
            return factory.get();
    return nullptr;
}
