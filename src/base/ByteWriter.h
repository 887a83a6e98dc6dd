// The big-endian writer matching ByteReader, for the formats we produce.
#pragma once

#include "base/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <utility>

namespace fu {

class ByteWriter {
public:
    ByteWriter() = default;
    explicit ByteWriter(size_t reserve) { bytes_.reserve(reserve); }
    // Writes into the storage of `buffer`, emptied first; its capacity, and whatever the
    // allocation was made with, stay.
    explicit ByteWriter(Bytes buffer) : bytes_(std::move(buffer)) { bytes_.clear(); }

    void writeU8(uint8_t value) { bytes_.push_back(value); }
    void writeU16(uint16_t value) { writeBigEndian(value, 2); }
    void writeU32(uint32_t value) { writeBigEndian(value, 4); }
    void writeU64(uint64_t value) { writeBigEndian(value, 8); }
    void writeI16(int16_t value) { writeU16(static_cast<uint16_t>(value)); }
    void writeI32(int32_t value) { writeU32(static_cast<uint32_t>(value)); }
    void writeI64(int64_t value) { writeU64(static_cast<uint64_t>(value)); }
    void writeBytes(ByteView bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
    void writeZeros(size_t count) { bytes_.insert(bytes_.end(), count, 0); }
    // Zero bytes up to the next multiple of `alignment`.
    void padTo(size_t alignment);

    // Overwrite already written bytes (directory entries, lengths known only at the end).
    // Answers false when the range was not written yet.
    [[nodiscard]] bool patchU8(size_t offset, uint8_t value);
    [[nodiscard]] bool patchU16(size_t offset, uint16_t value);
    [[nodiscard]] bool patchU32(size_t offset, uint32_t value);
    [[nodiscard]] bool patchBytes(size_t offset, ByteView bytes);

    [[nodiscard]] size_t size() const { return bytes_.size(); }
    [[nodiscard]] const Bytes& bytes() const { return bytes_; }
    [[nodiscard]] Bytes take() { return std::move(bytes_); }

private:
    void writeBigEndian(uint64_t value, size_t width);
    Bytes bytes_;
};

} // namespace fu
