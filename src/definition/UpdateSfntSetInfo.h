// The sfnt update sets of a definition: per set, the old tables as installed and the new tables
// that replace them. A set's position in the list is its set index.
#pragma once

#include "base/Bytes.h"
#include "sfnt/SfntData.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fu {

class UpdateSfntSetItem {
public:
    std::string name;
    std::unique_ptr<SfntData> oSfntData;
    std::unique_ptr<SfntData> nSfntData;

    // False for no bytes. The tables keep a copy of the bytes, or, given the buffer they lie in,
    // share it.
    [[nodiscard]] bool setOldSfntDataWithData(ByteView bytes,
                                              const std::shared_ptr<const Bytes>& buffer = nullptr);
    [[nodiscard]] bool setNewSfntDataWithData(ByteView bytes,
                                              const std::shared_ptr<const Bytes>& buffer = nullptr);
};

class UpdateSfntSetInfo {
public:
    std::vector<std::unique_ptr<UpdateSfntSetItem>> items; // empty = nil

    // False (and the set is dropped) without a name or without old or new data.
    [[nodiscard]] bool addUpdateSfntSetItem(std::unique_ptr<UpdateSfntSetItem> item);
    [[nodiscard]] int64_t countOfUpdateSfntSetItem() const { return int64_t(items.size()); }
    [[nodiscard]] UpdateSfntSetItem* updateSfntSetItemAtIndex(int64_t index) const;
};

} // namespace fu
