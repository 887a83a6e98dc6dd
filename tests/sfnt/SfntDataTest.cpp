#include "sfnt/SfntData.h"

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "suitcase/ResItem.h"
#include "support/SampleFont.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace fu {
namespace {

using TableList = std::vector<std::pair<uint32_t, Bytes>>;

// An sfnt written the plain way: records in the given order with made-up checksums, tables
// back to back and 4-byte aligned. The search fields stay zero; the parser does not read them.
Bytes sfntImage(const TableList& tables, uint32_t scaler = 0x00010000) {
    ByteWriter w;
    w.writeU32(scaler);
    w.writeU16(static_cast<uint16_t>(tables.size()));
    w.writeZeros(6);
    uint32_t offset = static_cast<uint32_t>(12 + 16 * tables.size());
    for (size_t i = 0; i < tables.size(); ++i) {
        w.writeU32(tables[i].first);
        w.writeU32(0x1000 + static_cast<uint32_t>(i));
        w.writeU32(offset);
        w.writeU32(static_cast<uint32_t>(tables[i].second.size()));
        offset += (static_cast<uint32_t>(tables[i].second.size()) + 3) & ~3u;
    }
    for (const auto& table : tables) {
        w.writeBytes(table.second);
        w.padTo(4);
    }
    return w.take();
}

uint32_t u32At(const Bytes& bytes, size_t offset) {
    uint32_t value = 0;
    EXPECT_TRUE(ByteReader(bytes).u32At(offset, value)) << "offset " << offset;
    return value;
}

uint16_t u16At(const Bytes& bytes, size_t offset) {
    uint16_t value = 0;
    EXPECT_TRUE(ByteReader(bytes).u16At(offset, value)) << "offset " << offset;
    return value;
}

uint32_t wordSum(ByteView bytes) {
    ByteReader reader(bytes);
    uint32_t sum = 0, word = 0;
    while (reader.readU32(word))
        sum += word;
    EXPECT_EQ(reader.remaining(), 0u) << "not 4-byte aligned";
    return sum;
}

Bytes pattern(size_t size, uint8_t seed) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(seed + i);
    return bytes;
}

SfntData parsed(const Bytes& image) {
    SfntData font;
    EXPECT_TRUE(font.setupWithSfntData(image));
    return font;
}

// The rebuilt image, or an empty one when the rebuild failed.
Bytes rebuilt(const SfntData& font, const std::string& created = "2000/01/01 09:00:00",
              const std::string& modified = "2000/01/01 09:00:00") {
    ResItem item;
    if (!SfntData::setSfntData(font, item, created, modified)) return {};
    return *item.resData();
}

TEST(SfntData, RebuildKeepsRecordOrderAndPadsEachTableWithZeros) {
    const TableList tables{{fourCC("zzzz"), {1, 2, 3, 4, 5}},
                           {fourCC("aaaa"), {9, 9, 9, 9}},
                           {fourCC("mmmm"), {0x0A, 0x0B}}};
    const SfntData font = parsed(sfntImage(tables, 0x74727565));
    ASSERT_EQ(font.countOfSfntTable(), 3);
    EXPECT_EQ(font.sfntTableAtIndex(0)->checkSum, 0x1000u) << "the record's checksum is kept";

    const Bytes image = rebuilt(font);
    ASSERT_EQ(image.size(), 12u + 48 + 8 + 4 + 4);
    EXPECT_EQ(u32At(image, 0), 0x74727565u) << "scaler written back";
    const uint32_t expected[3][4] = {
        // tag, checksum (padding included), offset, unpadded length
        {fourCC("zzzz"), 0x01020304 + 0x05000000, 60, 5},
        {fourCC("aaaa"), 0x09090909, 68, 4},
        {fourCC("mmmm"), 0x0A0B0000, 72, 2},
    };
    for (size_t i = 0; i < 3; ++i) {
        for (size_t field = 0; field < 4; ++field)
            EXPECT_EQ(u32At(image, 12 + 16 * i + 4 * field), expected[i][field])
                << "record " << i << " field " << field;
    }
    EXPECT_EQ(Bytes(image.begin() + 60, image.begin() + 68), (Bytes{1, 2, 3, 4, 5, 0, 0, 0}));
}

TEST(SfntData, SearchFieldsFollowTheTableCount) {
    struct Case {
        size_t count;
        uint16_t searchRange, entrySelector, rangeShift;
    };
    for (const Case c : {Case{1, 16, 0, 0}, Case{16, 256, 4, 0}, Case{17, 256, 4, 16}}) {
        SfntData font;
        for (size_t i = 0; i < c.count; ++i) {
            SfntTable table;
            table.tag = fourCC("T000") + static_cast<uint32_t>(i);
            table.tableData = {1};
            ASSERT_TRUE(font.addSfntTable(std::move(table)));
        }
        const Bytes image = rebuilt(font);
        ASSERT_FALSE(image.empty());
        EXPECT_EQ(u16At(image, 4), c.count);
        EXPECT_EQ(u16At(image, 6), c.searchRange) << c.count << " tables";
        EXPECT_EQ(u16At(image, 8), c.entrySelector) << c.count << " tables";
        EXPECT_EQ(u16At(image, 10), c.rangeShift) << c.count << " tables";
    }
}

TEST(SfntData, HeadGetsTheDatesAndTheImageSumsToTheMagicNumber) {
    const Bytes head = pattern(54, 0x40);
    const SfntData font =
        parsed(sfntImage({{fourCC("abcd"), pattern(7, 1)}, {fourCC("head"), head}}));
    // 2000-01-01 00:00 UTC is 35064 days after 1904-01-01; Japan time adds 32400 seconds.
    const Bytes image = rebuilt(font, "2000/01/01 09:00:00", "not a date");
    ASSERT_FALSE(image.empty());
    const size_t at = u32At(image, 12 + 16 + 8);
    ASSERT_EQ(at, 12u + 32 + 8);

    EXPECT_EQ(u32At(image, at + 20), 0u);
    EXPECT_EQ(u32At(image, at + 24), 35064u * 86400 + 32400);
    EXPECT_EQ(u32At(image, at + 28), 0u) << "an unreadable date is written as 0";
    EXPECT_EQ(u32At(image, at + 32), 0u);
    EXPECT_TRUE(std::equal(head.begin(), head.begin() + 8, image.begin() + at));

    EXPECT_EQ(wordSum(image), 0xB1B0AFBAu);
    // The directory checksum is taken with checkSumAdjustment still zero.
    Bytes headAsSummed(image.begin() + at, image.begin() + at + 56);
    std::fill_n(headAsSummed.begin() + 8, 4, 0);
    EXPECT_EQ(u32At(image, 12 + 16 + 4), wordSum(headAsSummed));
}

// 'head' dates are the seconds since 1904 of Japan's clock.
TEST(SfntData, HeadDatesAreJapanTimeSecondsFrom1904) {
    using namespace std::chrono;
    const sys_seconds y2000 = sys_days{2000y / January / 1};
    EXPECT_EQ(SfntData::headDateTimeFromDate(y2000), int64_t{35064} * 86400 + 32400);
    EXPECT_EQ(SfntData::headDateTimeFromDate(std::nullopt), 0);
    EXPECT_EQ(SfntData::dateFromLonDateTime(int64_t{35064} * 86400 + 32400 + 1),
              y2000 + seconds(1));
    EXPECT_EQ(SfntData::dateFromLonDateTime(0), sys_seconds(sys_days{1904y / January / 1}));
}

TEST(SfntData, WithoutHeadNoTableIsChanged) {
    const Bytes data = pattern(40, 0x80);
    const Bytes image = rebuilt(parsed(sfntImage({{fourCC("hea "), data}})));
    ASSERT_EQ(image.size(), 12u + 16 + 40);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), image.begin() + 28));
}

TEST(SfntData, ParseAcceptsNoTablesAndRejectsRecordsItCannotHonour) {
    Bytes header = sfntImage({});
    SfntData empty;
    EXPECT_TRUE(empty.setupWithSfntData(header));
    EXPECT_EQ(empty.countOfSfntTable(), 0);
    EXPECT_EQ(SfntData::initWithSfntData({}), nullptr);

    const Bytes good =
        sfntImage({{fourCC("abcd"), pattern(8, 1)}, {fourCC("efgh"), pattern(8, 2)}});
    const auto damaged = [&good](size_t offset, uint32_t value) {
        ByteWriter w;
        w.writeBytes(good);
        EXPECT_TRUE(w.patchU32(offset, value));
        return w.take();
    };
    // Records may share bytes, but together the tables cannot hold more than the font does.
    const auto sharing = [](uint16_t records) {
        ByteWriter w;
        w.writeU32(0x00010000);
        w.writeU16(records);
        w.writeZeros(6);
        for (uint16_t i = 0; i < records; ++i) {
            w.writeU32(fourCC("tab0") + i);
            w.writeU32(0);
            w.writeU32(12 + 16u * records);
            w.writeU32(40);
        }
        w.writeBytes(pattern(40, 1));
        return w.take();
    };
    EXPECT_EQ(SfntData::initWithSfntData(sharing(2))->countOfSfntTable(), 2);

    const std::pair<const char*, Bytes> bad[] = {
        {"tag 0", damaged(28, 0)},
        {"offset 0", damaged(28 + 8, 0)},
        {"length 0", damaged(28 + 12, 0)},
        {"table past the end", damaged(28 + 12, 9)},
        {"offset past the end", damaged(28 + 8, 0xFFFFFFF8)},
        {"directory past the end", damaged(4, 0x01000000)},
        {"tables larger than the font", sharing(3)},
        {"short header", Bytes(good.begin(), good.begin() + 5)},
    };
    for (const auto& [what, bytes] : bad) {
        auto font = SfntData::initWithSfntData(bytes);
        ASSERT_NE(font, nullptr) << what;
        EXPECT_EQ(font->countOfSfntTable(), 0) << what;
    }
}

TEST(SfntData, ATruncatedFontParsesOnlyWhenEveryTableIsWhole) {
    const Bytes full = sample::makeTrueTypeFont({.glyphCount = 3});
    const SfntData whole = parsed(full);
    ASSERT_GT(whole.countOfSfntTable(), 0);
    size_t end = 0;
    for (int64_t i = 0; i < whole.countOfSfntTable(); ++i)
        end = std::max<size_t>(end, u32At(full, 12 + 16 * i + 8) + u32At(full, 12 + 16 * i + 12));

    for (size_t size = 1; size < full.size(); ++size) {
        SfntData font;
        const bool ok = font.setupWithSfntData(ByteView(full).first(size));
        ASSERT_EQ(ok, size >= end) << "truncated to " << size;
        if (ok) {
            EXPECT_EQ(font.tables, whole.tables) << "truncated to " << size;
        }
    }
}

// Copying, sharing a buffer and reading in place must find the same tables; what differs is only
// whose bytes they are, which shows once the caller's bytes change or go.
TEST(SfntData, CopiedSharedAndInPlaceParsesFindTheSameTables) {
    const Bytes font = sample::makeTrueTypeFont({.glyphCount = 5});
    const SfntData reference = parsed(font);
    ASSERT_GT(reference.countOfSfntTable(), 5);

    Bytes scratch = font;
    const auto copied = SfntData::initWithSfntData(scratch);
    const auto inPlace = SfntData::initWithSfntDataNoCopy(scratch);
    auto buffer = std::make_shared<const Bytes>(font);
    const auto shared = SfntData::initWithSharedSfntData(buffer, *buffer);
    ASSERT_TRUE(copied && inPlace && shared);
    EXPECT_EQ(inPlace->tables, reference.tables);
    EXPECT_EQ(inPlace->scaler, reference.scaler);
    EXPECT_EQ(shared->tables, reference.tables);
    EXPECT_EQ(shared->scaler, reference.scaler);

    buffer.reset();
    std::fill(scratch.begin(), scratch.end(), uint8_t{0xEE});
    EXPECT_EQ(copied->tables, reference.tables) << "a copy is its own";
    EXPECT_EQ(shared->tables, reference.tables) << "the shared buffer lives on in the tables";
    EXPECT_NE(inPlace->tables, reference.tables) << "read in place: the caller's bytes";

    // The same refusals whichever way the bytes are kept.
    for (size_t size : {size_t{5}, size_t{40}, font.size() - 1}) {
        const ByteView cut = ByteView(font).first(size);
        SfntData a, b, c;
        const auto owner = std::make_shared<const Bytes>(cut.begin(), cut.end());
        EXPECT_FALSE(a.setupWithSfntData(cut)) << size;
        EXPECT_FALSE(b.setupWithSfntDataNoCopy(cut)) << size;
        EXPECT_FALSE(c.setupWithSharedSfntData(owner, *owner)) << size;
        EXPECT_TRUE(a.tables.empty() && b.tables.empty() && c.tables.empty()) << size;
    }
}

TEST(SfntData, CheckSumAddsBigEndianWordsAndPadsTheLastOne) {
    EXPECT_EQ(sfntCheckSum({}), 0u);
    const Bytes bytes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
    EXPECT_EQ(sfntCheckSum(ByteView(bytes).first(4)), 0x01020304u);
    EXPECT_EQ(sfntCheckSum(ByteView(bytes).first(5)), 0x01020304u + 0x05000000u);
    EXPECT_EQ(sfntCheckSum(ByteView(bytes).first(6)), 0x01020304u + 0x05060000u);
    EXPECT_EQ(sfntCheckSum(bytes), 0x01020304u + 0x05060700u);
    // Modulo 2^32, over more words than any vector register holds.
    const Bytes ones(4 * 1000 + 1, 0xFF);
    EXPECT_EQ(sfntCheckSum(ones), uint32_t(1000u * 0xFFFFFFFFu + 0xFF000000u));
}

TEST(SfntData, ReplaceKeepsTheTablesPlaceAndClearsItsChecksum) {
    SfntData font =
        parsed(sfntImage({{fourCC("abcd"), {1}}, {fourCC("efgh"), {2}}, {fourCC("ijkl"), {3}}}));
    const SfntData before = font;
    SfntTable replacement;
    replacement.tag = fourCC("efgh");
    replacement.tableData = {7, 7, 7};
    ASSERT_TRUE(font.replaceTableDataWithSfntTable(replacement));
    EXPECT_EQ(font.tables[1].tableData, replacement.tableData);
    EXPECT_EQ(font.tables[1].checkSum, 0u);
    EXPECT_EQ(font.tables[0], before.tables[0]);

    const SfntData replaced = font;
    replacement.tag = fourCC("none");
    EXPECT_FALSE(font.replaceTableDataWithSfntTable(replacement));
    EXPECT_EQ(font.tables, replaced.tables);

    // Far beyond the 127 tables an 8-bit position could reach.
    SfntData large;
    for (uint32_t i = 1; i <= 300; ++i) {
        SfntTable table;
        table.tag = i;
        table.tableData = {1};
        ASSERT_TRUE(large.addSfntTable(std::move(table)));
    }
    replacement.tag = 300;
    ASSERT_TRUE(large.replaceTableDataWithSfntTable(replacement));
    EXPECT_EQ(large.tables[299].tableData, replacement.tableData);
    EXPECT_EQ(large.tables[127].tableData, Bytes{1});
}

TEST(SfntData, AHeadTooShortForTheDatesFailsTheRebuildAndKeepsTheItemsData) {
    ResItem item;
    item.setResData(Bytes{1, 2, 3});
    const SfntData shortHead = parsed(sfntImage({{fourCC("head"), pattern(35, 0)}}));
    EXPECT_FALSE(
        SfntData::setSfntData(shortHead, item, "2000/01/01 09:00:00", "2000/01/01 09:00:00"));
    EXPECT_EQ(*item.resData(), (Bytes{1, 2, 3}));

    const SfntData justLongEnough = parsed(sfntImage({{fourCC("head"), pattern(36, 0)}}));
    EXPECT_TRUE(SfntData::setSfntData(justLongEnough, item, "2000/01/01 09:00:00", "x"));
}

} // namespace
} // namespace fu
