#include "sfnt/SfntTableName.h"

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "sfnt/SfntTable.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <tuple>
#include <vector>

namespace fu {
namespace {

struct RawRecord {
    uint16_t platformID, encodingID, languageID, nameID, length, offset;
};

// A 'name' table written by hand, strings stored right after the records.
Bytes rawNameTable(const std::vector<RawRecord>& records, ByteView storage) {
    ByteWriter w;
    w.writeU16(0);
    w.writeU16(static_cast<uint16_t>(records.size()));
    w.writeU16(static_cast<uint16_t>(6 + 12 * records.size()));
    for (const RawRecord& r : records) {
        for (uint16_t v : {r.platformID, r.encodingID, r.languageID, r.nameID, r.length, r.offset})
            w.writeU16(v);
    }
    w.writeBytes(storage);
    return w.take();
}

SfntTableNameItem item(uint16_t platformID, uint16_t encodingID, uint16_t languageID,
                       uint16_t nameID, Bytes data = {}) {
    SfntTableNameItem result;
    result.platformID = platformID;
    result.platformSpecificID = encodingID;
    result.languageID = languageID;
    result.nameID = nameID;
    result.nameData = std::move(data);
    return result;
}

Bytes serialised(const SfntTableName& name) {
    SfntTable table;
    EXPECT_TRUE(SfntTableName::setSfntTableName(name, table));
    return table.tableData.toBytes();
}

uint16_t u16At(const Bytes& bytes, size_t offset) {
    uint16_t value = 0;
    EXPECT_TRUE(ByteReader(bytes).u16At(offset, value));
    return value;
}

TEST(SfntTableName, WriteReadWriteIsIdentical) {
    SfntTableName name;
    name.format = 0;
    name.nameItems = {item(0, 3, 0, 1), item(1, 1, 11, 4), item(2, 0, 0, 1, {0xFF, 0x00}),
                      item(3, 1, 0x411, 5)};
    ASSERT_TRUE(name.nameItems[0].setNameString("Sample"));
    ASSERT_TRUE(name.nameItems[1].setNameString("サンプル明朝"));
    ASSERT_TRUE(name.nameItems[3].setNameString("Version 2.0"));
    Bytes utf16be;
    for (char c : std::string("Version 2.0"))
        utf16be.insert(utf16be.end(), {0, uint8_t(c)});
    EXPECT_EQ(name.nameItems[3].nameData, utf16be) << "Windows text is UTF-16, big-endian";

    const Bytes once = serialised(name);
    const auto read = SfntTableName::initWithNameData(once);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->nameItems, name.nameItems);
    EXPECT_EQ(serialised(*read), once);
}

TEST(SfntTableName, UnsortedRecordsKeepTheirOrderWithStringsPackedAfterTheLast) {
    SfntTableName name;
    name.nameItems = {item(3, 1, 0x409, 5, {0, 'B'}), item(1, 0, 0, 1, {'A', 'A'}),
                      item(0, 3, 0, 4, {0, 'C'})};
    const Bytes bytes = serialised(name);
    ASSERT_EQ(bytes.size(), 6u + 36 + 6);
    EXPECT_EQ(u16At(bytes, 4), 42) << "string storage starts right after the last record";
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(u16At(bytes, 6 + 12 * i + 8), 2) << "length of record " << i;
        EXPECT_EQ(u16At(bytes, 6 + 12 * i + 10), 2 * i) << "offset of record " << i;
    }
    EXPECT_EQ(Bytes(bytes.begin() + 42, bytes.end()), (Bytes{0, 'B', 'A', 'A', 0, 'C'}));
}

TEST(SfntTableName, AnItemIsMadeWithItsIdsAndACopyOfBytesARecordCanDescribe) {
    const Bytes bytes{0x00, 0x41, 0x00, 0x42};
    const auto made = SfntTableNameItem::initWithPlatformID(3, 1, 0x411, 5, bytes);
    ASSERT_TRUE(made);
    EXPECT_EQ(std::tie(made->platformID, made->platformSpecificID, made->languageID, made->nameID),
              std::make_tuple(uint16_t{3}, uint16_t{1}, uint16_t{0x411}, uint16_t{5}));
    EXPECT_EQ(made->nameData, bytes);
    EXPECT_EQ(made->nameString(), "AB");
    EXPECT_FALSE(SfntTableNameItem::initWithPlatformID(3, 1, 0x411, 5, {}));
    EXPECT_FALSE(SfntTableNameItem::initWithPlatformID(3, 1, 0x411, 5, Bytes(0x10000, 0x20)));
}

// Macintosh records are Shift_JIS whatever the language; other platforms have no text but keep
// their bytes; a text that cannot be stored leaves the bytes as they were.
TEST(SfntTableName, TextIsStoredInThePlatformsEncodingOrNotAtAll) {
    const Bytes gothic{0x83, 0x53, 0x83, 0x56, 0x83, 0x62, 0x83, 0x4E}; // ゴシック
    SfntTableNameItem english = item(1, 0, 0, 4, gothic);
    EXPECT_EQ(english.nameString(), "ゴシック");
    english.nameData.clear();
    ASSERT_TRUE(english.setNameString("ゴシック"));
    EXPECT_EQ(english.nameData, gothic);

    SfntTableNameItem other = item(2, 0, 0, 1, {0x41, 0x42, 0xFF});
    EXPECT_EQ(other.nameString(), std::nullopt);
    EXPECT_FALSE(other.setNameString("AB"));
    EXPECT_EQ(other.nameData, (Bytes{0x41, 0x42, 0xFF}));

    SfntTableNameItem mac = item(1, 1, 11, 4, {'A'});
    EXPECT_FALSE(mac.setNameString("한국어")) << "Hangul has no Shift_JIS form";
    EXPECT_FALSE(mac.setNameString("")) << "a length-0 record would end the table";
    EXPECT_EQ(mac.nameData, Bytes{'A'});
}

TEST(SfntTableName, ARecordOfLengthZeroEndsTheTable) {
    const Bytes storage{'a', 'b', 'c'};
    const auto name = SfntTableName::initWithNameData(rawNameTable(
        {{1, 0, 0, 1, 1, 0}, {1, 0, 0, 2, 1, 1}, {1, 0, 0, 3, 0, 2}, {1, 0, 0, 4, 1, 2}}, storage));
    ASSERT_NE(name, nullptr);
    ASSERT_EQ(name->countOfNameItem(), 2);
    EXPECT_EQ(name->nameItemAtIndex(1)->nameData, Bytes{'b'});
    EXPECT_EQ(name->nameItemAtPlatformID(1, 0, 0, 4), nullptr);
}

TEST(SfntTableName, RecordsAndStringsOutsideTheTableFailTheParse) {
    const Bytes storage{'a', 'b', 'c'};
    EXPECT_NE(SfntTableName::initWithNameData(rawNameTable({{1, 0, 0, 1, 3, 0}}, storage)),
              nullptr);
    EXPECT_EQ(SfntTableName::initWithNameData(rawNameTable({{1, 0, 0, 1, 3, 1}}, storage)),
              nullptr);
    EXPECT_EQ(SfntTableName::initWithNameData(rawNameTable({{1, 0, 0, 1, 1, 0xFFFF}}, storage)),
              nullptr);
    Bytes missingRecord = rawNameTable({{1, 0, 0, 1, 3, 0}}, storage);
    missingRecord[3] = 40; // count
    EXPECT_EQ(SfntTableName::initWithNameData(missingRecord), nullptr);
}

// An empty table parses but is not written, nor is one past 16-bit offsets; a refused write
// leaves the table's bytes.
TEST(SfntTableName, WritingRefusesEmptyTablesAndTablesBeyondSixteenBitOffsets) {
    const auto empty = SfntTableName::initWithNameData(rawNameTable({}, {}));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->countOfNameItem(), 0);
    SfntTable table;
    table.tableData = {9};
    EXPECT_FALSE(SfntTableName::setSfntTableName(*empty, table));
    EXPECT_EQ(table.tableData, Bytes{9});

    SfntTableName name;
    name.nameItems = {item(2, 0, 0, 1, Bytes(40000, 1)), item(2, 0, 0, 2, Bytes(25505, 2))};
    ASSERT_TRUE(SfntTableName::setSfntTableName(name, table));
    EXPECT_EQ(table.tableData.size(), 65535u);
    name.nameItems[1].nameData.push_back(3);
    table.tableData = {9};
    EXPECT_FALSE(SfntTableName::setSfntTableName(name, table));
    EXPECT_EQ(table.tableData, Bytes{9});
}

// Macintosh Japanese (1, 1, 11) records of a font made by another tool.
TEST(SfntTableName, MacintoshJapaneseRecordsFromAnotherToolRoundTrip) {
    FU_REQUIRE_CORPUS(ttx, "names/fonttools-bug1196.ttx");
    const Bytes bytes = test::readWholeFile(ttx);
    const std::string text(bytes.begin(), bytes.end());
    const std::regex record(R"re(<namerecord nameID="(\d+)" platformID="1" platEncID="1" )re"
                            R"re(langID="0xb"[^>]*>\s*([\s\S]*?)\s*</namerecord>)re");
    std::map<int, std::string> texts;
    for (std::sregex_iterator it(text.begin(), text.end(), record), end; it != end; ++it)
        texts[std::stoi((*it)[1])] = (*it)[2];
    ASSERT_EQ(texts.size(), 2u);

    SfntTableNameItem designer = item(1, 1, 11, 9);
    ASSERT_TRUE(designer.setNameString(texts.at(9)));
    Bytes expected(asBytes("Masahiko Kozuka ").begin(), asBytes("Masahiko Kozuka ").end());
    expected.insert(expected.end(), {0x8F, 0xAC, 0x92, 0xCB, 0x8F, 0xB9, 0x95, 0x46}); // 小塚昌彦
    EXPECT_EQ(designer.nameData, expected);
    EXPECT_EQ(designer.nameString(), texts.at(9));

    // The copyright sign exists in MacJapanese (0xFD) but not in Shift_JIS: refused, not
    // replaced by something else.
    SfntTableNameItem copyright = item(1, 1, 11, 0, {'x'});
    ASSERT_NE(texts.at(0).find("©"), std::string::npos);
    EXPECT_FALSE(copyright.setNameString(texts.at(0)));
    EXPECT_EQ(copyright.nameData, Bytes{'x'});
}

} // namespace
} // namespace fu
