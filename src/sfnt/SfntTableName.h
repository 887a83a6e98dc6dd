// The sfnt 'name' table (OpenType 'name', format 0 records) and its records with their raw
// string bytes, decoded by platform: Macintosh as Shift_JIS, Unicode and Windows as UTF-16BE.
#pragma once

#include "base/Bytes.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fu {

class SfntTable;

// Name IDs the update reads and rewrites (OpenType 'name').
inline constexpr uint16_t kCopyrightNameID = 0;
inline constexpr uint16_t kFullNameID = 4;
inline constexpr uint16_t kVersionNameID = 5;

class SfntTableNameItem {
public:
    uint16_t platformID = 0;
    uint16_t platformSpecificID = 0; // the encoding ID
    uint16_t languageID = 0;
    uint16_t nameID = 0;
    Bytes nameData; // undecoded; empty: no data

    [[nodiscard]] static std::unique_ptr<SfntTableNameItem>
    initWithPlatformID(uint16_t platformID, uint16_t platformSpecificID, uint16_t languageID,
                       uint16_t nameID, ByteView nameData);
    // Sets the IDs and copies the bytes; fails, leaving no data, for no bytes or more than a
    // record's 16-bit length can say.
    [[nodiscard]] bool setupWithPlatformID(uint16_t platformID, uint16_t platformSpecificID,
                                           uint16_t languageID, uint16_t nameID, ByteView nameData);

    // nullopt without data, for a platform without an encoding, or bytes that do not decode.
    [[nodiscard]] std::optional<std::string> nameString() const;
    // Encodes the text for this record's platform. Fails, bytes unchanged, for a platform without
    // an encoding, text the encoding cannot represent, and text that encodes to no bytes or more
    // than 65535: a record of length 0 would end the table when it is read back.
    [[nodiscard]] bool setNameString(const std::string& text);

    bool operator==(const SfntTableNameItem&) const = default;
};

class SfntTableName {
public:
    uint16_t format = 0; // written back as read; format 1 language tags are not kept
    std::vector<SfntTableNameItem> nameItems; // record order; empty: no records

    // nullptr for empty bytes or when setupWithNameData fails.
    [[nodiscard]] static std::unique_ptr<SfntTableName> initWithNameData(ByteView nameData);
    // Reads the records in order. A record of length 0 ends the table with the records before
    // it; a record or string outside the table fails the parse.
    [[nodiscard]] bool setupWithNameData(ByteView nameData);

    [[nodiscard]] int64_t countOfNameItem() const { return static_cast<int64_t>(nameItems.size()); }
    [[nodiscard]] SfntTableNameItem* nameItemAtIndex(int64_t index);
    [[nodiscard]] const SfntTableNameItem* nameItemAtIndex(int64_t index) const;
    // The first record whose four IDs all match.
    [[nodiscard]] SfntTableNameItem* nameItemAtPlatformID(uint16_t platformID,
                                                          uint16_t platformSpecificID,
                                                          uint16_t languageID, uint16_t nameID);
    [[nodiscard]] const SfntTableNameItem* nameItemAtPlatformID(uint16_t platformID,
                                                                uint16_t platformSpecificID,
                                                                uint16_t languageID,
                                                                uint16_t nameID) const;

    // Writes the records in list order with their strings packed after the last record, and
    // makes the bytes table's data (its checkSum is left for the font rebuild). Fails, table
    // unchanged, without records or when the table would exceed the format's 16-bit offsets.
    [[nodiscard]] static bool setSfntTableName(const SfntTableName& sfntTableName,
                                               SfntTable& table);
};

} // namespace fu
