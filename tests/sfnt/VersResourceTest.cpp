#include "sfnt/VersResource.h"

#include "suitcase/ResItem.h"

#include <gtest/gtest.h>

#include <tuple>

namespace fu {
namespace {

// major 1, minor 1 / bug fix 2, final stage, no pre-release, region 14 (Japan),
// short "1.1.2", long "1.1.2, X".
const Bytes kVers{0x01, 0x12, 0x80, 0x00, 0x00, 0x0E, 5,   '1', '.', '1', '.',
                  '2',  8,    '1',  '.',  '1',  '.',  '2', ',', ' ', 'X'};

ResItem itemHolding(Bytes data) {
    ResItem item;
    item.setResData(std::move(data));
    return item;
}

std::string text(const PascalString& string) { return toString(pascalStringBytes(string)); }

TEST(VersResource, ReadsNumbersRegionAndBothStrings) {
    ResItem item = itemHolding(kVers);
    VersResHeader header;
    PascalString shortStr{}, longStr{};
    ASSERT_TRUE(readVersResItem(&item, header, shortStr, longStr));
    EXPECT_EQ(std::tie(header.major, header.minor, header.bugFix, header.stage, header.preRelease,
                       header.region),
              std::make_tuple(1, 1, 2, 0x80, 0, 14));
    EXPECT_EQ(text(shortStr), "1.1.2");
    EXPECT_EQ(text(longStr), "1.1.2, X");

    ResItem emptyShort = itemHolding({0x01, 0x00, 0x80, 0x00, 0x00, 0x0E, 0, 0});
    ASSERT_TRUE(readVersResItem(&emptyShort, header, shortStr, longStr));
    EXPECT_EQ(shortStr[0], 0);
}

TEST(VersResource, FailsForEveryResourceShorterThanItsStrings) {
    VersResHeader header;
    PascalString shortStr{}, longStr{};
    for (size_t length = 0; length < kVers.size(); ++length) {
        ResItem item = itemHolding(Bytes(kVers.begin(), kVers.begin() + length));
        EXPECT_FALSE(readVersResItem(&item, header, shortStr, longStr)) << length;
    }
    EXPECT_FALSE(readVersResItem(nullptr, header, shortStr, longStr));
}

TEST(VersResource, WritesNibblesAndWholeMajorByte) {
    ResItem item = itemHolding({0});
    VersResHeader header{10, 0x1F, 2, 0x80, 0, 14};
    ASSERT_TRUE(writeVersResItem(&item, header, asBytes("10.15.2"), asBytes("10.15.2, X")));
    const Bytes expected{0x0A, 0xF2, 0x80, 0x00, 0x00, 0x0E, 7,   '1', '0', '.', '1', '5', '.',
                         '2',  10,   '1',  '0',  '.',  '1',  '5', '.', '2', ',', ' ', 'X'};
    EXPECT_EQ(*item.resData(), expected);
}

TEST(VersResource, WriteRefusesLongStringsAndMissingResources) {
    ResItem item = itemHolding(kVers);
    const std::string tooLong(256, 'x');
    EXPECT_FALSE(writeVersResItem(&item, {}, asBytes(tooLong), asBytes("1")));
    EXPECT_FALSE(writeVersResItem(&item, {}, asBytes("1"), asBytes(tooLong)));
    EXPECT_EQ(*item.resData(), kVers) << "a refused write leaves the data";
    ResItem noData;
    EXPECT_FALSE(writeVersResItem(&noData, {}, asBytes("1"), asBytes("1")));
    EXPECT_FALSE(writeVersResItem(nullptr, {}, asBytes("1"), asBytes("1")));
}

} // namespace
} // namespace fu
