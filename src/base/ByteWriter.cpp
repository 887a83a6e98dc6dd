#include "base/ByteWriter.h"

#include "base/ByteReader.h"

#include <algorithm>

namespace fu {

void ByteWriter::writeBigEndian(uint64_t value, size_t width) {
    for (size_t i = width; i-- > 0;)
        bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void ByteWriter::padTo(size_t alignment) {
    if (alignment == 0) return;
    size_t rest = bytes_.size() % alignment;
    if (rest != 0) writeZeros(alignment - rest);
}

bool ByteWriter::patchU8(size_t offset, uint8_t value) {
    if (!rangeFits(bytes_.size(), offset, 1)) return false;
    bytes_[offset] = value;
    return true;
}

bool ByteWriter::patchU16(size_t offset, uint16_t value) {
    if (!rangeFits(bytes_.size(), offset, 2)) return false;
    bytes_[offset] = static_cast<uint8_t>(value >> 8);
    bytes_[offset + 1] = static_cast<uint8_t>(value);
    return true;
}

bool ByteWriter::patchU32(size_t offset, uint32_t value) {
    if (!rangeFits(bytes_.size(), offset, 4)) return false;
    for (size_t i = 0; i < 4; ++i)
        bytes_[offset + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
    return true;
}

bool ByteWriter::patchBytes(size_t offset, ByteView bytes) {
    if (!rangeFits(bytes_.size(), offset, bytes.size())) return false;
    std::copy(bytes.begin(), bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
}

} // namespace fu
