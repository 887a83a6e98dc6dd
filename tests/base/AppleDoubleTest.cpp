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

// Entries that overlap the header, the descriptors or each other: an in-place rewrite of one
// (the Finder info) or an append to the fork would overwrite what another says.
TEST(AppleDouble, RefusesEntriesThatOverlapTheHeaderOrEachOther) {
    constexpr uint32_t kHeaderEnd = 26 + 2 * 12; // two descriptors
    struct Case {
        const char* what;
        ad::EntryDescriptor finder, fork;
        bool accepted;
    };
    const Case cases[] = {
        {"side by side",
         {ad::FinderInfoEntry, kHeaderEnd, 32},
         {ad::ResourceForkEntry, 82, 10},
         true},
        {"an empty fork where the Finder info ends",
         {ad::FinderInfoEntry, kHeaderEnd, 32},
         {ad::ResourceForkEntry, 82, 0},
         true},
        {"an empty fork where the Finder info begins",
         {ad::FinderInfoEntry, kHeaderEnd, 32},
         {ad::ResourceForkEntry, kHeaderEnd, 0},
         true},
        {"the Finder info over the fork's descriptor",
         {ad::FinderInfoEntry, kHeaderEnd - 12, 32},
         {ad::ResourceForkEntry, 82, 10},
         false},
        {"the Finder info over the magic",
         {ad::FinderInfoEntry, 0, 32},
         {ad::ResourceForkEntry, 82, 10},
         false},
        {"an empty fork at the magic",
         {ad::FinderInfoEntry, kHeaderEnd, 32},
         {ad::ResourceForkEntry, 0, 0},
         false},
        {"an empty fork inside the descriptors",
         {ad::FinderInfoEntry, kHeaderEnd, 32},
         {ad::ResourceForkEntry, kHeaderEnd - 1, 0},
         false},
        {"the fork inside the Finder info",
         {ad::FinderInfoEntry, kHeaderEnd, 32},
         {ad::ResourceForkEntry, 60, 4},
         false},
        {"an empty fork inside the Finder info",
         {ad::FinderInfoEntry, kHeaderEnd, 32},
         {ad::ResourceForkEntry, 60, 0},
         false},
        {"the fork running into the Finder info",
         {ad::FinderInfoEntry, 70, 32},
         {ad::ResourceForkEntry, kHeaderEnd, 21},
         false},
    };
    for (const Case& c : cases) {
        const Bytes companion = companionWith({c.finder, c.fork}, 102);
        EXPECT_EQ(bool(ad::parseLayout(companion, companion.size())), c.accepted) << c.what;
        EXPECT_EQ(bool(ad::parseDocument(companion)), c.accepted) << c.what;
    }
    // Another program's empty entries, of kinds never written, may sit anywhere.
    EXPECT_TRUE(ad::parseDocument(companionWith(
        {{ad::RealNameEntry, 0, 0}, {ad::FinderInfoEntry, 62, 32}, {ad::ResourceForkEntry, 94, 8}},
        102)));
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
