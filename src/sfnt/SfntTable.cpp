#include "sfnt/SfntTable.h"

#include "base/ByteReader.h"

#include <algorithm>
#include <new>
#include <optional>

namespace fu {

TableData::TableData(Bytes bytes) {
    if (bytes.empty()) return;
    auto owner = std::make_shared<const Bytes>(std::move(bytes));
    bytes_ = ByteView(*owner);
    owner_ = std::move(owner);
}

TableData TableData::shared(std::shared_ptr<const Bytes> owner, ByteView bytes) {
    TableData data;
    if (bytes.empty()) return data;
    data.owner_ = std::move(owner);
    data.bytes_ = bytes;
    return data;
}

TableData TableData::viewed(ByteView bytes) {
    TableData data;
    data.bytes_ = bytes;
    return data;
}

bool operator==(const TableData& a, const TableData& b) {
    if (a.bytes_.data() == b.bytes_.data() && a.bytes_.size() == b.bytes_.size()) return true;
    return std::ranges::equal(a.bytes_, b.bytes_);
}

namespace {

// The checks every way of making a table shares; the range on success.
std::optional<ByteView> tableRange(ByteView data, uint32_t offset, uint32_t length, uint32_t tag) {
    if (data.empty() || offset == 0 || length == 0 || tag == 0) return std::nullopt;
    ByteView bytes;
    if (!ByteReader(data).bytesAt(offset, length, bytes)) return std::nullopt;
    return bytes;
}

} // namespace

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
    const std::optional<ByteView> bytes = tableRange(data, offset, length, tag);
    if (!bytes) return false;
    try {
        tableData = TableData(Bytes(bytes->begin(), bytes->end()));
    } catch (const std::bad_alloc&) {
        return false;
    }
    this->tag = tag;
    this->checkSum = checkSum;
    return true;
}

bool SfntTable::setupWithSharedSfntData(const std::shared_ptr<const Bytes>& owner, ByteView data,
                                        uint32_t offset, uint32_t length, uint32_t checkSum,
                                        uint32_t tag) {
    const std::optional<ByteView> bytes = tableRange(data, offset, length, tag);
    if (!bytes) return false;
    tableData = TableData::shared(owner, *bytes);
    this->tag = tag;
    this->checkSum = checkSum;
    return true;
}

bool SfntTable::setupWithSfntDataNoCopy(ByteView data, uint32_t offset, uint32_t length,
                                        uint32_t checkSum, uint32_t tag) {
    const std::optional<ByteView> bytes = tableRange(data, offset, length, tag);
    if (!bytes) return false;
    tableData = TableData::viewed(*bytes);
    this->tag = tag;
    this->checkSum = checkSum;
    return true;
}

bool SfntTable::isEqualToTableData(const SfntTable* other) const {
    if (other == nullptr || tableData.empty() || other->tableData.empty()) return false;
    return tableData == other->tableData;
}

} // namespace fu
