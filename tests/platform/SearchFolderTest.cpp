#include "platform/SearchFolder.h"

#include "base/ByteWriter.h"
#include "platform/FileAttributes.h"
#include "platform/ForkStorage.h"
#include "platform/MacFiles.h"
#include "platform/OSStatus.h"
#include "platform/Paths.h"
#include "support/BoundedRun.h"
#include "support/HostileFiles.h"
#include "support/SampleFont.h"
#include "support/SampleSuitcase.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <map>
#include <sys/stat.h>

namespace fu {
namespace {

using namespace platform;
namespace fs = std::filesystem;

Bytes finderInfo(const char (&typeAndCreator)[9]) {
    const ByteView codes = asBytes(typeAndCreator);
    Bytes bytes(codes.begin(), codes.end());
    bytes.resize(32);
    return bytes;
}

// A companion as other programs lay them out: descriptors (ID, offset, length) over at least
// `size` bytes, with `contents` placed at their offsets.
Bytes companionOf(const std::vector<std::array<uint32_t, 3>>& entries, size_t size,
                  const std::vector<std::pair<size_t, Bytes>>& contents) {
    ByteWriter w;
    w.writeU32(0x00051607);
    w.writeU32(0x00020000);
    w.writeZeros(16);
    w.writeU16(uint16_t(entries.size()));
    for (const auto& entry : entries)
        for (uint32_t word : entry)
            w.writeU32(word);
    Bytes bytes = w.take();
    bytes.resize(std::max(bytes.size(), size));
    for (const auto& [at, content] : contents) {
        bytes.resize(std::max(bytes.size(), at + content.size()));
        std::copy(content.begin(), content.end(), bytes.begin() + long(at));
    }
    return bytes;
}

Bytes pattern(size_t length) {
    Bytes bytes(length);
    for (size_t i = 0; i < length; ++i)
        bytes[i] = uint8_t(i * 7 + 3);
    return bytes;
}

// What the two readers said of one item, kept for the checks that the tree holds each case.
struct Seen {
    int16_t status = 0;
    std::optional<uint32_t> typeCode;
    int16_t forkStatus = 0;
};

// The first 64 KiB and the last 4 KiB of two open forks, and their sizes, compared.
std::string forkDifference(const ScopedFork& lean, const ScopedFork& full) {
    const auto size = forkSize(lean.refNum());
    if (size != forkSize(full.refNum())) return "fork sizes differ";
    auto read = [](const ScopedFork& fork, uint64_t at, size_t length) {
        Bytes bytes(length);
        const ForkTransfer transfer = readFork(fork.refNum(), fsFromStart, int64_t(at), bytes);
        bytes.resize(transfer.actualCount);
        return std::make_pair(transfer.status, bytes);
    };
    const size_t head = size_t(std::min<uint64_t>(*size, 64 << 10));
    const size_t tail = size_t(std::min<uint64_t>(*size, 4 << 10));
    if (read(lean, 0, head) != read(full, 0, head)) return "fork starts differ";
    if (read(lean, *size - tail, tail) != read(full, *size - tail, tail)) return "fork ends differ";
    return "";
}

// Walks the tree through the lean reader and holds every answer against the full reads of the
// same items: listing and order, kinds, companions, Finder info, and the fork with its bytes.
void compareFolder(const SearchFolder& folder, const std::string& path, test::ChildChecks& checks,
                   std::map<std::string, Seen>& seen) {
    const auto entries = folder.list();
    const auto names = listFolder(path);
    checks.expect(entries.has_value() == names.has_value(),
                  path + ": one listing failed, the other did not");
    if (!entries || !names) return;
    std::vector<std::string> listed;
    for (const SearchEntry& entry : *entries)
        listed.push_back(entry.name);
    checks.expect(listed == *names, path + ": the listings differ");

    for (const SearchEntry& entry : *entries) {
        const std::string item = path + "/" + entry.name;
        checks.expect(itemTypeOf(item) == entry.type, item + ": the kinds differ");
        checks.expect(entry.hasCompanion == macFileExists(companionPath(item)),
                      item + ": companion seen wrongly");
        if (entry.type == ItemType::Directory) {
            const auto child = SearchFolder::openChild(folder, entry.name);
            if (child)
                compareFolder(*child, item, checks, seen);
            else
                checks.expect(!listFolder(item), item + ": opened only by the full reader");
            continue;
        }
        int16_t error = noErr;
        const std::optional<FileAttributes> full = readAttributes(item, &error);
        SearchFile lean = folder.readFile(entry);
        checks.expect(lean.status() == (full ? noErr : error), item + ": statuses differ");
        checks.expect(lean.hfsTypeCode() == (full ? full->hfsTypeCode : std::nullopt),
                      item + ": type codes differ");
        checks.expect(lean.hfsCreatorCode() == (full ? full->hfsCreatorCode : std::nullopt),
                      item + ": creator codes differ");
        Seen& record = seen[item];
        record = {lean.status(), lean.hfsTypeCode(), noErr};

        const ScopedFork leanFork = lean.openFork();
        record.forkStatus = leanFork.openStatus();
        if (entry.type == ItemType::SymbolicLink) {
            checks.expect(!leanFork.isOpen() && leanFork.openStatus() == notAFileErr,
                          item + ": a link's fork opened");
            continue;
        }
        const ScopedFork fullFork(item, fsRdPerm);
        if (leanFork.isOpen() != fullFork.isOpen() ||
            leanFork.openStatus() != fullFork.openStatus()) {
            checks.expect(false, item + ": fork opens differ (" +
                                     std::to_string(leanFork.openStatus()) + " against " +
                                     std::to_string(fullFork.openStatus()) + ")");
            continue;
        }
        if (leanFork.isOpen()) {
            const std::string difference = forkDifference(leanFork, fullFork);
            checks.expect(difference.empty(), item + ": " + difference);
        }
        const ScopedFork again = lean.openFork();
        checks.expect(!again.isOpen() && again.openStatus() == paramErr,
                      item + ": the fork opened twice");
    }
}

class SearchFolderTree : public test::SandboxTest {
protected:
    // The unprivileged reader must be able to read what is not locked on purpose.
    void SetUp() override { savedMask_ = ::umask(022); }
    void TearDown() override { ::umask(savedMask_); }
    std::string tree() const { return sandbox.path("tree"); }
    std::string at(const std::string& name) const { return tree() + "/" + name; }
    void write(const std::string& name, ByteView bytes) const {
        test::writeWholeFile(at(name), bytes);
    }
    // An empty data file and the given companion.
    void withCompanion(const std::string& name, ByteView companion) const {
        write(name, {});
        write("._" + name, companion);
    }
    void suitcase(const std::string& name) const {
        ASSERT_EQ(sample::writeSampleSuitcase(at(name), font), ResStatus::resNoErr) << name;
    }
    const Bytes font = sample::makeTrueTypeFont({});

private:
    mode_t savedMask_ = 022;
};

// Every kind of item a Fonts folder may hold, read by the lean reader and by the full reads. The
// checks run as an unprivileged user, so that what a mode locks out is locked out for root too.
TEST_F(SearchFolderTree, TheLeanReaderAnswersAsTheFullReadsForEveryKindOfItem) {
    fs::create_directories(at("Sub/Deeper"));
    fs::permissions(sandbox.root(), fs::perms::owner_all | fs::perms::group_read |
                                        fs::perms::group_exec | fs::perms::others_read |
                                        fs::perms::others_exec);
    // Files and suitcases, one named in Japanese.
    write("Plain.ttf", font);
    suitcase("Suitcase");
    suitcase("日本語 フォント");
    suitcase("Sub/Inner");
    suitcase("Sub/Deeper/Deepest");
    write("Sub/Deeper/plain.otf", font);
    ASSERT_EQ(sample::writeForkFile(at("Fork"), pattern(3000)), noErr);
    const Bytes suitcaseCompanion = test::readWholeFile(at("._Suitcase"));
    // Companions of fonts that are no suitcases: ours, and the one macOS leaves on a volume
    // without forks (Finder info with its extended attributes, no fork entry).
    write("Pair.ttf", font);
    FileAttributes typed;
    typed.hfsTypeCode = fourCC("sfnt");
    typed.hfsCreatorCode = fourCC("movr");
    ASSERT_TRUE(applyAttributes(at("Pair.ttf"), typed).ok);
    write("MacPair.ttf", font);
    write("._MacPair.ttf", companionOf({{9, 50, 3698}}, 4096, {{50, finderInfo("sfntmovr")}}));
    // Layouts of other programs: Finder info past the first block read, more descriptors than
    // it holds, Finder info that is long (macOS) or short, two Finder entries, damaged headers.
    withCompanion("FarFinder", companionOf({{2, 100, 300}, {9, 1000, 32}}, 0,
                                           {{100, pattern(300)}, {1000, finderInfo("FFILDMOV")}}));
    std::vector<std::array<uint32_t, 3>> many;
    for (uint32_t id = 100; id < 143; ++id)
        many.push_back({id, 0, 0});
    many.push_back({9, 600, 32});
    many.push_back({2, 640, 500});
    withCompanion("ManyEntries",
                  companionOf(many, 0, {{600, finderInfo("FFILDMOV")}, {640, pattern(500)}}));
    withCompanion("LongFinder", companionOf({{9, 50, 3698}, {2, 3748, 200}}, 0,
                                            {{50, finderInfo("FFILDMOV")}, {3748, pattern(200)}}));
    Bytes shortFinder = finderInfo("FFILDMOV");
    shortFinder.resize(16);
    withCompanion("ShortFinder", companionOf({{9, 62, 16}, {2, 78, 100}}, 178,
                                             {{62, shortFinder}, {78, finderInfo("DMOVFFIL")}}));
    withCompanion("TwoFinders",
                  companionOf({{9, 62, 32}, {9, 94, 32}}, 0,
                              {{62, finderInfo("TEXTttxt")}, {94, finderInfo("FFILDMOV")}}));
    Bytes badMagic = suitcaseCompanion;
    badMagic[3] ^= 1;
    withCompanion("BadMagic", badMagic);
    withCompanion("Cut", ByteView(suitcaseCompanion).first(40));
    withCompanion("EmptyCompanion", {});
    // Companions with no data file, and one named by the prefix alone.
    write("._Orphan", suitcaseCompanion);
    write("._", suitcaseCompanion);
    // A folder's own companion, which the search never reads.
    write("._Sub", suitcaseCompanion);
    // Links: to a suitcase (with a suitcase companion of its own), to nothing, to a folder; and a
    // companion that is a link to a suitcase's companion.
    fs::create_symlink("Suitcase", at("Link"));
    write("._Link", suitcaseCompanion);
    fs::create_symlink("nowhere", at("Dangling"));
    fs::create_directory_symlink("Sub", at("LinkedFolder"));
    write("LinkedCompanion", {});
    fs::create_symlink("._Suitcase", at("._LinkedCompanion"));
    // FIFOs, sockets and folders where files belong.
    test::makeFifo(at("FifoData"));
    write("._FifoData", suitcaseCompanion);
    write("Piped", {});
    test::makeFifo(at("._Piped"));
    write("Socket", {});
    test::makeSocket(at("._Socket"));
    test::makeSocket(at("SocketData"));
    write("FolderCompanion", {});
    fs::create_directory(at("._FolderCompanion"));
    // Sparse companions: a fork longer than any resource fork, and the longest that opens.
    write("Sparse", {});
    test::writeSparseSuitcaseCompanion(at("._Sparse"), uint64_t{2} << 30);
    write("LongestSparse", {});
    test::writeSparseSuitcaseCompanion(at("._LongestSparse"), kMaxResourceForkLength);
    // Locked out: a companion, a data file, a folder.
    withCompanion("Locked", suitcaseCompanion);
    fs::permissions(at("._Locked"), fs::perms::none);
    suitcase("LockedData");
    fs::permissions(at("LockedData"), fs::perms::none);
    fs::create_directory(at("Private"));
    suitcase("Private/Hidden");
    fs::permissions(at("Private"), fs::perms::none);

    const std::string report = test::runBounded(
        [this] {
            test::ChildChecks checks;
            if (!test::actAsUnprivilegedUser()) return std::string("could not give up root");
            std::map<std::string, Seen> seen;
            const auto root = SearchFolder::open(tree());
            checks.expect(root.has_value(), "the tree does not open");
            if (root) compareFolder(*root, tree(), checks, seen);
            // The tree holds each case: without them agreement would prove little.
            const uint32_t ffil = fourCC("FFIL");
            for (const char* name :
                 {"Suitcase", "日本語 フォント", "Sub/Inner", "Sub/Deeper/Deepest", "Fork",
                  "FarFinder", "ManyEntries", "LongFinder", "FifoData", "Sparse", "LongestSparse",
                  "LockedData"})
                checks.expect(seen[at(name)].typeCode == ffil,
                              std::string(name) + " is no suitcase");
            checks.expect(seen[at("Pair.ttf")].typeCode == fourCC("sfnt") &&
                              seen[at("MacPair.ttf")].typeCode == fourCC("sfnt"),
                          "the pairs have no type");
            checks.expect(seen[at("TwoFinders")].typeCode == fourCC("TEXT"),
                          "the second Finder info counted");
            for (const char* name : {"Plain.ttf", "ShortFinder", "BadMagic", "Cut", "Link",
                                     "LinkedCompanion", "Locked"})
                checks.expect(!seen[at(name)].typeCode && seen[at(name)].status == noErr,
                              std::string(name) + " has a type");
            for (const char* name : {"Piped", "Socket", "FolderCompanion"})
                checks.expect(seen[at(name)].status == notAFileErr,
                              std::string(name) + " was read");
            checks.expect(seen[at("Sparse")].forkStatus == fsDataTooBigErr,
                          "the sparse fork opened");
            checks.expect(seen[at("LongestSparse")].forkStatus == noErr,
                          "the longest fork did not open");
            checks.expect(seen[at("FifoData")].forkStatus == notAFileErr, "a FIFO's fork opened");
            checks.expect(seen[at("BadMagic")].forkStatus == ioErr,
                          "a damaged companion's fork opened");
            checks.expect(seen[at("Locked")].forkStatus == permErr, "a locked companion was read");
            checks.expect(!seen.count(at("._Orphan")) && !seen.count(at("._")) &&
                              !seen.count(at("._Sub")) && !seen.count(at("._Suitcase")),
                          "a companion was listed");
            checks.expect(!seen.count(at("LinkedFolder/Inner")), "a linked folder was entered");
            checks.expect(!seen.count(at("Private/Hidden")), "a locked folder was listed");
            checks.expect(openForkCount() == 0, "a fork was left open");
            return checks.report();
        },
        {});
    fs::permissions(at("Private"), fs::perms::owner_all);
    EXPECT_EQ(report, "");
    EXPECT_TRUE(fs::is_fifo(at("._Piped"))) << "reading changes nothing";
    EXPECT_EQ(fs::file_size(at("._Sparse")), 82 + (uint64_t{2} << 30));
}

// The Fonts folder itself may be a link its user made; the folders in it are never entered
// through one.
TEST_F(SearchFolderTree, OnlyTheFolderOpenedByPathIsReachedThroughALink) {
    fs::create_directories(at("Real/Sub"));
    suitcase("Real/Sub/Font");
    fs::create_directory_symlink("tree/Real", sandbox.path("LinkedTree"));
    fs::create_directory_symlink("Sub", at("Real/LinkedSub"));

    const auto linked = SearchFolder::open(sandbox.path("LinkedTree"));
    ASSERT_TRUE(linked);
    const auto entries = linked->list();
    ASSERT_TRUE(entries);
    std::map<std::string, ItemType> kinds;
    for (const SearchEntry& entry : *entries)
        kinds[entry.name] = entry.type;
    EXPECT_EQ(kinds, (std::map<std::string, ItemType>{{"Sub", ItemType::Directory},
                                                      {"LinkedSub", ItemType::SymbolicLink}}));
    int error = 0;
    EXPECT_FALSE(SearchFolder::openChild(*linked, "LinkedSub", &error))
        << "a link to a folder is no folder";
    EXPECT_NE(error, 0);
    for (const char* name : {"", ".", "..", "Sub/..", "a/b"})
        EXPECT_FALSE(SearchFolder::openChild(*linked, name)) << name;
    const auto sub = SearchFolder::openChild(*linked, "Sub");
    ASSERT_TRUE(sub);
    const auto inner = sub->list();
    ASSERT_TRUE(inner);
    ASSERT_EQ(inner->size(), 1u);
    EXPECT_TRUE(inner->front().hasCompanion);
    EXPECT_EQ(sub->readFile(inner->front()).hfsTypeCode(), fourCC("FFIL"));
    EXPECT_FALSE(SearchFolder::open(sandbox.path("nothing"), &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(SearchFolder::open(at("Real/Sub/Font"), &error)) << "a file is no folder";
    EXPECT_EQ(error, ENOTDIR);
}

} // namespace
} // namespace fu
