#include "sfnt/SfntData.h"
#include "suitcase/ResFile.h"

#include "base/ByteReader.h"
#include "base/ByteWriter.h"
#include "platform/ForkStorage.h"
#include "platform/OSStatus.h"
#include "suitcase/ResStatus.h"
#include "support/SampleFont.h"
#include "support/SampleSuitcase.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <vector>

using enum fu::ResStatus;

namespace fu {
namespace {

using namespace platform;

// A fork with one 'TEST' resource, ID 128, attributes 0x40, data "abcd", named `name`:
//   fork  0  header: data offset 16, map offset 24, data length 8, map length 51 + name
//        16  data record: length 4, "abcd"
//        24  map +0  header copy (the same four words)
//                +16 next map handle, +20 file reference number, +22 map attributes
//                +24 type list offset 28, +26 name list offset 50
//                +28 type count - 1 = 0
//                +30 'TEST', count - 1 = 0, reference list at type list + 10
//                +38 ID 128, name offset 0, attributes 0x40 | data offset 0, handle
//                +50 name: length byte, bytes
constexpr size_t kMapAt = 24;
constexpr size_t kNameAt = kMapAt + 50;

// A map in Inside Macintosh's layout after its 24-byte header (the given bytes, zero-filled):
// type list at 28, one 'TEST' whose reference list starts 10 bytes into the type list, the
// reference, and its name list at 50.
Bytes oneReferenceMap(ByteView header, int16_t id, uint32_t attributesAndOffset, uint32_t handle,
                      ByteView name) {
    ByteWriter w;
    w.writeBytes(header);
    w.writeZeros(24 - header.size());
    for (uint16_t half : {28, 50, 0})
        w.writeU16(half);
    w.writeU32(fourCC("TEST"));
    w.writeU16(0);
    w.writeU16(10);
    w.writeI16(id);
    w.writeU16(0);
    w.writeU32(attributesAndOffset);
    w.writeU32(handle);
    w.writeU8(static_cast<uint8_t>(name.size()));
    w.writeBytes(name);
    return w.take();
}

Bytes oneResourceFork(ByteView name = asBytes("A")) {
    const uint32_t mapLength = 51 + static_cast<uint32_t>(name.size());
    ByteWriter header;
    for (uint32_t word : {16u, 24u, 8u, mapLength})
        header.writeU32(word);
    ByteWriter w;
    w.writeBytes(header.bytes());
    w.writeU32(4);
    w.writeBytes(asBytes("abcd"));
    w.writeBytes(oneReferenceMap(header.bytes(), 128, 0x40000000, 0, name));
    return w.take();
}

class ResFileReader : public test::SandboxTest {
protected:
    void TearDown() override { EXPECT_EQ(openForkCount(), 0u) << "a fork was left open"; }

    std::string macFile(const std::string& name, ByteView fork, uint32_t type = fourCC("FFIL")) {
        std::string path = sandbox.path(name);
        EXPECT_EQ(sample::writeForkFile(path, fork, type), noErr);
        return path;
    }
    ResStatus loadStatusOf(ByteView fork) {
        return ResFile::initOfContentFile(macFile("Fork" + std::to_string(++files_), fork))
            ->loadStatus;
    }

private:
    int files_ = 0;
};

// The fork header's data offset points past the fork: the map's copy of the header is what places
// the data.
TEST_F(ResFileReader, LoadsTypesReferencesAndNamesButNoDataUntilAsked) {
    Bytes fork = oneResourceFork();
    fork[3] = 0xF0;
    const std::string path = macFile("Font", fork);
    auto resFile = ResFile::initOfContentFile(path);
    ASSERT_EQ(resFile->loadStatus, ResStatus::resNoErr);
    EXPECT_TRUE(resFile->suitcase);
    EXPECT_EQ(resFile->orgResMapData, Bytes(fork.begin() + kMapAt, fork.end()));

    ASSERT_EQ(resFile->countOfResType(fourCC("TEST")), 1);
    ResItem* item = resFile->resItemByResType(fourCC("TEST"), 128);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->resName, "A");
    EXPECT_FALSE(item->hasResData());
    ASSERT_NE(item->resData(), nullptr);
    EXPECT_EQ(toString(*item->resData()), "abcd");

    EXPECT_EQ(resFile->resItemByIndex(-1, fourCC("TEST")), nullptr);
    EXPECT_EQ(resFile->resItemByResType(fourCC("TEST"), 129), nullptr);

    item->setResData(Bytes{'n', 'e', 'w'});
    resFile->freeAllResData();
    EXPECT_EQ(toString(*item->resData()), "abcd") << "freed items read their file again";
}

TEST_F(ResFileReader, FailsWithTheCodeOfTheFirstBrokenStructure) {
    const Bytes good = oneResourceFork();
    struct Case {
        const char* what;
        size_t at;
        uint8_t value;
        ResStatus status;
    };
    const Case cases[] = {
        {"the name's last byte past the map", kNameAt, 2, resErrSwapBounds},
        {"map length one byte short of the map header", 15, 27, resErrSwapBounds},
        {"map length one byte past the fork", 15, uint8_t(good[15] + 1), resErrMapRead},
        {"the map copy's data offset past the fork", kMapAt + 3, 0xF0, resErrLengthWord},
    };
    for (const Case& c : cases) {
        Bytes fork = good;
        fork[c.at] = c.value;
        EXPECT_EQ(loadStatusOf(fork), c.status) << c.what;
    }
    EXPECT_EQ(loadStatusOf(oneResourceFork(Bytes{0x82, 0x20})), resErrNameDecoding);
}

TEST_F(ResFileReader, ReadsOnlySuitcasesAndTheirForks) {
    auto text = ResFile::initOfContentFile(macFile("Text", oneResourceFork(), fourCC("TEXT")));
    EXPECT_EQ(text->loadStatus, resErrNotSuitcase);

    EXPECT_EQ(ResFile::initOfContentFile(sandbox.path("Missing"))->loadStatus, resErrNotSuitcase);
    EXPECT_FALSE(ResFile::chekSuitcaseFile(sandbox.path("Text")));
}

// A map's structures all lie within 16-bit offsets of its start, so no map needs more than
// kResMapMaxLength bytes. A fork header that claims more, or a map that wraps around 32 bits or
// passes the fork, is refused before anything is allocated for it, by the loader and the census.
TEST_F(ResFileReader, AMapLongerThanAnyMapCanBeOrOutsideTheForkIsNotRead) {
    const std::string written = sandbox.path("Sample");
    ASSERT_EQ(sample::writeSampleSuitcase(written, sample::makeTrueTypeFont({})),
              ResStatus::resNoErr);
    const Bytes fork = *sample::readForkFile(written);
    uint32_t mapOffset = 0;
    ASSERT_TRUE(ByteReader(fork).u32At(4, mapOffset));
    // The fork header's map offset and length, the map's copy of the length where there is one.
    auto withMap = [&fork](uint32_t offset, uint32_t length, bool padded) {
        Bytes changed = fork;
        if (padded) changed.resize(size_t{offset} + length, 0);
        auto put = [&changed](size_t at, uint32_t value) {
            for (size_t i = 0; at + 4 <= changed.size() && i < 4; ++i)
                changed[at + i] = uint8_t(value >> (24 - 8 * i));
        };
        put(4, offset);
        put(12, length);
        put(size_t{offset} + 12, length);
        return changed;
    };
    auto census = [](const std::string& path) {
        int64_t fond = 0, sfnt = 0, vers = 0;
        return ResFile::checkSuitcaseFontResName("SampleGothic", path, fond, sfnt, vers);
    };

    const std::string longest = macFile("Longest", withMap(mapOffset, kResMapMaxLength, true));
    EXPECT_EQ(ResFile::initOfContentFile(longest)->loadStatus, ResStatus::resNoErr);
    EXPECT_EQ(census(longest), resNoErr);
    const std::string longer = macFile("Longer", withMap(mapOffset, kResMapMaxLength + 1, true));
    EXPECT_EQ(ResFile::initOfContentFile(longer)->loadStatus, resErrMapRead);
    EXPECT_EQ(census(longer), resErrCensus);
    const std::pair<uint32_t, uint32_t> outside[] = {{0xFFFFFFF0u, 0x20}, {mapOffset, 0xFFFFFFFFu}};
    for (const auto& [offset, length] : outside) {
        SCOPED_TRACE(offset);
        const std::string path =
            macFile("Outside" + std::to_string(offset), withMap(offset, length, false));
        EXPECT_EQ(ResFile::initOfContentFile(path)->loadStatus, resErrMapRead);
        EXPECT_EQ(census(path), resErrCensus);
    }
}

TEST_F(ResFileReader, EveryTruncationOfAForkFailsCleanly) {
    const Bytes fork = oneResourceFork();
    for (size_t length = 0; length < fork.size(); ++length) {
        EXPECT_NE(loadStatusOf(ByteView(fork).first(length)), resNoErr)
            << "truncated at " << length;
        ASSERT_EQ(openForkCount(), 0u) << "truncated at " << length;
    }
}

// What fontTools' macRes lists for the shared corpus forks (see its MANIFEST).
struct CorpusFork {
    const char* file;
    std::vector<std::tuple<uint32_t, int16_t, std::optional<std::string>>> resources;
};

TEST_F(ResFileReader, LoadsEveryCorpusForkWithItsResources) {
    FU_REQUIRE_CORPUS(probe, "fonts/empty.rsrc");
    constexpr uint32_t nfnt = fourCC("NFNT");
    const std::vector<CorpusFork> forks = {
        {"fonts/empty.rsrc", {}},
        {"fonts/AVAKernTT.bin.rsrc",
         {{fourCC("sfnt"), 14242, "AVAKernTT-Regular"},
          {fourCC("sfnt"), 1069, "AVAKernTT-Bold"},
          {fourCC("sfnt"), 12456, "AVAKernTT-Italic"},
          {fourCC("sfnt"), 28062, "AVAKernTT-BoldItalic"},
          {fourCC("FOND"), 128, "AVAKernTT"}}},
        {"fonts/AVAKern.bin.rsrc",
         {{nfnt, 5591, {}},
          {nfnt, 5593, {}},
          {nfnt, 5595, {}},
          {nfnt, 5597, {}},
          {nfnt, 5592, {}},
          {nfnt, 5594, {}},
          {nfnt, 5596, {}},
          {nfnt, 5598, {}},
          {fourCC("FOND"), 128, "AVAKern"}}},
        {"fonts/TestDFONT.dfont",
         {{fourCC("sfnt"), 14116, {}}, {fourCC("FOND"), 14116, "Test TTF"}}},
        {"fonts/HangingS.dfont",
         {{fourCC("sfnt"), 16065, {}}, {fourCC("FOND"), 16065, "HangingS"}}},
        {"fonts/4x6.dfont", {{nfnt, 4756, {}}, {fourCC("FOND"), 4756, "Fixed"}}},
        {"fonts/4x6.sfnt.dfont",
         {{fourCC("sfnt"), 11345, {}}, {nfnt, 11351, {}}, {fourCC("FOND"), 11345, "Fixed"}}},
        {"fonts/testfile.rsrc",
         {{fourCC("STR "), 128, {}},
          {fourCC("STR "), 129, "The Name"},
          {fourCC("STR "), 130, {}},
          {fourCC("STR "), 131, "The Name with Attributes"}}},
    };
    for (const CorpusFork& corpus : forks) {
        SCOPED_TRACE(corpus.file);
        const std::string source = *test::sharedCorpus(corpus.file);
        auto resFile = ResFile::initOfContentFile(
            macFile(std::string(corpus.file).substr(6), test::readWholeFile(source)));
        ASSERT_EQ(resFile->loadStatus, ResStatus::resNoErr);
        std::vector<std::tuple<uint32_t, int16_t, std::optional<std::string>>> listed;
        for (const auto& list : resFile->resItemLists)
            for (const auto& item : list->resItems)
                listed.emplace_back(item->resType, item->resID, item->resName.optional());
        EXPECT_EQ(listed, corpus.resources);

        ResMap map;
        Bytes written;
        ASSERT_EQ(ResFile::swapResMapStructBigToHostFrom(resFile->orgResMapData, map),
                  ResStatus::resNoErr);
        ASSERT_EQ(ResFile::swapResMapStructHostToBigFrom(map, written), ResStatus::resNoErr);
        EXPECT_EQ(written, resFile->orgResMapData) << "every byte of these maps is a structure";
    }
}

// .dfont writers leave the map's copy of the header zeroed, which means the fork header's data
// area; other writers fill it in. Either way the data is the whole font.
TEST_F(ResFileReader, ReadsDataWhetherTheMapCopyOfTheHeaderIsZeroedOrFilledIn) {
    const std::tuple<const char*, int16_t, size_t> fonts[] = {
        {"fonts/TestDFONT.dfont", 14116, 2488}, {"fonts/AVAKernTT.bin.rsrc", 14242, 10776}};
    for (const auto& [file, id, size] : fonts) {
        SCOPED_TRACE(file);
        FU_REQUIRE_CORPUS(source, file);
        auto resFile = ResFile::initOfContentFile(
            macFile("Font" + std::to_string(id), test::readWholeFile(source)));
        ASSERT_EQ(resFile->loadStatus, ResStatus::resNoErr);
        ResItem* sfnt = resFile->resItemByResType(fourCC("sfnt"), id);
        ASSERT_NE(sfnt, nullptr);
        ASSERT_NE(sfnt->resData(), nullptr);
        EXPECT_EQ(sfnt->resData()->size(), size);
        auto font = SfntData::initWithSfntData(*sfnt->resData());
        ASSERT_TRUE(font);
        EXPECT_TRUE(font->tableForTag(fourCC("head"))) << "the data is a real font";
    }
    FU_REQUIRE_CORPUS(strings, "fonts/testfile.rsrc");
    auto strs = ResFile::initOfContentFile(macFile("testfile", test::readWholeFile(strings)));
    std::vector<int16_t> attributes;
    for (const auto& item : strs->resItemListByResType(fourCC("STR "))->resItems)
        attributes.push_back(item->resAttr);
    EXPECT_EQ(attributes, (std::vector<int16_t>{0, 0, 12, 64}));
}

TEST(ResFileMap, HexTextReadsGroupsFromTheirStart) {
    EXPECT_EQ(ResFile::dataFromHexString("a"), std::nullopt);
    EXPECT_EQ(ResFile::dataFromHexString("0a0B"), (Bytes{0x0A, 0x0B}));
    EXPECT_EQ(ResFile::dataFromHexString("7GG7"), (Bytes{0x07, 0x00}));
    EXPECT_EQ(ResFile::hexStringFromData(Bytes{0x0A, 0x0B}), "0A0B");
    EXPECT_EQ(ResFile::hexStringFromData(Bytes{}), std::nullopt);
}

TEST(ResFileMap, AddressCheckKeepsEveryAccessInsideTheMap) {
    EXPECT_TRUE(ResFile::checkResMapAddress(100, 10, 108, 2));
    EXPECT_FALSE(ResFile::checkResMapAddress(100, 10, 108, 3));
    EXPECT_FALSE(ResFile::checkResMapAddress(100, 10, 99, 2));
    EXPECT_FALSE(ResFile::checkResMapAddress(0, 10, UINT64_MAX, 2));
}

TEST(ResFileMap, RefusesMoreReferencesThanTheMapCouldHoldSideBySide) {
    // 200 types whose lists all point at the same 8 references: each list fits, together they
    // claim more than the map can hold.
    ByteWriter w;
    w.writeZeros(24);
    w.writeU16(28);  // type list offset
    w.writeU16(0);   // name list offset
    w.writeU16(199); // 200 types
    for (int i = 0; i < 200; ++i) {
        w.writeU32(fourCC("TEST"));
        w.writeU16(7);
        w.writeU16(2 + 200 * 8);
    }
    w.writeZeros(size_t{12} * 8);
    ResMap map;
    EXPECT_EQ(ResFile::swapResMapStructBigToHostFrom(w.bytes(), map), resErrSwapBounds);
}

TEST(ResFileMap, AReferenceReadsAndWritesAtItsPublishedOffsets) {
    const Bytes bytes = oneReferenceMap({}, -2, 0x20123456, 0xAABBCCDD, asBytes("AB"));
    ResMap map;
    ASSERT_EQ(ResFile::swapResMapStructBigToHostFrom(bytes, map), resNoErr);
    ASSERT_EQ(map.types.size(), 1u);
    ASSERT_EQ(map.types[0].references.size(), 1u);
    const ResMapReference& reference = map.types[0].references[0];
    EXPECT_EQ(reference.resID, -2);
    EXPECT_EQ(reference.attributes, 0x20);
    EXPECT_EQ(reference.dataOffset, 0x123456u);
    EXPECT_EQ(reference.handle, 0xAABBCCDDu);
    ASSERT_TRUE(reference.name);
    EXPECT_EQ(*reference.name, Bytes({'A', 'B'}));
    Bytes written;
    ASSERT_EQ(ResFile::swapResMapStructHostToBigFrom(map, written), resNoErr);
    EXPECT_EQ(written, bytes);

    map.types[0].references[0].dataOffset = 0x1000000;
    EXPECT_EQ(ResFile::swapResMapStructHostToBigFrom(map, written), resErrSwapArgument)
        << "data offsets have 24 bits";
}

TEST_F(ResFileReader, ForkReadsRefuseBadArgumentsAndReportTheEndOfTheFork) {
    const std::string path = macFile("Font", oneResourceFork());
    ScopedFork fork(path, fsRdPerm);
    ASSERT_TRUE(fork.isOpen());
    std::array<uint8_t, 4> buffer{};
    EXPECT_EQ(ResFile::readResouceRefNum(0, fsFromStart, 0, 4, buffer), resErrArgument);
    EXPECT_EQ(ResFile::readResouceRefNum(fork.refNum(), fsFromStart, 0, 5, buffer), resErrArgument);
    EXPECT_EQ(ResFile::readResouceRefNum(fork.refNum(), fsFromStart, 16, 4, buffer),
              ResStatus::resNoErr);
    EXPECT_EQ(buffer, (std::array<uint8_t, 4>{0, 0, 0, 4}));
    EXPECT_EQ(ResFile::readResouceRefNum(fork.refNum(), fsFromStart, 74, 4, buffer),
              resStatusOfPlatform(eofErr));
    EXPECT_EQ(ResFile::resourceFileSizeOfPath(path), 76u);
}

} // namespace
} // namespace fu
