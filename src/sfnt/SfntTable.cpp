#include "sfnt/SfntTable.h"

#include "base/ByteReader.h"

#include <algorithm>
#include <new>

namespace fu {

std::unique_ptr<SfntTable> SfntTable::initWithSfntData(ByteView data, uint32_t offset,
                                                       uint32_t length, uint32_t checkSum,
                                                       uint32_t tag) {
    if (data.empty()) return nullptr;
    try {
        auto table = std::make_unique<SfntTable>();
        if (!table->setupWithSfntData(data, offset, length, checkSum, tag)) return nullptr;
        return table;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool SfntTable::setupWithSfntData(ByteView data, uint32_t offset, uint32_t length,
                                  uint32_t checkSum, uint32_t tag) {
    if (data.empty() || offset == 0 || length == 0 || tag == 0) return false;
    ByteView bytes;
    if (!ByteReader(data).bytesAt(offset, length, bytes)) return false;
    try {
        tableData.assign(bytes.begin(), bytes.end());
    } catch (const std::bad_alloc&) {
        return false;
    }
    this->tag = tag;
    this->checkSum = checkSum;
    return true;
}

bool SfntTable::isEqualToTableData(const SfntTable* other) const {
    if (other == nullptr || tableData.empty() || other->tableData.empty()) return false;
    return std::ranges::equal(tableData, other->tableData);
}

} // namespace fu
