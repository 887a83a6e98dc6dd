#include "suitcase/MacContainer.h"

#include "base/ByteWriter.h"
#include "platform/FileAttributes.h"
#include "platform/ForkStorage.h"
#include "platform/MacFiles.h"
#include "platform/OSStatus.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

namespace fu {
namespace {

using namespace std::chrono;
using Contents = MacContainerContents;
using test::SandboxTest;

constexpr uint32_t k2000In1904Seconds = 3029529600; // 2000-01-01 00:00:00 as a classic Mac date
constexpr sys_seconds k2000{seconds(946684800)};

Bytes words(std::initializer_list<uint32_t> values, size_t size) {
    ByteWriter w;
    for (uint32_t value : values)
        w.writeU32(value);
    w.writeZeros(size - w.size());
    return w.take();
}

// The smallest resource fork: header, no data, a 30-byte map with no types.
Bytes emptyFork() {
    Bytes fork = words({16, 16, 0, 30}, 40);             // data and map at 16, no data, 30-byte map
    fork.insert(fork.end(), {0, 28, 0, 30, 0xFF, 0xFF}); // type list, name list, type count - 1
    return fork;
}

const Bytes kData = {'h', 'e', 'l', 'l', 'o'};

// A MacBinary file named "Sample" holding kData and emptyFork(); its last fork is left
// unpadded, as some writers do. Version 1 leaves bytes 99 to 127 zero.
Bytes macBinarySample(int version) {
    // MacBinary II header CRC of this header, computed with Python's binascii.crc_hqx.
    constexpr uint16_t kVersion2Crc = 0xABD9;
    const Bytes fork = emptyFork();
    ByteWriter w;
    w.writeU8(0);
    w.writeU8(6);
    w.writeBytes(asBytes("Sample"));
    w.writeZeros(63 - 6);
    w.writeU32(fourCC("FFIL")); // 65
    w.writeU32(fourCC("DMOV")); // 69
    w.writeZeros(10);           // 73 Finder flags .. 82
    w.writeU32(uint32_t(kData.size()));
    w.writeU32(uint32_t(fork.size()));
    w.writeU32(k2000In1904Seconds);      // 91 created
    w.writeU32(k2000In1904Seconds + 60); // 95 modified
    w.writeZeros(21);                    // 99 .. 119
    w.writeU16(0);                       // 120 secondary header length
    w.writeU8(version == 2 ? 129 : 0);   // 122 writer version
    w.writeU8(version == 2 ? 129 : 0);   // 123 reader version
    w.writeU16(version == 2 ? kVersion2Crc : 0);
    w.writeZeros(2);
    w.writeBytes(kData);
    w.padTo(128);
    w.writeBytes(fork);
    return w.take();
}

struct Entry {
    uint32_t id;
    Bytes bytes;
};

Bytes appleSingle(uint32_t version, std::string_view home, const std::vector<Entry>& entries) {
    ByteWriter w;
    w.writeU32(0x00051600);
    w.writeU32(version);
    w.writeBytes(asBytes(home));
    w.writeZeros(16 - home.size());
    w.writeU16(uint16_t(entries.size()));
    uint32_t offset = uint32_t(26 + 12 * entries.size());
    for (const auto& entry : entries) {
        w.writeU32(entry.id);
        w.writeU32(offset);
        w.writeU32(uint32_t(entry.bytes.size()));
        offset += uint32_t(entry.bytes.size());
    }
    for (const auto& entry : entries)
        w.writeBytes(entry.bytes);
    return w.take();
}

// Finder info, dates (created 2000-01-01, modified unknown), name, an icon we ignore, forks;
// the data fork last and not empty, so any cut loses some of it.
Bytes appleSingleSample() {
    return appleSingle(0x00020000, "",
                       {{9, words({fourCC("tfil"), fourCC("movr")}, 32)},
                        {8, words({0, 0x80000000u, 0x80000000u, 0x80000000u}, 16)},
                        {3, Bytes{'S', 'a', 'm', 'p', 'l', 'e'}},
                        {5, Bytes(128, 0xFF)},
                        {2, emptyFork()},
                        {1, kData}});
}

TEST(MacContainer, UnpacksTheCorpusMacBinaryFonts) {
    for (const char* name : {"AVAKernTT", "AVAKern"}) {
        FU_REQUIRE_CORPUS(bin, std::string("fonts/") + name + ".bin");
        FU_REQUIRE_CORPUS(rsrc, std::string("fonts/") + name + ".bin.rsrc");
        auto parsed = parseMacContainer(test::readWholeFile(bin));
        ASSERT_TRUE(parsed.contents) << name << ": " << parsed.reason;
        EXPECT_EQ(parsed.contents->kind, Contents::MacBinary3) << name;
        EXPECT_EQ(parsed.contents->name, name);
        EXPECT_EQ(parsed.contents->resourceFork, test::readWholeFile(rsrc)) << name;
    }
    FU_REQUIRE_CORPUS(small, "fonts/4x6.bin");
    auto parsed = parseMacContainer(test::readWholeFile(small));
    ASSERT_TRUE(parsed.contents) << parsed.reason;
}

TEST(MacContainer, TakesCorpusForksAsTheyAreAndRefusesBinHex) {
    for (const char* name :
         {"4x6.dfont", "TestDFONT.dfont", "HangingS.dfont", "empty.rsrc", "testfile.rsrc"}) {
        FU_REQUIRE_CORPUS(path, std::string("fonts/") + name);
        auto parsed = parseMacContainer(test::readWholeFile(path));
        ASSERT_TRUE(parsed.contents) << name << ": " << parsed.reason;
        EXPECT_EQ(parsed.contents->kind, Contents::RawFork) << name;
        EXPECT_EQ(parsed.contents->resourceFork, test::readWholeFile(path)) << name;
    }
    FU_REQUIRE_CORPUS(hqx, "fonts/4x6.hqx");
    auto parsed = parseMacContainer(test::readWholeFile(hqx));
    EXPECT_FALSE(parsed.contents);
    EXPECT_NE(parsed.reason.find("BinHex"), std::string::npos) << parsed.reason;
}

// Version 2 is recognised by its header CRC, version 1 by its zero fields and a length that
// ends at the padded last fork; any change to what either relies on refuses the file.
TEST(MacContainer, MacBinaryIsTakenOnlyWhenItsCrcOrZeroFieldsAndLengthAgree) {
    for (const int version : {2, 1}) {
        SCOPED_TRACE(version);
        const Bytes good = macBinarySample(version);
        auto parsed = parseMacContainer(good);
        ASSERT_TRUE(parsed.contents) << parsed.reason;
        EXPECT_EQ(parsed.contents->kind,
                  version == 2 ? Contents::MacBinary2 : Contents::MacBinary1);
        EXPECT_EQ(parsed.contents->name, "Sample");
        EXPECT_EQ(parsed.contents->resourceFork, emptyFork());
        EXPECT_EQ(parsed.contents->created, k2000);
    }
    Bytes renamed = macBinarySample(2);
    renamed[2] = 's';
    auto refused = parseMacContainer(renamed);
    EXPECT_FALSE(refused.contents);
    EXPECT_NE(refused.reason.find("CRC"), std::string::npos) << refused.reason;

    Bytes byte82 = macBinarySample(1);
    byte82[82] = 1;
    EXPECT_FALSE(parseMacContainer(byte82).contents);
    Bytes trailing = macBinarySample(1);
    trailing.resize(trailing.size() + 200);
    EXPECT_FALSE(parseMacContainer(trailing).contents) << "bytes past the padded last fork";
}

TEST(MacContainer, ReadsAppleSingleEntriesOfBothVersions) {
    auto parsed = parseMacContainer(appleSingleSample());
    ASSERT_TRUE(parsed.contents) << parsed.reason;
    EXPECT_EQ(parsed.contents->type, fourCC("tfil"));
    EXPECT_EQ(parsed.contents->creator, fourCC("movr"));
    EXPECT_EQ(parsed.contents->created, k2000) << "version 2 dates count from 2000";
    EXPECT_FALSE(parsed.contents->modified) << "0x80000000 is unknown";
    EXPECT_EQ(parsed.contents->ignoredEntries, std::vector<uint32_t>{5});

    // Version 1 keeps Macintosh dates in its file info entry, counted from 1904.
    auto version1 = parseMacContainer(appleSingle(
        0x00010000, "Macintosh", {{7, words({k2000In1904Seconds, k2000In1904Seconds + 1}, 16)}}));
    ASSERT_TRUE(version1.contents) << version1.reason;
    EXPECT_EQ(version1.contents->created, k2000);
    EXPECT_EQ(version1.contents->modified, k2000 + seconds(1));

    EXPECT_FALSE(
        parseMacContainer(appleSingle(0x00020000, "", {{1, kData}, {1, Bytes{1}}})).contents)
        << "two data forks";
}

TEST(MacContainer, RefusesForkHeadersThatDoNotFitTheFile) {
    const Bytes fork = emptyFork();
    ASSERT_TRUE(isPlausibleResourceFork(fork));
    Bytes shortMap = fork;
    shortMap[15] = 27;
    Bytes mapPastEnd = fork;
    mapPastEnd[15] = 31;
    Bytes overlap = fork;
    overlap[11] = 2; // two bytes of data at 16, where the map is
    for (const Bytes& bad : {shortMap, mapPastEnd, overlap}) {
        std::string reason;
        EXPECT_FALSE(isPlausibleResourceFork(bad, &reason));
        auto parsed = parseMacContainer(bad);
        EXPECT_FALSE(parsed.contents);
        EXPECT_NE(parsed.reason.find(reason), std::string::npos) << parsed.reason;
    }
}

class MacImport : public SandboxTest {
protected:
    static Bytes resourceForkOf(const std::string& path) {
        platform::ScopedFork fork(path, platform::fsRdPerm);
        EXPECT_TRUE(fork.isOpen());
        Bytes bytes(platform::forkSize(fork.refNum()).value_or(0));
        auto read = platform::readFork(fork.refNum(), platform::fsFromStart, 0, bytes);
        EXPECT_EQ(read.actualCount, bytes.size());
        return bytes;
    }
};

TEST_F(MacImport, TruncatedContainersAreNeverImported) {
    for (const Bytes& whole : {macBinarySample(2), macBinarySample(1), appleSingleSample()}) {
        ASSERT_TRUE(parseMacContainer(whole).contents);
        for (size_t length = 0; length < whole.size(); ++length) {
            const ByteView cut(whole.data(), length);
            EXPECT_FALSE(parseMacContainer(cut).contents) << "cut at " << length;
            EXPECT_FALSE(
                importMacContainer(cut, sandbox.path("Out"), std::nullopt, std::nullopt).ok);
        }
    }
    EXPECT_FALSE(platform::macFileExists(sandbox.path("Out")));
    EXPECT_FALSE(platform::macFileExists(platform::companionPath(sandbox.path("Out"))));
}

TEST_F(MacImport, ImportedMacBinaryReadsBack) {
    FU_REQUIRE_CORPUS(bin, "fonts/AVAKernTT.bin");
    FU_REQUIRE_CORPUS(rsrc, "fonts/AVAKernTT.bin.rsrc");
    const Bytes source = test::readWholeFile(bin);
    const std::string out = sandbox.path("AVAKernTT");
    auto result = importMacContainer(source, out, std::nullopt, std::nullopt);
    ASSERT_TRUE(result.ok) << result.reason;
    auto attributes = platform::readAttributes(out);
    ASSERT_TRUE(attributes);
    EXPECT_EQ(attributes->hfsTypeCode, fourCC("FFIL"));
    EXPECT_EQ(attributes->hfsCreatorCode, fourCC("DMOV"));
    const auto contents = parseMacContainer(source).contents;
    EXPECT_EQ(attributes->creationDate, contents->created);
    EXPECT_EQ(resourceForkOf(out), test::readWholeFile(rsrc));
}

TEST_F(MacImport, AppleSingleDataForkGoesIntoTheDataFile) {
    // Faithful conversion: the font lives in the data fork, so the result has an empty fork.
    FU_REQUIRE_CORPUS(as, "fonts/4x6.dfont.as");
    FU_REQUIRE_CORPUS(dfont, "fonts/4x6.dfont");
    const Bytes source = test::readWholeFile(as);
    const auto contents = parseMacContainer(source).contents;
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->kind, Contents::AppleSingle);

    const std::string out = sandbox.path("4x6");
    auto result = importMacContainer(source, out, std::nullopt, std::nullopt);
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(test::readWholeFile(out), test::readWholeFile(dfont));
    EXPECT_TRUE(resourceForkOf(out).empty());
}

TEST_F(MacImport, BareForksGetSuitcaseCodesAndGivenCodesAlwaysWin) {
    const std::string bare = sandbox.path("Bare");
    ASSERT_TRUE(importMacContainer(emptyFork(), bare, std::nullopt, std::nullopt).ok);
    auto attributes = platform::readAttributes(bare);
    EXPECT_EQ(attributes->hfsTypeCode, fourCC("FFIL"));
    EXPECT_EQ(resourceForkOf(bare), emptyFork());

    const std::string packed = sandbox.path("Packed");
    ASSERT_TRUE(importMacContainer(macBinarySample(2), packed, fourCC("tfil"), std::nullopt).ok);
    attributes = platform::readAttributes(packed);
    EXPECT_EQ(attributes->hfsTypeCode, fourCC("tfil"));
    EXPECT_EQ(test::readWholeFile(packed), kData);
}

TEST_F(MacImport, ATakenNameIsNeverOverwritten) {
    const std::string taken = sandbox.writeFile("Taken", Bytes{1, 2, 3});
    auto result = importMacContainer(macBinarySample(2), taken, std::nullopt, std::nullopt);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.status, platform::dupFNErr);
    EXPECT_EQ(test::readWholeFile(taken), (Bytes{1, 2, 3}));
    EXPECT_FALSE(platform::macFileExists(platform::companionPath(taken)));
}

// What import writes must open again: a fork longer than any resource fork is refused before a
// file is made, while the longest one is imported whole.
TEST_F(MacImport, AForkLongerThanAnyResourceForkIsRefusedBeforeAFileIsMade) {
    MacContainerContents contents;
    contents.resourceFork.assign(platform::kMaxResourceForkLength + 1, 0);
    auto result = importMacContainer(contents, sandbox.path("Long"), std::nullopt, std::nullopt);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.status, platform::fsDataTooBigErr);
    EXPECT_FALSE(platform::macFileExists(sandbox.path("Long")));
    EXPECT_FALSE(platform::macFileExists(sandbox.path("._Long")));

    contents.resourceFork.pop_back();
    ASSERT_TRUE(
        importMacContainer(contents, sandbox.path("Longest"), std::nullopt, std::nullopt).ok);
    platform::ScopedFork fork(sandbox.path("Longest"), platform::fsRdPerm);
    ASSERT_TRUE(fork.isOpen());
    EXPECT_EQ(platform::forkSize(fork.refNum()), platform::kMaxResourceForkLength);
}

} // namespace
} // namespace fu
