#include "base/AppleDouble.h"

#include "base/ByteWriter.h"

#include <gtest/gtest.h>

namespace fu {
namespace {

namespace ad = appledouble;

ad::Document sampleDocument() {
    ad::Document document;
    document.setTypeAndCreator(fourCC("FFIL"), fourCC("DMOV"));
    document.dates = ad::FileDates{100, 200, ad::kUnknownDate, 300};
    document.otherEntries.emplace_back(ad::RealNameEntry, Bytes{'A', 'B'});
    document.resourceFork = Bytes{1, 2, 3, 4, 5};
    return document;
}

TEST(AppleDouble, WriteReadWriteGivesIdenticalBytes) {
    const Bytes first = ad::serializeDocument(sampleDocument());
    auto parsed = ad::parseDocument(first);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->typeCode(), fourCC("FFIL"));
    EXPECT_EQ(parsed->creatorCode(), fourCC("DMOV"));
    ASSERT_TRUE(parsed->dates);
    EXPECT_EQ(parsed->dates->modification, 200);
    EXPECT_EQ(parsed->dates->backup, ad::kUnknownDate);
    EXPECT_EQ(parsed->resourceFork, (Bytes{1, 2, 3, 4, 5}));
    ASSERT_EQ(parsed->otherEntries.size(), 1u);
    EXPECT_EQ(ad::serializeDocument(*parsed), first);
}

TEST(AppleDouble, WritesFinderInfoDatesUnknownEntriesAndTheForkLast) {
    const Bytes bytes = ad::serializeDocument(sampleDocument());
    auto layout = ad::parseLayout(bytes, bytes.size());
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->entries.size(), 4u);
    EXPECT_EQ(layout->entries[0].id, ad::FinderInfoEntry);
    EXPECT_EQ(layout->entries[0].length, 32u);
    EXPECT_EQ(layout->entries[1].id, ad::FileDatesEntry);
    EXPECT_EQ(layout->entries[2].id, ad::RealNameEntry);
    EXPECT_EQ(layout->entries[3].id, ad::ResourceForkEntry);
    EXPECT_EQ(uint64_t(layout->entries[3].offset) + layout->entries[3].length, bytes.size());
    EXPECT_EQ(layout->entries[0].offset, ad::headerSizeFor(4));
}

Bytes companionWith(std::initializer_list<ad::EntryDescriptor> entries, size_t totalSize) {
    ByteWriter writer;
    writer.writeU32(ad::kMagic);
    writer.writeU32(ad::kVersion2);
    writer.writeZeros(16);
    writer.writeU16(static_cast<uint16_t>(entries.size()));
    for (const auto& entry : entries) {
        writer.writeU32(entry.id);
        writer.writeU32(entry.offset);
        writer.writeU32(entry.length);
    }
    if (writer.size() < totalSize) writer.writeZeros(totalSize - writer.size());
    return writer.take();
}

TEST(AppleDouble, RefusesDamagedHeaders) {
    Bytes good = companionWith({{ad::ResourceForkEntry, 38, 10}}, 48);
    ASSERT_TRUE(ad::parseDocument(good));

    Bytes badMagic = good;
    badMagic[3] = 0x08;
    EXPECT_FALSE(ad::parseDocument(badMagic));

    Bytes badVersion = good;
    badVersion[5] = 0x01;
    EXPECT_FALSE(ad::parseDocument(badVersion));

    EXPECT_FALSE(ad::parseDocument(companionWith({{ad::ResourceForkEntry, 38, 11}}, 48)))
        << "an entry running one byte past the end";
    EXPECT_FALSE(ad::parseDocument(companionWith({{ad::ResourceForkEntry, 0xFFFFFFF0u, 0x20}}, 48)))
        << "offset + length wraps around 32 bits";
    EXPECT_FALSE(ad::parseDocument(companionWith({{0, 38, 1}}, 48))) << "entry ID 0 is reserved";

    Bytes manyEntries = good;
    manyEntries[24] = 0xFF; // 65,280 descriptors announced in 48 bytes
    EXPECT_FALSE(ad::parseDocument(manyEntries));
}

TEST(AppleDouble, TruncationAtEveryByteIsRefusedWithoutACrash) {
    const Bytes whole = ad::serializeDocument(sampleDocument());
    for (size_t length = 0; length < whole.size(); ++length) {
        ByteView prefix(whole.data(), length);
        EXPECT_FALSE(ad::parseDocument(prefix)) << "accepted a companion cut at " << length;
    }
}

TEST(AppleDouble, ShortFinderInfoCountsAsAbsentAndLongIsCutTo32Bytes) {
    Bytes shortInfo = companionWith({{ad::FinderInfoEntry, 38, 16}}, 54);
    auto parsed = ad::parseDocument(shortInfo);
    ASSERT_TRUE(parsed);
    EXPECT_FALSE(parsed->finderInfo);

    Bytes longInfo = companionWith({{ad::FinderInfoEntry, 38, 100}}, 138);
    longInfo[38] = 'T';
    longInfo[41] = 'X';
    parsed = ad::parseDocument(longInfo);
    ASSERT_TRUE(parsed && parsed->finderInfo);
    EXPECT_EQ(parsed->typeCode(), fourCC("T\0\0X"));
    auto rewritten = ad::serializeDocument(*parsed);
    auto layout = ad::parseLayout(rewritten, rewritten.size());
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->find(ad::FinderInfoEntry)->length, 32u);
}

} // namespace
} // namespace fu
