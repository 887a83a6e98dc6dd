#include "platform/ForkStorage.h"
#include "base/AppleDouble.h"
#include "base/ByteWriter.h"
#include "platform/FileAttributes.h"
#include "platform/MacFiles.h"
#include "platform/OSStatus.h"
#include "support/BoundedRun.h"
#include "support/HostileFiles.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace fu {
namespace {

using namespace platform;
using test::SandboxTest;

class ForkStorage : public SandboxTest {
protected:
    std::string createEmpty(const std::string& name) {
        EXPECT_EQ(createFileWithEmptyFork(sandbox.root(), name), noErr);
        return sandbox.path(name);
    }
    void TearDown() override { EXPECT_EQ(openForkCount(), 0u) << "a fork was left open"; }
};

TEST_F(ForkStorage, CreatedFileHasAnEmptyForkAndRefusesATakenName) {
    const std::string path = createEmpty("Font");
    EXPECT_TRUE(std::filesystem::exists(companionPath(path)));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    {
        ScopedFork fork(path, fsRdPerm);
        ASSERT_TRUE(fork.isOpen());
        EXPECT_EQ(forkSize(fork.refNum()), 0u);
    }
    EXPECT_EQ(createFileWithEmptyFork(sandbox.root(), "Font"), dupFNErr);
    // A leftover companion alone also takes the name, and nothing is overwritten.
    test::writeWholeFile(sandbox.path("._Orphan"), Bytes{1, 2, 3});
    EXPECT_EQ(createFileWithEmptyFork(sandbox.root(), "Orphan"), dupFNErr);
    EXPECT_FALSE(std::filesystem::exists(sandbox.path("Orphan")));
    EXPECT_EQ(test::readWholeFile(sandbox.path("._Orphan")), (Bytes{1, 2, 3}));
}

TEST_F(ForkStorage, NamesMustFitTheCompanionToo) {
    // The companion adds "._" and Linux names hold 255 bytes, so 253 bytes is the real limit;
    // it is stricter than 255 UTF-16 units for every name.
    EXPECT_EQ(createFileWithEmptyFork(sandbox.root(), std::string(253, 'a')), noErr);
    EXPECT_EQ(createFileWithEmptyFork(sandbox.root(), std::string(254, 'b')), bdNamErr);
    EXPECT_FALSE(std::filesystem::exists(sandbox.path(std::string(254, 'b'))))
        << "a refused name leaves no data file behind";
    std::string kana;
    for (int i = 0; i < 84; ++i)
        kana += "あ";
    EXPECT_EQ(createFileWithEmptyFork(sandbox.root(), kana), noErr);
    EXPECT_EQ(createFileWithEmptyFork(sandbox.root(), ""), bdNamErr);
    EXPECT_EQ(createFileWithEmptyFork(sandbox.root(), "a/b"), bdNamErr);
    EXPECT_EQ(createFileWithEmptyFork(sandbox.root(), "._x"), bdNamErr);
    EXPECT_EQ(createFileWithEmptyFork(sandbox.path("missing"), "x"), fnfErr);
}

TEST_F(ForkStorage, WritesAtStartAndAtMarkThenReadsBack) {
    const std::string path = createEmpty("Font");
    {
        ScopedFork fork(path, fsRdWrPerm);
        ASSERT_TRUE(fork.isOpen());
        const Bytes head{'H', 'E', 'A', 'D'};
        const Bytes tail{'T', 'A', 'I', 'L', '!'};
        auto first = writeFork(fork.refNum(), fsFromStart, 0, head);
        EXPECT_EQ(first.status, noErr);
        EXPECT_EQ(writeFork(fork.refNum(), fsAtMark, 12345, tail).status,
                  noErr); // offset ignored at mark
        EXPECT_EQ(forkSize(fork.refNum()), 9u);
        // Overwrite in the middle does not change the length.
        EXPECT_EQ(writeFork(fork.refNum(), fsFromStart, 1, Bytes{'e'}).status, noErr);
        EXPECT_EQ(forkSize(fork.refNum()), 9u);
        EXPECT_EQ(writeFork(fork.refNum(), fsFromStart, 20, Bytes{'x'}).status, posErr)
            << "a write may not leave a hole";
        EXPECT_EQ(writeFork(fork.refNum(), 7, 0, Bytes{'x'}).status, paramErr);
    }
    ScopedFork fork(path, fsRdPerm);
    ASSERT_TRUE(fork.isOpen());
    Bytes buffer(4);
    auto read = readFork(fork.refNum(), fsFromStart, 0, buffer);
    EXPECT_EQ(buffer, (Bytes{'H', 'e', 'A', 'D'}));
    read = readFork(fork.refNum(), fsAtMark, 0, buffer);
    EXPECT_EQ(buffer, (Bytes{'T', 'A', 'I', 'L'}));
    // The fork ends first: a partial transfer with eofErr.
    read = readFork(fork.refNum(), fsAtMark, 0, buffer);
    EXPECT_EQ(read.actualCount, 1u);
    EXPECT_EQ(read.status, eofErr);
    read = readFork(fork.refNum(), fsFromStart, 100, buffer);
    EXPECT_EQ(read.actualCount, 0u);
    EXPECT_EQ(read.status, eofErr);
    EXPECT_EQ(writeFork(fork.refNum(), fsFromStart, 0, Bytes{1}).status, wrPermErr);
}

// A fork several read-ahead spans long, read back a kilobyte at a time at the mark, from
// scattered offsets and backwards, must give its bytes exactly; what a writer changes meanwhile
// through another handle must be what the reader reads next.
TEST_F(ForkStorage, SmallReadsGiveTheForksBytesWhateverTheOrderAndAfterAnyWrite) {
    const std::string path = createEmpty("Font");
    Bytes bytes(600 * 1024 + 123);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>((i * 131) ^ (i >> 9));
    {
        ScopedFork fork(path, fsRdWrPerm);
        ASSERT_EQ(writeFork(fork.refNum(), fsFromStart, 0, bytes).status, noErr);
    }
    ScopedFork reader(path, fsRdPerm);
    ASSERT_TRUE(reader.isOpen());
    Bytes block(1024), back;
    for (;;) {
        const ForkTransfer read = readFork(reader.refNum(), fsAtMark, 0, block);
        back.insert(back.end(), block.begin(),
                    block.begin() + static_cast<ptrdiff_t>(read.actualCount));
        if (read.status == eofErr) break;
        ASSERT_EQ(read.status, noErr);
    }
    EXPECT_EQ(back, bytes) << "read in order";
    for (uint64_t offset :
         {uint64_t{500000}, uint64_t{3}, uint64_t{131071}, uint64_t{131072 - 7}, uint64_t{0}}) {
        Bytes piece(100);
        ASSERT_EQ(readFork(reader.refNum(), fsFromStart, int64_t(offset), piece).status, noErr);
        EXPECT_EQ(piece,
                  Bytes(bytes.begin() + ptrdiff_t(offset), bytes.begin() + ptrdiff_t(offset + 100)))
            << offset;
    }
    {
        ScopedFork writer(path, fsRdWrPerm);
        ASSERT_EQ(writeFork(writer.refNum(), fsFromStart, 10, Bytes(5, 0xEE)).status, noErr);
    }
    Bytes piece(20);
    ASSERT_EQ(readFork(reader.refNum(), fsFromStart, 0, piece).status, noErr);
    EXPECT_EQ(Bytes(piece.begin() + 10, piece.begin() + 15), Bytes(5, 0xEE)) << "the write is seen";
    EXPECT_EQ(Bytes(piece.begin(), piece.begin() + 10), Bytes(bytes.begin(), bytes.begin() + 10));
}

TEST_F(ForkStorage, OpenFailsForMissingFilesAndDamagedCompanions) {
    int16_t status = 0;
    EXPECT_FALSE(openFork("", fsRdPerm, &status));
    EXPECT_EQ(status, paramErr);
    EXPECT_FALSE(openFork(sandbox.path("nothing"), fsRdPerm, &status));
    EXPECT_EQ(status, fnfErr);
    EXPECT_FALSE(openFork(sandbox.root(), fsRdPerm, &status)) << "a folder has no fork";

    test::writeWholeFile(sandbox.path("Broken"), {});
    test::writeWholeFile(sandbox.path("._Broken"), Bytes{0, 5, 0x16, 0x07, 0, 2});
    EXPECT_FALSE(openFork(sandbox.path("Broken"), fsRdPerm, &status));
    EXPECT_EQ(status, ioErr);
    EXPECT_FALSE(openFork(sandbox.path("Broken"), fsRdWrPerm, &status));
    EXPECT_EQ(test::readWholeFile(sandbox.path("._Broken")).size(), 6u) << "never rewritten";

    // A plain file without a companion reads as an empty fork but cannot be written.
    test::writeWholeFile(sandbox.path("Plain"), Bytes{1, 2});
    {
        ScopedFork fork(sandbox.path("Plain"), fsRdPerm);
        ASSERT_TRUE(fork.isOpen());
        EXPECT_EQ(forkSize(fork.refNum()), 0u);
    }
    EXPECT_FALSE(openFork(sandbox.path("Plain"), fsRdWrPerm, &status));
    EXPECT_EQ(status, fnfErr);
    EXPECT_EQ(readFork(9999, fsFromStart, 0, std::span<uint8_t>()).status, rfNumErr);
}

// Companions whose entries overlap the header: writing the Finder info in place would overwrite
// the fork's descriptor, and appending to a fork "inside" the header the magic. Neither the fork
// nor the attributes are touched; the companion stays byte for byte.
TEST_F(ForkStorage, CompanionsWithOverlappingEntriesAreNeitherReadNorWritten) {
    using namespace appledouble;
    struct Case {
        const char* what;
        uint32_t finderAt, forkAt, forkLength;
    };
    for (const Case& c : {Case{"Finder info over the fork descriptor", 38, 82, 4},
                          Case{"an empty fork at the magic", 50, 0, 0}}) {
        SCOPED_TRACE(c.what);
        ByteWriter companion;
        companion.writeU32(kMagic);
        companion.writeU32(kVersion2);
        companion.writeZeros(16);
        companion.writeU16(2);
        for (uint32_t word : {uint32_t(FinderInfoEntry), c.finderAt, 32u,
                              uint32_t(ResourceForkEntry), c.forkAt, c.forkLength})
            companion.writeU32(word);
        companion.writeZeros(86 - companion.size());
        const std::string path = sandbox.path("Overlapping");
        test::writeWholeFile(path, {});
        test::writeWholeFile(sandbox.path("._Overlapping"), companion.bytes());

        int16_t status = 0;
        EXPECT_FALSE(openFork(path, fsRdWrPerm, &status));
        EXPECT_EQ(status, ioErr);
        EXPECT_FALSE(openFork(path, fsRdPerm, &status));
        FileAttributes attributes;
        attributes.hfsTypeCode = fourCC("TEXT");
        EXPECT_FALSE(applyAttributes(path, attributes).ok);
        EXPECT_EQ(test::readWholeFile(sandbox.path("._Overlapping")), companion.bytes());
    }
}

// A FIFO where a Mac file or its companion belongs would hold the open (or the read) until
// somebody wrote to it; a socket or a folder cannot be read as a file at all. Each is refused
// at once with its own status, by the fork, the Finder info and the whole-pair reads, and stays
// as it was. A FIFO as the data file is still examined like any item, without opening it.
TEST_F(ForkStorage, OnlyRegularFilesAreOpenedOrGivenFinderInfoAndNoneWaitsOnAFifo) {
    for (const char* name : {"FifoCompanion", "SocketCompanion", "FolderCompanion"})
        test::writeWholeFile(sandbox.path(name), {});
    test::makeFifo(sandbox.path("._FifoCompanion"));
    test::makeSocket(sandbox.path("._SocketCompanion"));
    std::filesystem::create_directory(sandbox.path("._FolderCompanion"));
    const std::string fifoData = createEmpty("FifoData"); // a good companion, a FIFO for data
    FileAttributes suitcase;
    suitcase.hfsTypeCode = fourCC("FFIL");
    ASSERT_TRUE(applyAttributes(fifoData, suitcase).ok);
    std::filesystem::remove(fifoData);
    test::makeFifo(fifoData);

    const std::string report = test::runBounded(
        [this, &suitcase] {
            test::ChildChecks checks;
            for (const char* name :
                 {"FifoCompanion", "SocketCompanion", "FolderCompanion", "FifoData"})
                for (int permission : {fsRdPerm, fsRdWrPerm}) {
                    int16_t status = noErr;
                    const bool opened =
                        openFork(sandbox.path(name), permission, &status).has_value();
                    checks.expect(!opened && status == notAFileErr,
                                  std::string(name) + " opened with permission " +
                                      std::to_string(permission) + ", status " +
                                      std::to_string(status));
                }
            for (const char* name : {"FifoCompanion", "SocketCompanion", "FolderCompanion"}) {
                int16_t error = noErr;
                checks.expect(!readAttributes(sandbox.path(name), &error) && error == notAFileErr,
                              std::string(name) + ": read status " + std::to_string(error));
                const AttributeResult applied = applyAttributes(sandbox.path(name), suitcase);
                checks.expect(!applied.ok && applied.error == notAFileErr,
                              std::string(name) + ": apply status " +
                                  std::to_string(applied.error));
            }
            auto fifo = readAttributes(sandbox.path("FifoData"));
            checks.expect(
                fifo && fifo->type == ItemType::Other && fifo->hfsTypeCode == fourCC("FFIL"),
                "a FIFO data file with a good companion reads as an item of another kind");
            for (const char* name : {"FifoData", "FifoCompanion"})
                checks.expect(!readMacFileBytes(sandbox.path(name), 1 << 20),
                              std::string(name) + "'s pair was read");
            return checks.report();
        },
        {});
    EXPECT_EQ(report, "");
    EXPECT_TRUE(std::filesystem::is_fifo(sandbox.path("._FifoCompanion")));
    EXPECT_TRUE(std::filesystem::is_socket(sandbox.path("._SocketCompanion")));
    EXPECT_TRUE(std::filesystem::is_empty(sandbox.path("._FolderCompanion")));
    EXPECT_TRUE(std::filesystem::is_fifo(fifoData));
    EXPECT_EQ(test::readWholeFile(sandbox.path("FifoCompanion")).size(), 0u);
}

// A companion can claim a fork of gigabytes that the disk never stores. No resource fork is that
// long: the open refuses it before anything of it is read, and no fork is ever written longer
// than one that opens.
TEST_F(ForkStorage, AForkLongerThanAResourceForkCanBeIsNeitherOpenedNorWritten) {
    const uint64_t longest = kMaxResourceForkLength;
    for (const char* name : {"Sparse", "Longest", "OneMore"})
        test::writeWholeFile(sandbox.path(name), {});
    test::writeSparseSuitcaseCompanion(sandbox.path("._Sparse"), uint64_t{2} << 30);
    test::writeSparseCompanion(sandbox.path("._Longest"), longest, Bytes{1, 2, 3});
    test::writeSparseCompanion(sandbox.path("._OneMore"), longest + 1, Bytes{1, 2, 3});
    const Bytes sparseStart = test::fileStart(sandbox.path("._Sparse"), 4096);

    const std::string report = test::runBounded(
        [this, longest] {
            test::ChildChecks checks;
            for (const char* name : {"Sparse", "OneMore"})
                for (int permission : {fsRdPerm, fsRdWrPerm}) {
                    int16_t status = noErr;
                    const bool opened =
                        openFork(sandbox.path(name), permission, &status).has_value();
                    checks.expect(!opened && status == fsDataTooBigErr,
                                  std::string(name) + ": status " + std::to_string(status));
                }
            auto attributes = readAttributes(sandbox.path("Sparse"));
            checks.expect(attributes && attributes->hfsTypeCode == fourCC("FFIL"),
                          "the Finder info of a companion with a refused fork still reads");

            ScopedFork fork(sandbox.path("Longest"), fsRdWrPerm);
            checks.expect(fork.isOpen() && forkSize(fork.refNum()) == longest,
                          "the longest fork opens");
            const ForkTransfer grown =
                writeFork(fork.refNum(), fsFromStart, int64_t(longest), Bytes{9});
            checks.expect(grown.status == fsDataTooBigErr && grown.actualCount == 0,
                          "growing the longest fork gave status " + std::to_string(grown.status));
            checks.expect(writeFork(fork.refNum(), fsFromStart, 0, Bytes{7}).status == noErr,
                          "overwriting within the longest fork");
            checks.expect(forkSize(fork.refNum()) == longest, "the longest fork kept its length");
            return checks.report();
        },
        {.extraAddressSpace = 64 << 20});
    EXPECT_EQ(report, "");
    EXPECT_EQ(std::filesystem::file_size(sandbox.path("._Sparse")), 82 + (uint64_t{2} << 30));
    EXPECT_EQ(test::fileStart(sandbox.path("._Sparse"), 4096), sparseStart) << "never rewritten";
}

TEST_F(ForkStorage, WritingAForkThatIsNotLastRewritesTheCompanionFirst) {
    // macOS may put the fork before the Finder info; growing it in place would clobber it.
    using namespace appledouble;
    Document document;
    document.setTypeAndCreator(fourCC("FFIL"), fourCC("DMOV"));
    document.resourceFork = Bytes{9, 9};
    Bytes ours = serializeDocument(document);
    auto layout = parseLayout(ours, ours.size());
    ASSERT_TRUE(layout);
    // Swap the entries' places: fork at 50, Finder info after it.
    ByteWriter swapped;
    swapped.writeBytes(ByteView(ours).first(26));
    for (uint32_t word :
         {uint32_t(ResourceForkEntry), 50u, 2u, uint32_t(FinderInfoEntry), 52u, 32u})
        swapped.writeU32(word);
    swapped.writeBytes(Bytes{9, 9});
    swapped.writeBytes(ByteView(ours).subspan(layout->find(FinderInfoEntry)->offset, 32));
    test::writeWholeFile(sandbox.path("Mac"), {});
    test::writeWholeFile(sandbox.path("._Mac"), swapped.bytes());
    {
        ScopedFork fork(sandbox.path("Mac"), fsRdWrPerm);
        ASSERT_TRUE(fork.isOpen());
        EXPECT_EQ(forkSize(fork.refNum()), 2u);
        ASSERT_EQ(writeFork(fork.refNum(), fsFromStart, 2, Bytes(100, 7)).status, noErr);
    }
    auto attributes = readAttributes(sandbox.path("Mac"));
    ASSERT_TRUE(attributes);
    EXPECT_EQ(attributes->hfsTypeCode, fourCC("FFIL"));
    auto reread = parseDocument(test::readWholeFile(sandbox.path("._Mac")));
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->resourceFork.size(), 102u);
}

// Files macOS and archivers wrote: each must read through the real open path.
TEST_F(ForkStorage, ReadsEveryCompanionOfTheSharedCorpus) {
    struct Expectation {
        const char* file;
        uint32_t type;
        uint32_t creator;
        uint64_t forkLength;
    };
    const Expectation expectations[] = {
        {"samba-osx_adouble_w_xattr.bin", fourCC("TEST"), fourCC("SLOW"), 286},
        {"samba-osx_adouble_non_empty_rfork_w_xattr.bin", fourCC("TEST"), fourCC("SLOW"), 286},
        {"samba-osx_adouble_dir_w_xattr.bin", 0, 0, 286},
        {"samba-osx_adouble_without_xattr.bin", fourCC("WAVE"), fourCC("PTul"), 286},
        {"libarchive-cpio_._file3", 0, 0, 0},
        {"libarchive-test_compat_mac-1_._dir", 0, 0, 0},
        {"libarchive-test_compat_mac-1_._file", 0, 0, 0},
        {"libarchive-test_compat_mac-2_._mydir", 0, 0, 0},
        {"libarchive-test_compat_mac-2_._myfile", 0, 0, 0},
        {"libarchive-test_read_format_zip_mac_metadata__MACOSX_._file3", 0, 0, 0},
        {"libarchive-test_write_disk_appledouble_zip_apple_double_dir_._apple_double_dir_test", 0,
         0, 0},
        {"libarchive-test_write_disk_appledouble_zip_apple_double_dir_._test_file", 0, 0, 14},
        {"libarchive-test_write_disk_mac_metadata_._file3", 0, 0, 0},
    };
    for (const auto& expected : expectations) {
        SCOPED_TRACE(expected.file);
        FU_REQUIRE_CORPUS(source, std::string("appledouble/") + expected.file);
        const std::string path = sandbox.writeFile("corpus/item", {});
        const Bytes companion = test::readWholeFile(source);
        test::writeWholeFile(companionPath(path), companion);

        auto attributes = readAttributes(path);
        ASSERT_TRUE(attributes);
        EXPECT_EQ(attributes->hfsTypeCode, expected.type);
        EXPECT_EQ(attributes->hfsCreatorCode, expected.creator);
        ScopedFork fork(path, fsRdPerm);
        ASSERT_TRUE(fork.isOpen());
        EXPECT_EQ(forkSize(fork.refNum()), expected.forkLength);
        Bytes all(expected.forkLength);
        EXPECT_EQ(readFork(fork.refNum(), fsFromStart, 0, all).actualCount, expected.forkLength);
        // Every fork of these files is its companion's tail.
        EXPECT_TRUE(std::equal(all.begin(), all.end(), companion.end() - ptrdiff_t(all.size())));
        std::filesystem::remove(companionPath(path));
    }
}

} // namespace
} // namespace fu
