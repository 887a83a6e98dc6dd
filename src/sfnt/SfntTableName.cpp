// 'name' layout as OpenType publishes it: format, count, stringOffset, then 12-byte
// NameRecords (platformID, encodingID, languageID, nameID, length, offset) and string storage.
#include "sfnt/SfntTableName.h"

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "platform/Text.h"
#include "sfnt/SfntTable.h"

#include <limits>
#include <new>
#include <utility>

namespace fu {
namespace {

constexpr size_t kHeaderSize = 6;
constexpr size_t kRecordSize = 12;
constexpr size_t kMaxTableSize = std::numeric_limits<uint16_t>::max();

enum class NameEncoding { none, shiftJis, utf16be };

// Macintosh records are Shift_JIS whatever their script and language: the fonts we update are
// Japanese, and their Roman-script records are ASCII, which Shift_JIS reads alike.
NameEncoding encodingOfPlatform(uint16_t platformID) {
    switch (platformID) {
    case 0: // Unicode
    case 3: // Windows
        return NameEncoding::utf16be;
    case 1: // Macintosh
        return NameEncoding::shiftJis;
    default: return NameEncoding::none;
    }
}

} // namespace

std::unique_ptr<SfntTableNameItem>
SfntTableNameItem::initWithPlatformID(uint16_t platformID, uint16_t platformSpecificID,
                                      uint16_t languageID, uint16_t nameID, ByteView nameData) {
    try {
        auto item = std::make_unique<SfntTableNameItem>();
        if (!item->setupWithPlatformID(platformID, platformSpecificID, languageID, nameID,
                                       nameData)) {
            return nullptr;
        }
        return item;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool SfntTableNameItem::setupWithPlatformID(uint16_t platformID, uint16_t platformSpecificID,
                                            uint16_t languageID, uint16_t nameID,
                                            ByteView nameData) {
    this->platformID = platformID;
    this->platformSpecificID = platformSpecificID;
    this->languageID = languageID;
    this->nameID = nameID;
    this->nameData.clear();
    if (nameData.empty() || nameData.size() > kMaxTableSize) return false;
    try {
        this->nameData.assign(nameData.begin(), nameData.end());
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

std::optional<std::string> SfntTableNameItem::nameString() const {
    if (nameData.empty()) return std::nullopt;
    switch (encodingOfPlatform(platformID)) {
    case NameEncoding::shiftJis: return platform::shiftJisToUtf8(nameData);
    case NameEncoding::utf16be: return platform::utf16beToUtf8(nameData);
    case NameEncoding::none: break;
    }
    return std::nullopt;
}

bool SfntTableNameItem::setNameString(const std::string& text) {
    std::optional<Bytes> encoded;
    switch (encodingOfPlatform(platformID)) {
    case NameEncoding::shiftJis: encoded = platform::utf8ToShiftJis(text); break;
    case NameEncoding::utf16be: encoded = platform::utf8ToUtf16be(text); break;
    case NameEncoding::none: return false;
    }
    if (!encoded || encoded->empty() || encoded->size() > kMaxTableSize) return false;
    nameData = std::move(*encoded);
    return true;
}

std::unique_ptr<SfntTableName> SfntTableName::initWithNameData(ByteView nameData) {
    if (nameData.empty()) return nullptr;
    try {
        auto table = std::make_unique<SfntTableName>();
        if (!table->setupWithNameData(nameData)) return nullptr;
        return table;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool SfntTableName::setupWithNameData(ByteView nameData) {
    nameItems.clear();
    if (nameData.empty()) return false;
    const ByteReader reader(nameData);
    uint16_t count = 0, stringOffset = 0;
    if (!reader.u16At(0, format) || !reader.u16At(2, count) || !reader.u16At(4, stringOffset))
        return false;
    try {
        std::vector<SfntTableNameItem> parsed;
        for (size_t i = 0; i < count; ++i) {
            const size_t at = kHeaderSize + kRecordSize * i;
            uint16_t platformID = 0, platformSpecificID = 0, languageID = 0, nameID = 0;
            uint16_t length = 0, offset = 0;
            if (!reader.u16At(at, platformID) || !reader.u16At(at + 2, platformSpecificID) ||
                !reader.u16At(at + 4, languageID) || !reader.u16At(at + 6, nameID) ||
                !reader.u16At(at + 8, length) || !reader.u16At(at + 10, offset)) {
                return false;
            }
            if (length == 0) break; // an empty record ends the table; what came before stands
            ByteView text;
            if (!reader.bytesAt(size_t{stringOffset} + offset, length, text)) return false;
            SfntTableNameItem item;
            if (!item.setupWithPlatformID(platformID, platformSpecificID, languageID, nameID,
                                          text)) {
                return false;
            }
            parsed.push_back(std::move(item));
        }
        nameItems = std::move(parsed);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

SfntTableNameItem* SfntTableName::nameItemAtIndex(int64_t index) {
    return const_cast<SfntTableNameItem*>(std::as_const(*this).nameItemAtIndex(index));
}

const SfntTableNameItem* SfntTableName::nameItemAtIndex(int64_t index) const {
    if (index < 0 || index >= countOfNameItem()) return nullptr;
    return &nameItems[static_cast<size_t>(index)];
}

SfntTableNameItem* SfntTableName::nameItemAtPlatformID(uint16_t platformID,
                                                       uint16_t platformSpecificID,
                                                       uint16_t languageID, uint16_t nameID) {
    return const_cast<SfntTableNameItem*>(std::as_const(*this).nameItemAtPlatformID(
        platformID, platformSpecificID, languageID, nameID));
}

const SfntTableNameItem* SfntTableName::nameItemAtPlatformID(uint16_t platformID,
                                                             uint16_t platformSpecificID,
                                                             uint16_t languageID,
                                                             uint16_t nameID) const {
    for (const SfntTableNameItem& item : nameItems) {
        if (item.platformID == platformID && item.platformSpecificID == platformSpecificID &&
            item.languageID == languageID && item.nameID == nameID) {
            return &item;
        }
    }
    return nullptr;
}

bool SfntTableName::setSfntTableName(const SfntTableName& sfntTableName, SfntTable& table) {
    const std::vector<SfntTableNameItem>& items = sfntTableName.nameItems;
    if (items.empty()) return false;
    // Every offset and length in the table is 16-bit; checking the total covers them all.
    if (items.size() > (kMaxTableSize - kHeaderSize) / kRecordSize) return false;
    const size_t stringOffset = kHeaderSize + kRecordSize * items.size();
    size_t size = stringOffset;
    for (const SfntTableNameItem& item : items) {
        size += item.nameData.size();
        if (size > kMaxTableSize) return false;
    }
    try {
        ByteWriter writer(size);
        writer.writeU16(sfntTableName.format);
        writer.writeU16(static_cast<uint16_t>(items.size()));
        writer.writeU16(static_cast<uint16_t>(stringOffset));
        size_t running = 0;
        for (const SfntTableNameItem& item : items) {
            writer.writeU16(item.platformID);
            writer.writeU16(item.platformSpecificID);
            writer.writeU16(item.languageID);
            writer.writeU16(item.nameID);
            writer.writeU16(static_cast<uint16_t>(item.nameData.size()));
            writer.writeU16(static_cast<uint16_t>(running));
            running += item.nameData.size();
        }
        for (const SfntTableNameItem& item : items)
            writer.writeBytes(item.nameData);
        table.tableData = writer.take();
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace fu
