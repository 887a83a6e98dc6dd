// One table of an sfnt font (or of a definition's sfnt-style sections): its tag, the checksum
// read from its table record, and its bytes without padding, which it owns, shares or views.
#pragma once

#include "base/Bytes.h"

#include <cstdint>
#include <initializer_list>
#include <memory>

namespace fu {

// The bytes of a table, never changed once set. Copies share them, so a table moves between
// fonts and sets without copying a large glyph table; only a table made from bytes nobody keeps
// has bytes of its own.
class TableData {
public:
    TableData() = default;
    // Takes the bytes over.
    TableData(Bytes bytes);
    TableData(std::initializer_list<uint8_t> bytes) : TableData(Bytes(bytes)) {}

    // `bytes` lies inside *owner, which the table keeps alive.
    [[nodiscard]] static TableData shared(std::shared_ptr<const Bytes> owner, ByteView bytes);
    // `bytes` belongs to the caller, who keeps them alive and unchanged while the table, or a
    // copy of it, is read.
    [[nodiscard]] static TableData viewed(ByteView bytes);

    [[nodiscard]] ByteView view() const { return bytes_; }
    operator ByteView() const { return bytes_; }
    [[nodiscard]] const uint8_t* data() const { return bytes_.data(); }
    [[nodiscard]] size_t size() const { return bytes_.size(); }
    [[nodiscard]] bool empty() const { return bytes_.empty(); }
    [[nodiscard]] const uint8_t* begin() const { return bytes_.data(); }
    [[nodiscard]] const uint8_t* end() const { return bytes_.data() + bytes_.size(); }
    // A copy that is the caller's own.
    [[nodiscard]] Bytes toBytes() const { return Bytes(begin(), end()); }

    // Equal bytes, wherever they are kept.
    friend bool operator==(const TableData& a, const TableData& b);

private:
    std::shared_ptr<const Bytes> owner_;
    ByteView bytes_;
};

class SfntTable {
public:
    uint32_t tag = 0;      // four ASCII characters, most significant first; 0 is no tag
    uint32_t checkSum = 0; // as read; 0 after a replacement. Never verified: rebuilds recompute it
    TableData tableData;   // empty: no data

    // nullptr for empty data or when setupWithSfntData fails.
    [[nodiscard]] static std::unique_ptr<SfntTable> initWithSfntData(ByteView data, uint32_t offset,
                                                                     uint32_t length,
                                                                     uint32_t checkSum,
                                                                     uint32_t tag);
    // Copies [offset, offset + length) of data. Fails, changing nothing, for empty data, a zero
    // offset, length or tag, or a range that does not lie inside the data.
    [[nodiscard]] bool setupWithSfntData(ByteView data, uint32_t offset, uint32_t length,
                                         uint32_t checkSum, uint32_t tag);
    // The same checks; the table shares [offset, offset + length) of *owner instead of copying.
    [[nodiscard]] bool setupWithSharedSfntData(const std::shared_ptr<const Bytes>& owner,
                                               ByteView data, uint32_t offset, uint32_t length,
                                               uint32_t checkSum, uint32_t tag);
    // The same checks; the table views the range, which the caller keeps alive (see
    // TableData::viewed).
    [[nodiscard]] bool setupWithSfntDataNoCopy(ByteView data, uint32_t offset, uint32_t length,
                                               uint32_t checkSum, uint32_t tag);

    // True only when both tables have data and the bytes are equal.
    [[nodiscard]] bool isEqualToTableData(const SfntTable* other) const;

    bool operator==(const SfntTable&) const = default;
};

} // namespace fu
