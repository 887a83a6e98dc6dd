#include "suitcase/ResFile.h"

#include "platform/FileAttributes.h"
#include "platform/ForkStorage.h"
#include "platform/OSStatus.h"
#include "suitcase/ResStatus.h"
#include "support/SampleSuitcase.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

using enum fu::ResStatus;

namespace fu {
namespace {

using namespace platform;

constexpr uint32_t kSfnt = fourCC("sfnt");
constexpr uint32_t kVers = fourCC("vers");

// The sample template map: type list at 28 (count at 28, entries for 'FOND', 'vers', 'sfnt' at
// 30, 38, 46), references at 54, 66, 78 (ID, name offset, attributes/offset, handle), names
// from 90.
constexpr size_t kTypeCountAt = 28;
constexpr size_t kSfntTypeAt = 46;
constexpr size_t kFondReferenceAt = 54;
constexpr size_t kVersReferenceAt = 66;

using Census = std::tuple<ResStatus, int64_t, int64_t, int64_t>;

Census censusOf(const Bytes& mapData, const std::string& name) {
    ResMap map;
    EXPECT_EQ(ResFile::swapResMapStructBigToHostFrom(mapData, map), ResStatus::resNoErr);
    int64_t fond = -1, sfnt = -1, vers = -1;
    const ResStatus status = ResFile::checkSuitcaseFontResName(name, map, fond, sfnt, vers);
    return {status, fond, sfnt, vers};
}

Bytes templateFor(const std::string& name) {
    return *sample::makeSampleTemplateMap(name, 128, {60, 100, 20});
}

TEST(SuitcaseCensus, CountsNamedFontsAndVersionOne) {
    EXPECT_EQ(censusOf(templateFor("Gothic"), "Gothic"), Census(resNoErr, 1, 1, 1));
    EXPECT_EQ(censusOf(templateFor("Gothic"), "Mincho"), Census(resNoErr, 0, 0, 1));
    // A precomposed kana in the file matches its decomposed form.
    EXPECT_EQ(censusOf(templateFor("ガ"), "カ\u3099"), Census(resNoErr, 1, 1, 1));

    Bytes versTwo = templateFor("Gothic");
    versTwo[kVersReferenceAt + 1] = 2;
    EXPECT_EQ(censusOf(versTwo, "Gothic"), Census(resNoErr, 1, 1, 0));
}

// Templates the census refuses for every name.
std::vector<std::pair<const char*, Bytes>> refusedTemplates() {
    std::vector<std::pair<const char*, Bytes>> refused(3, {"", templateFor("Gothic")});
    refused[0].first = "two types";
    refused[0].second[kTypeCountAt + 1] = 1;
    refused[1].first = "an unnamed 'FOND'";
    refused[1].second[kFondReferenceAt + 2] = refused[1].second[kFondReferenceAt + 3] = 0xFF;
    refused[2].first = "type 0";
    std::fill_n(refused[2].second.begin() + kSfntTypeAt, 4, 0);
    return refused;
}

TEST(SuitcaseCensus, FailsForFewerThanThreeTypesAnUnnamedFontOrTypeZero) {
    for (const auto& [what, map] : refusedTemplates())
        EXPECT_EQ(std::get<0>(censusOf(map, "Gothic")), resErrCensus) << what;
}

// Several names counted in one walk of a map: each name gets what its own census counts, and a
// map its own census refuses is refused for every name. Canonically equal spellings count alike.
TEST(SuitcaseCensus, SeveralNamesAtOnceCountWhatEachNameCountsAlone) {
    const std::vector<std::string> names = {"Gothic", "Mincho", "ガ",      "カ\u3099",
                                            "gothic", "",       "\xC3\x28"};
    std::vector<Bytes> maps = {templateFor("Gothic"), templateFor("ガ")};
    maps.push_back(templateFor("Gothic"));
    maps.back()[kVersReferenceAt + 1] = 2;
    for (const auto& refused : refusedTemplates())
        maps.push_back(refused.second);

    const ResFile::CensusNames together(names);
    for (size_t m = 0; m < maps.size(); ++m) {
        SCOPED_TRACE("map " + std::to_string(m));
        ResMap map;
        ASSERT_EQ(ResFile::swapResMapStructBigToHostFrom(maps[m], map), ResStatus::resNoErr);
        std::vector<ResFile::FontResCensus> censuses;
        const ResStatus status = ResFile::checkSuitcaseFontResName(together, map, censuses);
        ASSERT_EQ(censuses.size(), names.size());
        for (size_t i = 0; i < names.size(); ++i) {
            const Census alone = censusOf(maps[m], names[i]);
            EXPECT_EQ(status, std::get<0>(alone)) << names[i];
            if (status == resNoErr) {
                EXPECT_EQ(Census(status, censuses[i].fondCount, censuses[i].sfntCount,
                                 censuses[i].versCount),
                          alone)
                    << names[i];
            }
        }
        if (m == 1) {
            EXPECT_EQ(censuses[3].fondCount + censuses[3].sfntCount, 2)
                << "the decomposed name counts";
        }
    }
}

class SuitcaseModelCheck : public ::testing::Test {
protected:
    void SetUp() override {
        model = sample::makeSampleSuitcaseModel(Bytes{1, 2, 3}, options);
        ASSERT_EQ(ResFile::swapResMapStructBigToHostFrom(model->orgResMapData, templateMap),
                  ResStatus::resNoErr);
    }
    static std::unique_ptr<ResItem> item(uint32_t type, std::optional<std::string> name) {
        auto item = std::make_unique<ResItem>();
        item->resType = type;
        item->resName = std::move(name);
        item->setResData(Bytes{1});
        return item;
    }
    sample::SampleSuitcaseOptions options;
    std::unique_ptr<ResFile> model;
    ResMap templateMap;
};

TEST_F(SuitcaseModelCheck, NeedsThreeTypesOfOneResourceEach) {
    EXPECT_EQ(ResFile::checkResFile(*model, templateMap), ResStatus::resNoErr);
    ASSERT_TRUE(model->addResItem(item(kSfnt, options.resName)));
    EXPECT_EQ(ResFile::checkResFile(*model, templateMap), resErrModelMismatch);

    SetUp();
    ASSERT_TRUE(model->addResItem(item(fourCC("NFNT"), std::nullopt)));
    EXPECT_EQ(ResFile::checkResFile(*model, templateMap), resErrModelMismatch);
}

TEST_F(SuitcaseModelCheck, MatchesNamesAndTreatsAnEmptyNameAsNone) {
    model->resItemByIndex(0, kVers)->resName = "";
    EXPECT_EQ(ResFile::checkResFile(*model, templateMap), ResStatus::resNoErr);
    model->resItemByIndex(0, kVers)->resName = "x";
    EXPECT_EQ(ResFile::checkResFile(*model, templateMap), resErrModelMismatch);

    SetUp();
    model->resItemByIndex(0, kSfnt)->resName = "Other";
    EXPECT_EQ(ResFile::checkResFile(*model, templateMap), resErrModelMismatch);
    model->resItemByIndex(0, kSfnt)->resName = std::nullopt;
    EXPECT_EQ(ResFile::checkResFile(*model, templateMap), resErrModelMismatch);
}

class SuitcaseVerify : public test::SandboxTest {
protected:
    void TearDown() override { EXPECT_EQ(openForkCount(), 0u) << "a fork was left open"; }

    // Distinct bytes in every 1024-byte block, so a block compared with the wrong stretch fails.
    static Bytes pattern(size_t size) {
        Bytes bytes(size);
        for (size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<uint8_t>(i % 251 + 1);
        return bytes;
    }
    void writeSample(ByteView sfnt) {
        path = sandbox.path("Suitcase" + std::to_string(++count));
        model = sample::makeSampleSuitcaseModel(sfnt, {});
        mapInfo = *ResFile::hexStringFromData(model->orgResMapData);
        ASSERT_EQ(ResFile::exportSuitcaseFile(path, mapInfo, *model), ResStatus::resNoErr);
    }
    void overwriteFork(uint64_t offset, ByteView bytes) {
        ScopedFork fork(path, fsRdWrPerm);
        ASSERT_TRUE(fork.isOpen());
        ASSERT_EQ(ResFile::writeResouceRefNum(fork.refNum(), fsFromStart,
                                              static_cast<int64_t>(offset), bytes),
                  ResStatus::resNoErr);
    }
    uint32_t sfntOffsetInFile() {
        auto written = ResFile::initOfContentFile(path);
        return written->resItemByIndex(0, kSfnt)->resDataFileOffset;
    }

    std::string path;
    std::unique_ptr<ResFile> model;
    std::string mapInfo;
    int count = 0;
};

TEST_F(SuitcaseVerify, ComparesWholeBlocksAndTheRemainder) {
    for (size_t size : {size_t{2048}, size_t{1023}}) {
        SCOPED_TRACE(size);
        writeSample(pattern(size));
        ASSERT_EQ(ResFile::verifySuitcaseFile(path, mapInfo, *model), ResStatus::resNoErr);
        overwriteFork(sfntOffsetInFile() + size - 1, Bytes{0});
        EXPECT_EQ(ResFile::verifySuitcaseFile(path, mapInfo, *model), resErrVerify);
    }
}

TEST_F(SuitcaseVerify, FailsForOneByteTooManyOrAFileThatIsNotASuitcase) {
    writeSample(pattern(10));
    overwriteFork(*ResFile::resourceFileSizeOfPath(path), Bytes{0});
    EXPECT_EQ(ResFile::verifySuitcaseFile(path, mapInfo, *model), resErrVerify);

    writeSample(pattern(10));
    FileAttributes text;
    text.hfsTypeCode = fourCC("TEXT");
    ASSERT_TRUE(applyAttributes(path, text).ok);
    EXPECT_EQ(ResFile::verifySuitcaseFile(path, mapInfo, *model), resErrVerify);
}

// The census of several names from a fork the caller opened reads as the census of each name by
// path does, for a sound fork and for ones whose header or map the census refuses; a fork header
// whose data starts where its map does is refused.
TEST_F(SuitcaseVerify, SeveralNamesCountedInAnOpenForkCountAsEachNameByPath) {
    writeSample(pattern(10));
    const std::string sound = path;
    Bytes fork = *sample::readForkFile(sound);
    Bytes sameOffsets = fork;
    std::copy_n(sameOffsets.begin() + 4, 4, sameOffsets.begin());
    ASSERT_EQ(sample::writeForkFile(sandbox.path("SameOffsets"), sameOffsets), noErr);
    ASSERT_EQ(sample::writeForkFile(sandbox.path("Cut"), ByteView(fork).first(fork.size() - 1)),
              noErr);
    ASSERT_EQ(sample::writeForkFile(sandbox.path("HeaderOnly"), ByteView(fork).first(16)), noErr);

    const std::vector<std::string> names = {"SampleGothic", "Other", "サンプル"};
    const ResFile::CensusNames together(names);
    for (const std::string& file :
         {sound, sandbox.path("SameOffsets"), sandbox.path("Cut"), sandbox.path("HeaderOnly")}) {
        SCOPED_TRACE(file);
        std::vector<ResFile::FontResCensus> censuses;
        ResStatus status = resNoErr;
        {
            ScopedFork opened(file, fsRdPerm);
            ASSERT_TRUE(opened.isOpen());
            status = ResFile::checkSuitcaseFontResName(together, opened.refNum(), censuses);
        }
        for (size_t i = 0; i < names.size(); ++i) {
            int64_t fond = 0, sfnt = 0, vers = 0;
            EXPECT_EQ(status, ResFile::checkSuitcaseFontResName(names[i], file, fond, sfnt, vers))
                << names[i];
            if (status == ResStatus::resNoErr) {
                EXPECT_EQ(std::make_tuple(censuses[i].fondCount, censuses[i].sfntCount,
                                          censuses[i].versCount),
                          std::make_tuple(fond, sfnt, vers))
                    << names[i];
            }
        }
        if (file == sound) {
            EXPECT_EQ(status, resNoErr);
            EXPECT_EQ(std::make_tuple(censuses[0].fondCount, censuses[0].sfntCount,
                                      censuses[0].versCount),
                      std::make_tuple(1, 1, 1));
        }
        if (file == sandbox.path("SameOffsets")) {
            EXPECT_EQ(status, resErrCensus);
        }
    }
}

} // namespace
} // namespace fu
