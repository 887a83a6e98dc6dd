#include "suitcase/ResItemList.h"

#include <new>

namespace fu {

std::unique_ptr<ResItemList> ResItemList::initWithResType(uint32_t resType) {
    if (resType == 0) return nullptr;
    auto list = std::unique_ptr<ResItemList>(new (std::nothrow) ResItemList);
    if (list) list->resType = resType;
    return list;
}

bool ResItemList::addResItem(std::unique_ptr<ResItem> item) {
    if (!item || item->resType != resType) return false;
    try {
        resItems.push_back(std::move(item));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

ResItem* ResItemList::resItemByResID(int16_t resID) const {
    for (const auto& item : resItems)
        if (item->resID == resID) return item.get();
    return nullptr;
}

ResItem* ResItemList::resItemAtIndex(int64_t index) const {
    if (index < 0 || index >= countOfResItem()) return nullptr;
    return resItems[static_cast<size_t>(index)].get();
}

void ResItemList::freeAllResData() {
    for (const auto& item : resItems)
        item->freeResData();
}

} // namespace fu
