#include "base/ByteWriter.h"

#include "base/ByteReader.h"

namespace fu {

void ByteWriter::writeBigEndian(uint64_t value, size_t width) {
    for (size_t i = width; i-- > 0;) bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void ByteWriter::padTo(size_t alignment) {
    if (alignment == 0) return;
    size_t rest = bytes_.size() % alignment;
    if (rest != 0) writeZeros(alignment - rest);
}

bool ByteWriter::patchU16(size_t offset, uint16_t value) {
    if (!rangeFits(bytes_.size(), offset, 2)) return false;
    bytes_[offset] = static_cast<uint8_t>(value >> 8);
    bytes_[offset + 1] = static_cast<uint8_t>(value);
    return true;
}

bool ByteWriter::patchU32(size_t offset, uint32_t value) {
    if (!rangeFits(bytes_.size(), offset, 4)) return false;
    for (size_t i = 0; i < 4; ++i) bytes_[offset + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
    return true;
}

} // namespace fu
