// The one bounds-checked big-endian cursor through which every parser reads. Each read answers
// whether the bytes were there; checks are written so that they cannot overflow.
#pragma once

#include "base/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace fu {

// True when [offset, offset + length) lies inside a range of `size` bytes, without ever
// computing offset + length.
[[nodiscard]] constexpr bool rangeFits(size_t size, size_t offset, size_t length) {
    return offset <= size && length <= size - offset;
}

class ByteReader {
public:
    ByteReader() = default;
    explicit ByteReader(ByteView data) : data_(data) {}

    [[nodiscard]] size_t size() const { return data_.size(); }
    [[nodiscard]] size_t offset() const { return pos_; }
    [[nodiscard]] size_t remaining() const { return data_.size() - pos_; }
    [[nodiscard]] ByteView data() const { return data_; }

    [[nodiscard]] bool seek(size_t offset);
    [[nodiscard]] bool skip(size_t count);

    [[nodiscard]] bool readU8(uint8_t& out);
    [[nodiscard]] bool readU16(uint16_t& out);
    [[nodiscard]] bool readU32(uint32_t& out);
    [[nodiscard]] bool readU64(uint64_t& out);
    [[nodiscard]] bool readI16(int16_t& out);
    [[nodiscard]] bool readI32(int32_t& out);
    [[nodiscard]] bool readI64(int64_t& out);
    // A view of the next `count` bytes; the cursor moves past them.
    [[nodiscard]] bool readBytes(size_t count, ByteView& out);
    [[nodiscard]] bool readBytes(size_t count, Bytes& out);

    // Reads at an absolute offset; the cursor stays where it is.
    [[nodiscard]] bool u8At(size_t offset, uint8_t& out) const;
    [[nodiscard]] bool u16At(size_t offset, uint16_t& out) const;
    [[nodiscard]] bool u32At(size_t offset, uint32_t& out) const;
    [[nodiscard]] bool bytesAt(size_t offset, size_t count, ByteView& out) const;

    // A reader over [offset, offset + length) of this one, positioned at its start.
    [[nodiscard]] std::optional<ByteReader> child(size_t offset, size_t length) const;

private:
    [[nodiscard]] bool take(size_t count, const uint8_t*& where);
    [[nodiscard]] uint64_t bigEndianAt(size_t offset, size_t width) const;

    ByteView data_;
    size_t pos_ = 0;
};

} // namespace fu
