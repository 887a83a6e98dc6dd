#include "definition/UpdateSfntSetInfo.h"

namespace fu {

namespace {

std::unique_ptr<SfntData> tablesOf(ByteView bytes, const std::shared_ptr<const Bytes>& buffer) {
    if (bytes.empty()) return nullptr;
    // A container that does not parse still makes an object without tables; the decision
    // refuses such old data, so nothing can match it.
    return buffer ? SfntData::initWithSharedSfntData(buffer, bytes)
                  : SfntData::initWithSfntData(bytes);
}

} // namespace

bool UpdateSfntSetItem::setOldSfntDataWithData(ByteView bytes,
                                               const std::shared_ptr<const Bytes>& buffer) {
    auto data = tablesOf(bytes, buffer);
    if (!data) return false;
    oSfntData = std::move(data);
    return true;
}

bool UpdateSfntSetItem::setNewSfntDataWithData(ByteView bytes,
                                               const std::shared_ptr<const Bytes>& buffer) {
    auto data = tablesOf(bytes, buffer);
    if (!data) return false;
    nSfntData = std::move(data);
    return true;
}

bool UpdateSfntSetInfo::addUpdateSfntSetItem(std::unique_ptr<UpdateSfntSetItem> item) {
    if (!item || item->name.empty() || !item->oSfntData || !item->nSfntData) return false;
    items.push_back(std::move(item));
    return true;
}

UpdateSfntSetItem* UpdateSfntSetInfo::updateSfntSetItemAtIndex(int64_t index) const {
    if (index < 0 || index >= countOfUpdateSfntSetItem()) return nullptr;
    return items[size_t(index)].get();
}

} // namespace fu
