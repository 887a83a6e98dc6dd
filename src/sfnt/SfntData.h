// An sfnt font as an ordered list of tables: parsing the offset table and table directory,
// finding and replacing tables, and rebuilding a complete checksummed image with new 'head' dates.
// The same parser reads the definition's sfnt-style sections.
#pragma once

#include "base/Bytes.h"
#include "sfnt/SfntTable.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fu {

class ResItem;

// 'head' fields the update reads and writes (OpenType 'head'): checkSumAdjustment, then created
// and modified as LONGDATETIME.
inline constexpr size_t kHeadCheckSumAdjustmentOffset = 8;
inline constexpr size_t kHeadCreatedOffset = 20;
inline constexpr size_t kHeadModifiedOffset = 28;

class SfntData {
public:
    uint32_t scaler = 0;           // sfnt version, written back unchanged
    std::vector<SfntTable> tables; // in table-record order; empty: no tables

    // nullptr for empty data; otherwise the object whatever the parse gave, so callers check
    // countOfSfntTable(). The tables keep a copy of the data.
    [[nodiscard]] static std::unique_ptr<SfntData> initWithSfntData(ByteView data);
    // The same, the tables sharing `data`, which lies inside *owner: nothing is copied.
    [[nodiscard]] static std::unique_ptr<SfntData>
    initWithSharedSfntData(const std::shared_ptr<const Bytes>& owner, ByteView data);
    // The same, the tables viewing `data`, which the caller keeps alive and unchanged while the
    // object or a table taken from it is read. For a font read and dropped within one call.
    [[nodiscard]] static std::unique_ptr<SfntData> initWithSfntDataNoCopy(ByteView data);

    // Fails, leaving no tables, when the data is empty, the directory does not fit, a record
    // has a zero offset, length or tag or points outside the data, or the tables together are
    // longer than the data (records may share bytes, but not to multiply them). numTables 0
    // succeeds. The tables keep one copy of the data between them.
    [[nodiscard]] bool setupWithSfntData(ByteView data);
    // The same checks, sharing or viewing the data as the init functions above do.
    [[nodiscard]] bool setupWithSharedSfntData(const std::shared_ptr<const Bytes>& owner,
                                               ByteView data);
    [[nodiscard]] bool setupWithSfntDataNoCopy(ByteView data);

    // The first table with this tag; nullptr for tag 0 or none.
    [[nodiscard]] SfntTable* tableForTag(uint32_t tag);
    [[nodiscard]] const SfntTable* tableForTag(uint32_t tag) const;
    [[nodiscard]] int64_t countOfSfntTable() const { return static_cast<int64_t>(tables.size()); }
    [[nodiscard]] SfntTable* sfntTableAtIndex(int64_t index);
    [[nodiscard]] const SfntTable* sfntTableAtIndex(int64_t index) const;
    // False only when the list cannot grow.
    [[nodiscard]] bool addSfntTable(SfntTable table);
    // Gives the first table with table's tag table's data (shared, not copied) and a zero
    // checkSum, keeping its place. Fails, changing nothing, for tag 0, empty data, no tables or no
    // such tag.
    [[nodiscard]] bool replaceTableDataWithSfntTable(const SfntTable& table);
    // Sum of the unpadded table lengths, for space estimates.
    [[nodiscard]] uint64_t totalTableSize() const;

    // Builds the image (see buildSfntImage) with the two date texts ("yyyy/MM/dd HH:mm:ss",
    // Japan time; unreadable text writes 0) and on success makes it resItem's data. On failure
    // resItem keeps what it held.
    [[nodiscard]] static bool setSfntData(const SfntData& sfntData, ResItem& resItem,
                                          const std::string& sfntCDate,
                                          const std::string& sfntMDate);
    // The image in list order (nothing is sorted): 4-byte aligned zero-padded tables, fresh
    // checksums, standard search fields; in every 'head' the given created and modified
    // LONGDATETIME values, and checkSumAdjustment when a 'head' exists. nullopt without tables, or
    // when a table has no data, a 'head' is shorter than its date fields, there are more tables
    // than the 16-bit search fields describe (4095), or the image would not fit 32-bit offsets.
    [[nodiscard]] static std::optional<Bytes> buildSfntImage(const SfntData& sfntData,
                                                             int64_t created, int64_t modified);

    [[nodiscard]] static int64_t headDateTimeFromDate(std::optional<std::chrono::sys_seconds> date);
    [[nodiscard]] static std::optional<std::chrono::sys_seconds>
    dateFromLonDateTime(int64_t longDateTime);
};

// The OpenType table checksum: big-endian 32-bit words summed modulo 2^32, a short last word
// taken as zero-padded.
[[nodiscard]] uint32_t sfntCheckSum(ByteView bytes);

} // namespace fu
