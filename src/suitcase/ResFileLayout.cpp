#include "suitcase/ResFileLayout.h"

#include "platform/Text.h"
#include "suitcase/ResStatus.h"

#include <array>

namespace fu::detail {

std::optional<uint16_t> zeroFillOfTemplate(const ResMap& templateMap) {
    uint64_t fill = 0;
    if (templateMap.dataOffset < templateMap.mapOffset) {
        if (templateMap.dataOffset < kResForkHeaderSize) return std::nullopt;
        fill = templateMap.dataOffset - kResForkHeaderSize;
    } else {
        // 32, not 16: a layout with the map first keeps room for the map's own header copy.
        if (templateMap.mapOffset < 2 * kResForkHeaderSize) return std::nullopt;
        fill = templateMap.mapOffset - 2 * kResForkHeaderSize;
    }
    if (fill > UINT16_MAX) return std::nullopt;
    return static_cast<uint16_t>(fill);
}

SuitcaseSizes suitcaseSizesOfResFile(ResFile& resFile) {
    SuitcaseSizes sizes;
    sizes.mapSize = kResMapHeaderSize + kResTypeCountLayout.size;
    for (const auto& list : resFile.resItemLists) {
        if (list->countOfResItem() > 0) sizes.mapSize += kResTypeEntrySize;
        for (const auto& item : list->resItems) {
            const Bytes* data = item->resData();
            if (!data) continue;
            sizes.totalData += kResDataLengthSize + data->size();
            sizes.mapSize += kResReferenceSize;
            if (item->resName && !item->resName->empty()) {
                const std::optional<Bytes> name = platform::utf8ToShiftJis(*item->resName);
                sizes.mapSize += kResNameLengthSize + (name ? name->size() : 0);
            }
        }
    }
    return sizes;
}

std::optional<ResForkHeader> readResForkHeaderOfRefNum(platform::ForkRefNum refNum) {
    std::array<uint8_t, kResForkHeaderSize> bytes{};
    if (ResFile::readResouceRefNum(refNum, platform::fsFromStart, 0, bytes.size(), bytes) !=
        ResStatus::resNoErr)
        return std::nullopt;
    return readResForkHeader(bytes);
}

} // namespace fu::detail
