#include "sfnt/VersResource.h"

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "suitcase/ResItem.h"

#include <algorithm>
#include <new>

namespace fu {

namespace {

bool readPascalString(ByteReader& reader, PascalString& out) {
    uint8_t length = 0;
    ByteView text;
    if (!reader.readU8(length) || !reader.readBytes(length, text)) return false;
    out.fill(0);
    out[0] = length;
    std::copy(text.begin(), text.end(), out.begin() + 1);
    return true;
}

} // namespace

bool readVersResItem(ResItem* resItem, VersResHeader& header, PascalString& shortStr,
                     PascalString& longStr) {
    if (!resItem) return false;
    const Bytes* data = resItem->resData();
    if (!data || data->empty()) return false;
    ByteReader reader(*data);
    VersResHeader read;
    uint8_t minorAndBugFix = 0;
    PascalString shortRead{}, longRead{};
    if (!reader.readU8(read.major) || !reader.readU8(minorAndBugFix) ||
        !reader.readU8(read.stage) || !reader.readU8(read.preRelease) ||
        !reader.readU16(read.region) || !readPascalString(reader, shortRead) ||
        !readPascalString(reader, longRead))
        return false;
    read.minor = minorAndBugFix >> 4;
    read.bugFix = minorAndBugFix & 0x0F;
    header = read;
    shortStr = shortRead;
    longStr = longRead;
    return true;
}

bool writeVersResItem(ResItem* resItem, const VersResHeader& header, ByteView shortStr,
                      ByteView longStr) {
    if (!resItem || !resItem->resData()) return false;
    if (shortStr.size() > 255 || longStr.size() > 255) return false;
    try {
        ByteWriter writer(8 + shortStr.size() + longStr.size());
        writer.writeU8(header.major);
        writer.writeU8(static_cast<uint8_t>((header.minor & 0x0F) << 4 | (header.bugFix & 0x0F)));
        writer.writeU8(header.stage);
        writer.writeU8(header.preRelease);
        writer.writeU16(header.region);
        writer.writeU8(static_cast<uint8_t>(shortStr.size()));
        writer.writeBytes(shortStr);
        writer.writeU8(static_cast<uint8_t>(longStr.size()));
        writer.writeBytes(longStr);
        resItem->setResData(writer.take());
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

} // namespace fu
