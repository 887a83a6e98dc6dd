// Forks whose maps describe far more than they hold: shared reference lists, one name for
// thousands of references. Loading them must give the model the map describes, at a cost that
// grows with the fork, not with what its references multiply it into.
#include "suitcase/ResFile.h"

#include "platform/Text.h"
#include "support/BoundedRun.h"
#include "support/EngineFixture.h"
#include "support/HostileForks.h"
#include "support/SampleFont.h"
#include "support/SampleSuitcase.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

namespace fu {
namespace {

test::SuitcaseResources sampleResources() {
    test::SuitcaseResources font;
    font.resName = "SampleGothic";
    font.fond = sample::makeFondResource(16384, 16384);
    font.vers = sample::makeVersResource("1.0.1", "1.0.1, (C) Font Updater sample").value();
    sample::SampleFontOptions options;
    options.version = "1.0.1";
    font.sfnt = sample::makeTrueTypeFont(options);
    return font;
}

class HostileFork : public test::SandboxTest {
protected:
    std::string install(const Bytes& fork) {
        std::string path = sandbox.path("Crafted");
        EXPECT_EQ(sample::writeForkFile(path, fork), 0);
        return path;
    }
};

TEST_F(HostileFork, TypesSharingReferenceListsLoadAsTheMapListsThem) {
    const test::SuitcaseResources font = sampleResources();
    constexpr uint32_t kTypes = 65535;
    const std::string path = install(test::forkOfOverlappingTypes(font, kTypes));

    // A hang guard only: the figures are bench/HostileBench's.
    const std::string failures = test::runBounded(
        [&] {
            test::ChildChecks checks;
            const auto resFile = ResFile::initOfContentFile(path);
            checks.expect(resFile && resFile->loadStatus == ResStatus::resNoErr, "the fork loads");
            if (!resFile || resFile->loadStatus != ResStatus::resNoErr) return checks.report();
            // The two host entries of 'FOND' and 'sfnt' share a type code and make one list.
            checks.expect(resFile->resItemLists.size() == kTypes - 1, "one list per type code");
            for (uint32_t type : {fourCC("FOND"), fourCC("sfnt"), fourCC("vers")})
                checks.expect(resFile->countOfResType(type) == 1, "one of each font type");
            checks.expect(resFile->countOfResType(0x40000000) == 2, "the shared host type");
            const ResItem* sfnt = resFile->resItemByIndex(0, fourCC("sfnt"));
            checks.expect(sfnt && sfnt->resName && *sfnt->resName == font.resName,
                          "the 'sfnt' is named");
            ResItem* vers = resFile->resItemByResType(fourCC("vers"), 1);
            checks.expect(vers && vers->resData() && *vers->resData() == font.vers,
                          "'vers' 1 reads its record");
            // Every junk type, looked up by its code, is the list at its place in the map.
            bool everyJunkFound = true;
            for (uint32_t i = 4; i < kTypes; ++i) {
                if (i == 20 || i == 40) continue;
                const ResItemList* list = resFile->resItemListByResType(0x7A000000u + i);
                everyJunkFound = everyJunkFound && list && list->countOfResItem() == 1 &&
                                 list->resItems[0]->resDataFileOffset == vers->resDataFileOffset;
            }
            checks.expect(everyJunkFound, "every junk type's list, sharing the 'vers' record");

            int64_t fond = 0, sfntCount = 0, versCount = 0;
            checks.expect(ResFile::checkSuitcaseFontResName(font.resName, path, fond, sfntCount,
                                                            versCount) == ResStatus::resNoErr &&
                              fond == 1 && sfntCount == 1 && versCount == 1,
                          "the census counts one of each");
            return checks.report();
        },
        {.extraAddressSpace = 0, .hangGuardSeconds = 120});
    EXPECT_EQ(failures, "");
}

TEST(ResFileIndex, ListsAddedOrReorderedBehindTheIndexAreStillFound) {
    ResFile resFile;
    for (uint32_t type : {fourCC("AAAA"), fourCC("BBBB"), fourCC("AAAA")}) {
        auto item = std::make_unique<ResItem>();
        item->resType = type;
        ASSERT_TRUE(resFile.addResItem(std::move(item)));
    }
    EXPECT_EQ(resFile.resItemLists.size(), 2u) << "a repeated type joins its first list";
    EXPECT_EQ(resFile.countOfResType(fourCC("AAAA")), 2);
    // Lists swapped in place, and one appended without addResItem.
    std::swap(resFile.resItemLists[0], resFile.resItemLists[1]);
    resFile.resItemLists.push_back(ResItemList::initWithResType(fourCC("CCCC")));
    for (uint32_t type : {fourCC("AAAA"), fourCC("BBBB"), fourCC("CCCC")}) {
        const ResItemList* list = resFile.resItemListByResType(type);
        ASSERT_TRUE(list);
        EXPECT_EQ(list->resType, type);
    }
    EXPECT_EQ(resFile.resItemListByResType(fourCC("DDDD")), nullptr);
}

TEST_F(HostileFork, ReferencesSharingOneNameCostTheNameOnce) {
    constexpr uint32_t kReferences = 87000;
    const Bytes fork = test::forkOfSharedNames(kReferences);
    const std::string path = install(fork);
    // What the model must cost at most: a small multiple of the fork, not one decoded name per
    // reference (87,000 x 765 bytes of UTF-8 would be 66 MB alone).
    const std::string failures = test::runBounded(
        [&] {
            test::ChildChecks checks;
            ResFile resFile;
            checks.expect(ResFile::setupResItemListsOfPath(path, resFile) == ResStatus::resNoErr,
                          "the fork loads");
            int64_t named = 0;
            const std::string expected = platform::shiftJisToUtf8(Bytes(255, 0xB1)).value();
            for (const auto& list : resFile.resItemLists)
                for (const auto& item : list->resItems)
                    named += item->resName && *item->resName == expected ? 1 : 0;
            checks.expect(named == kReferences, "every reference carries the name");
            return checks.report();
        },
        {.extraAddressSpace = 8 * fork.size() + (16 << 20), .hangGuardSeconds = 120});
    EXPECT_EQ(failures, "");
}

} // namespace
} // namespace fu
