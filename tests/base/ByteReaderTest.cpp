#include "base/ByteReader.h"
#include "base/ByteWriter.h"

#include <gtest/gtest.h>

#include <limits>

namespace fu {
namespace {

constexpr size_t kMax = std::numeric_limits<size_t>::max();

TEST(RangeFits, RejectsRangesThatWouldWrapAround) {
    EXPECT_TRUE(rangeFits(10, 0, 10));
    EXPECT_TRUE(rangeFits(10, 10, 0));
    EXPECT_FALSE(rangeFits(10, 11, 0));
    EXPECT_FALSE(rangeFits(10, 9, 2));
    // offset + length overflows to a small number; a naive check would accept these.
    EXPECT_FALSE(rangeFits(10, kMax, 2));
    EXPECT_FALSE(rangeFits(10, 2, kMax));
    EXPECT_FALSE(rangeFits(kMax, kMax - 1, 2));
    EXPECT_TRUE(rangeFits(kMax, kMax - 1, 1));
}

TEST(ByteReader, ReadsBigEndianAndStopsAtTheEnd) {
    const Bytes bytes{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0xFF};
    ByteReader reader(bytes);
    uint16_t u16 = 0;
    uint32_t u32 = 0;
    uint8_t u8 = 0;
    ASSERT_TRUE(reader.readU16(u16));
    EXPECT_EQ(u16, 0x1234);
    ASSERT_TRUE(reader.readU32(u32));
    EXPECT_EQ(u32, 0x56789ABCu);
    EXPECT_EQ(reader.remaining(), 3u);
    // A failed read leaves the cursor where it was.
    EXPECT_FALSE(reader.readU32(u32));
    EXPECT_EQ(reader.offset(), 6u);
    int16_t i16 = 0;
    ASSERT_TRUE(reader.readI16(i16));
    EXPECT_EQ(i16, static_cast<int16_t>(0xDEF0));
    ASSERT_TRUE(reader.readU8(u8));
    EXPECT_EQ(u8, 0xFF);
    EXPECT_FALSE(reader.readU8(u8));
}

TEST(ByteReader, SixtyFourBitAndSignedValues) {
    const Bytes bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x80, 0, 0, 0};
    ByteReader reader(bytes);
    int64_t i64 = 0;
    int32_t i32 = 0;
    ASSERT_TRUE(reader.readI64(i64));
    EXPECT_EQ(i64, -2);
    ASSERT_TRUE(reader.readI32(i32));
    EXPECT_EQ(i32, std::numeric_limits<int32_t>::min());
}

TEST(ByteReader, AbsoluteReadsNearTheTopOfSizeT) {
    const Bytes bytes{1, 2, 3, 4};
    ByteReader reader(bytes);
    uint32_t u32 = 0;
    uint16_t u16 = 0;
    ByteView view;
    EXPECT_FALSE(reader.u32At(kMax, u32));
    EXPECT_FALSE(reader.u32At(kMax - 2, u32));
    EXPECT_FALSE(reader.u16At(3, u16));
    EXPECT_FALSE(reader.bytesAt(1, kMax, view));
    EXPECT_FALSE(reader.bytesAt(kMax, 1, view));
    EXPECT_FALSE(reader.skip(kMax));
    EXPECT_FALSE(reader.seek(5));
    ASSERT_TRUE(reader.u32At(0, u32));
    EXPECT_EQ(u32, 0x01020304u);
    EXPECT_EQ(reader.offset(), 0u) << "absolute reads must not move the cursor";
}

TEST(ByteReader, ChildReadersSeeOnlyTheirRange) {
    const Bytes bytes{0, 1, 2, 3, 4, 5, 6, 7};
    ByteReader reader(bytes);
    auto child = reader.child(2, 4);
    ASSERT_TRUE(child);
    EXPECT_EQ(child->size(), 4u);
    uint32_t u32 = 0;
    ASSERT_TRUE(child->readU32(u32));
    EXPECT_EQ(u32, 0x02030405u);
    uint8_t u8 = 0;
    EXPECT_FALSE(child->readU8(u8)) << "a child must not read past its own end into the parent";

    auto grandchild = child->child(1, 2);
    ASSERT_TRUE(grandchild);
    ASSERT_TRUE(grandchild->readU8(u8));
    EXPECT_EQ(u8, 3);

    EXPECT_FALSE(reader.child(6, 3));
    EXPECT_FALSE(reader.child(kMax, 1));
    EXPECT_FALSE(reader.child(1, kMax));
    EXPECT_TRUE(reader.child(8, 0));
}

TEST(ByteReader, ReadBytesViewsAndCopies) {
    const Bytes bytes{9, 8, 7};
    ByteReader reader(bytes);
    Bytes copy;
    ASSERT_TRUE(reader.readBytes(2, copy));
    EXPECT_EQ(copy, (Bytes{9, 8}));
    ByteView view;
    EXPECT_FALSE(reader.readBytes(2, view));
    ASSERT_TRUE(reader.readBytes(1, view));
    EXPECT_EQ(view[0], 7);
}

TEST(ByteWriter, WritesWhatTheReaderReadsBack) {
    ByteWriter writer;
    writer.writeU8(0xAB);
    writer.writeU16(0x1234);
    writer.writeI32(-5);
    writer.writeU64(0x0102030405060708ull);
    writer.padTo(4);
    EXPECT_EQ(writer.size() % 4, 0u);
    ASSERT_TRUE(writer.patchU16(1, 0xBEEF));
    EXPECT_FALSE(writer.patchU32(writer.size() - 2, 0));
    EXPECT_FALSE(writer.patchU16(kMax, 0));

    ByteReader reader(writer.bytes());
    uint8_t u8 = 0;
    uint16_t u16 = 0;
    int32_t i32 = 0;
    uint64_t u64 = 0;
    ASSERT_TRUE(reader.readU8(u8) && reader.readU16(u16) && reader.readI32(i32) &&
                reader.readU64(u64));
    EXPECT_EQ(u8, 0xAB);
    EXPECT_EQ(u16, 0xBEEF);
    EXPECT_EQ(i32, -5);
    EXPECT_EQ(u64, 0x0102030405060708ull);
}

TEST(FourCC, RoundTripsThroughText) {
    EXPECT_EQ(fourCC("FFIL"), 0x4646494Cu);
    EXPECT_EQ(fourCCString(fourCC("sfnt")), "sfnt");
}

} // namespace
} // namespace fu
