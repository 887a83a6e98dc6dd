// Layout as OpenType publishes it ("Organization of an OpenType Font"): a 12-byte
// offset table, 16-byte table records, tables 4-byte aligned, checkSumAdjustment in 'head'.
#include "sfnt/SfntData.h"

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "platform/Memory.h"
#include "sfnt/Tools.h"
#include "suitcase/ResItem.h"

#include <bit>
#include <limits>
#include <new>
#include <utility>

namespace fu {
namespace {

constexpr uint32_t kHeadTag = fourCC("head");
constexpr size_t kOffsetTableSize = 12;
constexpr size_t kTableRecordSize = 16;
constexpr size_t kHeadDatesEnd = 36;
constexpr uint32_t kCheckSumMagic = 0xB1B0AFBA;
// searchRange is 16 x a power of two in 16 bits, so beyond 4095 tables the header cannot be
// written correctly.
constexpr size_t kMaxTables = 4095;
constexpr uint64_t kMaxImageSize = std::numeric_limits<uint32_t>::max();

constexpr uint64_t paddedLength(uint64_t length) { return (length + 3) & ~uint64_t{3}; }

struct TableRecord {
    uint32_t tag;
    uint32_t checkSum;
    uint32_t offset;
    uint32_t length;
};

[[nodiscard]] bool patchI64(ByteWriter& writer, size_t offset, int64_t value) {
    const auto raw = static_cast<uint64_t>(value);
    return writer.patchU32(offset, static_cast<uint32_t>(raw >> 32)) &&
           writer.patchU32(offset + 4, static_cast<uint32_t>(raw));
}

} // namespace

uint32_t sfntCheckSum(ByteView bytes) {
    // A plain loop over the words: this runs over every byte of every font an update writes,
    // and the compiler vectorises it, which a checked reader's call per word prevents.
    const uint8_t* at = bytes.data();
    const size_t words = bytes.size() / 4;
    uint32_t sum = 0;
    for (size_t i = 0; i < words; ++i, at += 4) {
        sum += (uint32_t{at[0]} << 24) | (uint32_t{at[1]} << 16) | (uint32_t{at[2]} << 8) |
               uint32_t{at[3]};
    }
    uint32_t tail = 0;
    for (size_t shift = 24, i = words * 4; i < bytes.size(); ++i, shift -= 8)
        tail |= uint32_t{bytes[i]} << shift;
    return sum + tail;
}

std::unique_ptr<SfntData> SfntData::initWithSfntData(ByteView data) {
    if (data.empty()) return nullptr;
    try {
        auto font = std::make_unique<SfntData>();
        (void)font->setupWithSfntData(data); // a failed parse still answers the object
        return font;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::unique_ptr<SfntData>
SfntData::initWithSharedSfntData(const std::shared_ptr<const Bytes>& owner, ByteView data) {
    if (data.empty()) return nullptr;
    try {
        auto font = std::make_unique<SfntData>();
        (void)font->setupWithSharedSfntData(owner, data);
        return font;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::unique_ptr<SfntData> SfntData::initWithSfntDataNoCopy(ByteView data) {
    if (data.empty()) return nullptr;
    try {
        auto font = std::make_unique<SfntData>();
        (void)font->setupWithSfntDataNoCopy(data);
        return font;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool SfntData::setupWithSfntData(ByteView data) {
    tables.clear();
    if (data.empty()) return false;
    try {
        // One copy that the tables share, made only for a directory that parses.
        if (!setupWithSfntDataNoCopy(data)) return false;
        const auto owner = std::make_shared<const Bytes>(data.begin(), data.end());
        for (SfntTable& table : tables) {
            const auto offset = static_cast<size_t>(table.tableData.data() - data.data());
            table.tableData =
                TableData::shared(owner, ByteView(*owner).subspan(offset, table.tableData.size()));
        }
        return true;
    } catch (const std::bad_alloc&) {
        tables.clear();
        return false;
    }
}

bool SfntData::setupWithSharedSfntData(const std::shared_ptr<const Bytes>& owner, ByteView data) {
    if (!setupWithSfntDataNoCopy(data)) return false;
    for (SfntTable& table : tables)
        table.tableData = TableData::shared(owner, table.tableData);
    return true;
}

bool SfntData::setupWithSfntDataNoCopy(ByteView data) {
    tables.clear();
    if (data.empty()) return false;
    const ByteReader reader(data);
    uint32_t version = 0;
    uint16_t numTables = 0;
    if (!reader.u32At(0, version) || !reader.u16At(4, numTables)) return false;
    if (!rangeFits(data.size(), 0, kOffsetTableSize + kTableRecordSize * numTables)) return false;
    try {
        std::vector<SfntTable> parsed;
        parsed.reserve(numTables);
        // Overlapping records could make a small file claim numTables copies of itself; tables
        // that together hold more bytes than the font are outside the format.
        uint64_t claimed = 0;
        for (size_t i = 0; i < numTables; ++i) {
            const size_t record = kOffsetTableSize + kTableRecordSize * i;
            uint32_t tag = 0, checkSum = 0, offset = 0, length = 0;
            if (!reader.u32At(record, tag) || !reader.u32At(record + 4, checkSum) ||
                !reader.u32At(record + 8, offset) || !reader.u32At(record + 12, length)) {
                return false;
            }
            claimed += length;
            if (claimed > data.size()) return false;
            SfntTable table;
            if (!table.setupWithSfntDataNoCopy(data, offset, length, checkSum, tag)) return false;
            parsed.push_back(std::move(table));
        }
        tables = std::move(parsed);
        scaler = version;
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

SfntTable* SfntData::tableForTag(uint32_t tag) {
    return const_cast<SfntTable*>(std::as_const(*this).tableForTag(tag));
}

const SfntTable* SfntData::tableForTag(uint32_t tag) const {
    if (tag == 0) return nullptr;
    for (const SfntTable& table : tables)
        if (table.tag == tag) return &table;
    return nullptr;
}

SfntTable* SfntData::sfntTableAtIndex(int64_t index) {
    return const_cast<SfntTable*>(std::as_const(*this).sfntTableAtIndex(index));
}

const SfntTable* SfntData::sfntTableAtIndex(int64_t index) const {
    if (index < 0 || index >= countOfSfntTable()) return nullptr;
    return &tables[static_cast<size_t>(index)];
}

bool SfntData::addSfntTable(SfntTable table) {
    try {
        tables.push_back(std::move(table));
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool SfntData::replaceTableDataWithSfntTable(const SfntTable& table) {
    if (table.tag == 0 || table.tableData.empty()) return false;
    SfntTable* found = tableForTag(table.tag);
    if (found == nullptr) return false;
    found->tableData = table.tableData;
    found->checkSum = 0;
    return true;
}

uint64_t SfntData::totalTableSize() const {
    uint64_t total = 0;
    for (const SfntTable& table : tables)
        total += table.tableData.size();
    return total;
}

std::optional<Bytes> SfntData::buildSfntImage(const SfntData& sfntData, int64_t created,
                                              int64_t modified) {
    const std::vector<SfntTable>& tables = sfntData.tables;
    const size_t count = tables.size();
    if (count == 0 || count > kMaxTables) return std::nullopt;
    const size_t directoryEnd = kOffsetTableSize + kTableRecordSize * count;
    uint64_t imageSize = directoryEnd;
    for (const SfntTable& table : tables) {
        const size_t length = table.tableData.size();
        if (length == 0 || length > kMaxImageSize) return std::nullopt;
        // The dates end at byte 36; a shorter 'head' cannot take them.
        if (table.tag == kHeadTag && length < kHeadDatesEnd) return std::nullopt;
        imageSize += paddedLength(length);
        if (imageSize > kMaxImageSize) return std::nullopt;
    }

    try {
        ByteWriter image(platform::reserveBulkBuffer(static_cast<size_t>(imageSize)));
        image.writeZeros(directoryEnd);
        std::vector<TableRecord> directory;
        directory.reserve(count);
        std::optional<size_t> headOffset;
        // Every table starts on a word and is padded with zeros, so the whole image sums to the
        // directory's words plus the tables' checksums: no second pass over the tables.
        uint32_t tablesSum = 0;
        for (const SfntTable& table : tables) {
            const size_t offset = image.size();
            image.writeBytes(table.tableData);
            image.padTo(4);
            if (table.tag == kHeadTag) {
                if (!image.patchU32(offset + kHeadCheckSumAdjustmentOffset, 0) ||
                    !patchI64(image, offset + kHeadCreatedOffset, created) ||
                    !patchI64(image, offset + kHeadModifiedOffset, modified)) {
                    return std::nullopt;
                }
                headOffset = offset;
            }
            const uint32_t checkSum = sfntCheckSum(ByteView(image.bytes()).subspan(offset));
            tablesSum += checkSum;
            directory.push_back({table.tag, checkSum, static_cast<uint32_t>(offset),
                                 static_cast<uint32_t>(table.tableData.size())});
        }

        const size_t power = std::bit_floor(count);
        const auto searchRange = static_cast<uint16_t>(kTableRecordSize * power);
        const auto entrySelector = static_cast<uint16_t>(std::countr_zero(power));
        const auto rangeShift = static_cast<uint16_t>(kTableRecordSize * count - searchRange);
        bool written = image.patchU32(0, sfntData.scaler) &&
                       image.patchU16(4, static_cast<uint16_t>(count)) &&
                       image.patchU16(6, searchRange) && image.patchU16(8, entrySelector) &&
                       image.patchU16(10, rangeShift);
        for (size_t i = 0; written && i < count; ++i) {
            const size_t at = kOffsetTableSize + kTableRecordSize * i;
            written = image.patchU32(at, directory[i].tag) &&
                      image.patchU32(at + 4, directory[i].checkSum) &&
                      image.patchU32(at + 8, directory[i].offset) &&
                      image.patchU32(at + 12, directory[i].length);
        }
        if (!written) return std::nullopt;
        if (headOffset) {
            const uint32_t fontSum =
                sfntCheckSum(ByteView(image.bytes()).first(directoryEnd)) + tablesSum;
            const uint32_t adjustment = kCheckSumMagic - fontSum;
            if (!image.patchU32(*headOffset + kHeadCheckSumAdjustmentOffset, adjustment))
                return std::nullopt;
        }
        return image.take();
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

bool SfntData::setSfntData(const SfntData& sfntData, ResItem& resItem, const std::string& sfntCDate,
                           const std::string& sfntMDate) {
    if (sfntCDate.empty() || sfntMDate.empty()) return false;
    std::optional<Bytes> image =
        buildSfntImage(sfntData, Tools::longDateTimeFromDateString(sfntCDate),
                       Tools::longDateTimeFromDateString(sfntMDate));
    if (!image) return false;
    resItem.setResData(std::move(image));
    return true;
}

int64_t SfntData::headDateTimeFromDate(std::optional<std::chrono::sys_seconds> date) {
    return Tools::longDateTimeFromDate(date);
}

std::optional<std::chrono::sys_seconds> SfntData::dateFromLonDateTime(int64_t longDateTime) {
    return Tools::dateFromLongDateTime(longDateTime);
}

} // namespace fu
