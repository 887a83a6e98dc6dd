// What crafted repetition costs a search: a suitcase naming one record from thousands of
// references, and a definition of thousands of equal targets and sets.
#include "definition/DefinitionLimits.h"
#include "definition/DefinitionPayload.h"
#include "engine/FontSearch.h"
#include "engine/FontUpdate.h"
#include "engine/StatusCodes.h"
#include "engine/UpdateManager.h"
#include "support/EngineFixture.h"
#include "support/HostileSearch.h"
#include "support/SampleFont.h"
#include "support/SampleSuitcase.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fu {
namespace {

class Completions : public UpdateManagerDelegate {
public:
    void processProgress(const UpdateResult&) override {}
    void processComplete(const UpdateResult& result) override { completions.push_back(result); }
    std::vector<UpdateResult> completions;
};

constexpr size_t kReferences = 2000;

class SearchCost : public test::SandboxTest {
protected:
    void TearDown() override { test::clearAppState(); }
    std::string userFonts() const { return sandbox.path("home/.local/share/fonts"); }
    UpdateResult search(test::EngineState& info) {
        std::filesystem::create_directories(sandbox.path("system-fonts"));
        info.setupUpdateManager();
        info.updateManager->delegate = &delegate;
        info.updateManager->findUpdateNecessaryFont();
        EXPECT_EQ(delegate.completions.size(), 1u);
        return delegate.completions.empty() ? UpdateResult{} : delegate.completions.back();
    }
    // A font of another family, whose records a suitcase can lend the target's name.
    static Bytes otherFamilyFont() {
        sample::SampleFontOptions other;
        other.japaneseName = "ベツゴシック";
        other.version = "1.0.1";
        return sample::makeTrueTypeFont(other);
    }
    // Writes a suitcase whose `kReferences` 'sfnt' references, all named as the target, lead to
    // the one `record` beside the sample's 'FOND' and 'vers'.
    void writeCrowdedSuitcase(const std::string& path, ByteView record) const {
        const auto vers = sample::makeVersResource("1.0.1", "1.0.1, (C) Font Updater sample");
        ASSERT_TRUE(vers);
        std::filesystem::create_directories(userFonts());
        ASSERT_EQ(sample::writeForkFile(
                      path, test::sharedRecordFork(sample::makeFondResource(128, 1000), *vers,
                                                   record, "SampleGothic", kReferences)),
                  0);
    }
    test::EngineSample sample = test::makeEngineSample(sandbox);
    Completions delegate;
};

// Every reference of the map leads to one record and bears the target's name. Whatever the
// record is, the decision reads it, and the 'vers' record, once each: the answer of one
// reference is the answer of all. Nothing stays loaded after the walk.
TEST_F(SearchCost, ManyReferencesToOneRecordReadItOnce) {
    const Bytes otherFont = otherFamilyFont();
    const struct {
        const char* what;
        Bytes record;
        int16_t answer;
    } cases[] = {
        {"a font of another family", otherFont, 0},
        {"the installed font", sample.oldFont, 1},
    };
    test::EngineState& info = test::installAppState(sample);
    const UpdateTargetItem& target = *info.updateTargetInfo->updateTargetItemAtIndex(0);
    const SfntData* oldTables =
        info.updateSfntSetInfo->updateSfntSetItemAtIndex(0)->oSfntData.get();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = userFonts() + "/" + c.what;
        ASSERT_NO_FATAL_FAILURE(writeCrowdedSuitcase(path, c.record));
        auto resFile = ResFile::initOfContentFile(path);
        ASSERT_TRUE(resFile && resFile->loadStatus == ResStatus::resNoErr);
        ASSERT_EQ(resFile->countOfResType(fourCC("sfnt")), int64_t(kReferences));
        // What one reference answers alone.
        EXPECT_EQ(FontUpdate::updateNeedSfntResName(target, oldTables,
                                                    resFile->resItemByIndex(0, fourCC("sfnt"))),
                  c.answer);
        resFile->freeAllResData();

        const uint64_t before = FontUpdate::decisionResourceReads();
        EXPECT_EQ(FontUpdate::updateNeedResName(target, oldTables, *resFile), c.answer);
        EXPECT_EQ(FontUpdate::decisionResourceReads() - before, 2u) << "one 'vers', one 'sfnt'";
        for (int64_t i = 0; i < resFile->countOfResType(fourCC("sfnt")); ++i)
            ASSERT_FALSE(resFile->resItemByIndex(i, fourCC("sfnt"))->hasResData()) << i;
    }
}

// The same through a whole search: the crowded suitcase of another family beside the installed
// font costs the search two reads, and only the installed font is listed.
TEST_F(SearchCost, ACrowdedSuitcaseCostsTheSearchOneReadPerRecord) {
    ASSERT_NO_FATAL_FAILURE(writeCrowdedSuitcase(userFonts() + "/Crowded", otherFamilyFont()));
    test::installOldSuitcase(sample, userFonts() + "/Gothic");
    test::EngineState& info = test::installAppState(sample);
    const uint64_t before = FontUpdate::decisionResourceReads();
    const UpdateResult result = search(info);
    ASSERT_EQ(result.status, SearchStatus::StatusOK);
    ASSERT_EQ(result.count, 1);
    EXPECT_EQ(info.updateFontInfo->updateFontItemAtIndex(0)->srcPath, userFonts() + "/Gothic");
    // Each suitcase has one 'vers' and one 'sfnt' record.
    EXPECT_LE(FontUpdate::decisionResourceReads() - before, 4u);
}

// Equal targets and equal sets decide every font alike: a font is listed once for all of them,
// for the first pair, while a set that differs (here by its name) is still listed on its own.
TEST_F(SearchCost, EqualTargetsAndSetsListAFontOnce) {
    const struct {
        size_t targets;
        size_t sets;
        bool differentSet;
        int64_t listed;
    } cases[] = {
        {1, 1, false, 1},   {30, 1, false, 1}, {1, 20, false, 1},
        {30, 20, false, 1}, {30, 20, true, 2},
    };
    test::installOldSuitcase(sample, userFonts() + "/Gothic");
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.targets << " targets, " << c.sets << " sets"
                                        << (c.differentSet ? " and one more" : ""));
        test::EngineSample crafted = sample;
        crafted.sources = test::repeatedTargetsAndSets(sample.sources, c.targets, c.sets);
        if (c.differentSet)
            crafted.sources.sets.push_back({"Glyphs again", sample.oldFont, sample.newFont});
        test::clearAppState();
        delegate.completions.clear();
        test::EngineState& info = test::installAppState(crafted);
        ASSERT_EQ(info.updateTargetInfo->countOfUpdateTargetItem(), int64_t(c.targets));
        const UpdateResult result = search(info);
        ASSERT_EQ(result.status, SearchStatus::StatusOK);
        ASSERT_EQ(result.count, c.listed);
        EXPECT_EQ(info.updateFontInfo->updateFontItemAtIndex(0)->sfntSetIndex, 0u);
        if (c.differentSet) {
            EXPECT_EQ(info.updateFontInfo->updateFontItemAtIndex(1)->sfntSetIndex, c.sets);
        }
    }
}

// A definition is refused one past either limit, with a failure of its own, and taken at it.
TEST(DefinitionLimits, TooManyTargetsOrSetsAreRefusedAtOpen) {
    const struct {
        size_t targets;
        size_t sets;
        PayloadFailure failure;
    } cases[] = {
        {kMaxDefinitionTargets, 1, PayloadFailure::None},
        {kMaxDefinitionTargets + 1, 1, PayloadFailure::TooManyTargets},
        {1, kMaxDefinitionSets, PayloadFailure::None},
        {1, kMaxDefinitionSets + 1, PayloadFailure::TooManySets},
        {kMaxDefinitionTargets + 1, kMaxDefinitionSets + 1, PayloadFailure::TooManyTargets},
    };
    const test::Sandbox sandbox;
    const DefinitionSources base = test::makeEngineSample(sandbox).sources;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.targets << " targets, " << c.sets << " sets");
        const AuthoringResult payload =
            buildDefinitionPayload(test::repeatedTargetsAndSets(base, c.targets, c.sets));
        ASSERT_TRUE(payload.bytes) << payload.error;
        DefinitionPayload sections;
        EXPECT_EQ(splitDefinitionPayload(nullptr, *payload.bytes, sections), c.failure);
        if (c.failure == PayloadFailure::None) {
            ASSERT_TRUE(sections.updateTargetInfo && sections.updateSfntSetInfo);
            EXPECT_EQ(sections.updateTargetInfo->countOfUpdateTargetItem(), int64_t(c.targets));
            EXPECT_EQ(sections.updateSfntSetInfo->countOfUpdateSfntSetItem(), int64_t(c.sets));
        } else {
            EXPECT_FALSE(sections.updateSfntSetInfo) << "nothing is read past the refusal";
        }
    }
}

} // namespace
} // namespace fu
