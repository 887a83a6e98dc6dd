#include "base/ByteReader.h"

namespace fu {

bool ByteReader::seek(size_t offset) {
    if (offset > data_.size()) return false;
    pos_ = offset;
    return true;
}

bool ByteReader::skip(size_t count) {
    if (!rangeFits(data_.size(), pos_, count)) return false;
    pos_ += count;
    return true;
}

bool ByteReader::take(size_t count, const uint8_t*& where) {
    if (!rangeFits(data_.size(), pos_, count)) return false;
    where = data_.data() + pos_;
    pos_ += count;
    return true;
}

uint64_t ByteReader::bigEndianAt(size_t offset, size_t width) const {
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i)
        value = (value << 8) | data_[offset + i];
    return value;
}

bool ByteReader::readU8(uint8_t& out) {
    if (!u8At(pos_, out)) return false;
    ++pos_;
    return true;
}

bool ByteReader::readU16(uint16_t& out) {
    if (!u16At(pos_, out)) return false;
    pos_ += 2;
    return true;
}

bool ByteReader::readU32(uint32_t& out) {
    if (!u32At(pos_, out)) return false;
    pos_ += 4;
    return true;
}

bool ByteReader::readU64(uint64_t& out) {
    if (!rangeFits(data_.size(), pos_, 8)) return false;
    out = bigEndianAt(pos_, 8);
    pos_ += 8;
    return true;
}

bool ByteReader::readI16(int16_t& out) {
    uint16_t raw;
    if (!readU16(raw)) return false;
    out = static_cast<int16_t>(raw);
    return true;
}

bool ByteReader::readI32(int32_t& out) {
    uint32_t raw;
    if (!readU32(raw)) return false;
    out = static_cast<int32_t>(raw);
    return true;
}

bool ByteReader::readI64(int64_t& out) {
    uint64_t raw;
    if (!readU64(raw)) return false;
    out = static_cast<int64_t>(raw);
    return true;
}

bool ByteReader::readBytes(size_t count, ByteView& out) {
    const uint8_t* where = nullptr;
    if (!take(count, where)) return false;
    out = ByteView(where, count);
    return true;
}

bool ByteReader::readBytes(size_t count, Bytes& out) {
    ByteView view;
    if (!readBytes(count, view)) return false;
    out.assign(view.begin(), view.end());
    return true;
}

bool ByteReader::u8At(size_t offset, uint8_t& out) const {
    if (!rangeFits(data_.size(), offset, 1)) return false;
    out = data_[offset];
    return true;
}

bool ByteReader::u16At(size_t offset, uint16_t& out) const {
    if (!rangeFits(data_.size(), offset, 2)) return false;
    out = static_cast<uint16_t>(bigEndianAt(offset, 2));
    return true;
}

bool ByteReader::u32At(size_t offset, uint32_t& out) const {
    if (!rangeFits(data_.size(), offset, 4)) return false;
    out = static_cast<uint32_t>(bigEndianAt(offset, 4));
    return true;
}

bool ByteReader::bytesAt(size_t offset, size_t count, ByteView& out) const {
    if (!rangeFits(data_.size(), offset, count)) return false;
    out = data_.subspan(offset, count);
    return true;
}

std::optional<ByteReader> ByteReader::child(size_t offset, size_t length) const {
    if (!rangeFits(data_.size(), offset, length)) return std::nullopt;
    return ByteReader(data_.subspan(offset, length));
}

} // namespace fu
