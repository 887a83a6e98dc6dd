// All resources of one type in a resource fork, in map order.
#pragma once

#include "suitcase/ResItem.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace fu {

class ResItemList {
public:
    uint32_t resType = 0; // never 0
    std::vector<std::unique_ptr<ResItem>> resItems;

    // nullptr for type 0.
    [[nodiscard]] static std::unique_ptr<ResItemList> initWithResType(uint32_t resType);

    // Refuses a missing item and one of another type.
    [[nodiscard]] bool addResItem(std::unique_ptr<ResItem> item);
    // The first item with this ID, or nullptr.
    [[nodiscard]] ResItem* resItemByResID(int16_t resID) const;
    [[nodiscard]] int64_t countOfResItem() const { return static_cast<int64_t>(resItems.size()); }
    // nullptr outside 0 .. count - 1.
    [[nodiscard]] ResItem* resItemAtIndex(int64_t index) const;
    void freeAllResData();
};

} // namespace fu
