#include "engine/FontUpdate.h"
#include "engine/StatusCodes.h"
#include "engine/UpdateManager.h"
#include "shell/AppDelegate.h"
#include "shell/AppInfo.h"
#include "engine/VolumeInfo.h"
#include "support/EngineFixture.h"
#include "support/SampleSuitcase.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fu {
namespace {

class RecordingDelegate : public UpdateManagerDelegate {
public:
    void processProgress(const UpdateResult& result) override { progress.push_back(result); }
    void processComplete(const UpdateResult& result) override { completions.push_back(result); }
    std::vector<UpdateResult> progress;
    std::vector<UpdateResult> completions;
};

class FontSearchRun : public test::SandboxTest {
protected:
    void TearDown() override { AppDelegate::setAppInfo(nullptr); }
    std::string userFonts() const { return sandbox.path("home/.local/share/fonts"); }
    std::string computerFonts() const { return sandbox.path("system-fonts"); }
    // Runs a whole search through a fresh manager and answers its one completion.
    UpdateResult search(AppInfo& info) {
        info.setupUpdateManager();
        info.updateManager->delegate = &delegate;
        maximum = info.updateManager->progressMaxOfFindUpdateNecessaryFont();
        info.updateManager->findUpdateNecessaryFont();
        EXPECT_EQ(delegate.completions.size(), 1u);
        return delegate.completions.back();
    }
    test::EngineSample sample = test::makeEngineSample(sandbox);
    RecordingDelegate delegate;
    int64_t maximum = 0;
};

TEST_F(FontSearchRun, FindsFontsInBothFoldersWithTheirPlace) {
    test::installOldSuitcase(sample, computerFonts() + "/Sub/Computer Gothic");
    test::installOldSuitcase(sample, userFonts() + "/A/B/User Gothic");
    test::installOldSuitcase(sample, userFonts() + "/Top Gothic");
    // Not the font: another version, and a file that is no suitcase at all.
    sample::SampleSuitcaseOptions newer;
    newer.shortVersion = "1.0.2";
    ASSERT_EQ(sample::writeSampleSuitcase(userFonts() + "/Newer Gothic", sample.oldFont, newer), 0);
    test::writeWholeFile(userFonts() + "/plain.ttf", sample.oldFont);

    AppInfo& info = test::installAppState(sample);
    const UpdateResult result = search(info);
    EXPECT_EQ(result.status, StatusOK);
    ASSERT_EQ(result.count, 3);
    EXPECT_EQ(maximum, 2) << "one target x one set x two folders";

    std::map<std::string, const UpdateFontItem*> found;
    for (const auto& item : info.updateFontInfo->updateFontItems) found[item->srcPath] = item.get();
    const UpdateFontItem* computer = found[computerFonts() + "/Sub/Computer Gothic"];
    const UpdateFontItem* nested = found[userFonts() + "/A/B/User Gothic"];
    const UpdateFontItem* top = found[userFonts() + "/Top Gothic"];
    ASSERT_TRUE(computer && nested && top);
    EXPECT_EQ(computer->pathDomain, kComputerDomain);
    EXPECT_EQ(computer->subDirPath, "Sub");
    EXPECT_EQ(nested->pathDomain, kUserDomain);
    EXPECT_EQ(nested->subDirPath, "A/B");
    EXPECT_FALSE(top->subDirPath);
    EXPECT_TRUE(top->reqUpdate) << "every hit starts requested";
    EXPECT_EQ(top->nVersStr, "1.0.2");
    EXPECT_GT(top->oldFileSize, 0);
    EXPECT_EQ(info.updateFontInfo->updateFontItems.front()->srcPath, computerFonts() + "/Sub/Computer Gothic")
        << "the computer's folder is searched first";
    // Progress: the folder text first, a step per set, the last count again.
    ASSERT_FALSE(delegate.progress.empty());
    EXPECT_EQ(delegate.progress.front().text, "'" + computerFonts() + "'内を検索中...");
    EXPECT_EQ(delegate.progress.back().count, 2);
}

TEST_F(FontSearchRun, AFileMatchingTwoSetsIsListedOncePerSet) {
    sample.sources.sets.push_back({"Glyphs again", sample.oldFont, sample.newFont});
    test::installOldSuitcase(sample, userFonts() + "/Gothic");
    AppInfo& info = test::installAppState(sample);
    const UpdateResult result = search(info);
    ASSERT_EQ(result.count, 2);
    EXPECT_EQ(info.updateFontInfo->updateFontItemAtIndex(0)->sfntSetIndex, 0u);
    EXPECT_EQ(info.updateFontInfo->updateFontItemAtIndex(1)->sfntSetIndex, 1u);
    EXPECT_EQ(maximum, 4);
}

// The search walks each folder once; what it lists must be exactly what one walk per target and
// set lists, in the same order, a file once per pair it matches.
TEST_F(FontSearchRun, OneWalkListsWhatAWalkPerPairLists) {
    sample.sources.sets.push_back({"Glyphs again", sample.oldFont, sample.newFont});
    const std::string secondTarget(sample.sources.targets.begin(), sample.sources.targets.end());
    const std::string other = "OtherGothic" + secondTarget.substr(secondTarget.find('\t'));
    sample.sources.targets.insert(sample.sources.targets.begin(), other.begin(), other.end());
    for (const char* path : {"/Z", "/A/B/Y", "/A/X", "/M"}) test::installOldSuitcase(sample, userFonts() + path);
    sample::SampleSuitcaseOptions renamed;
    renamed.resName = "OtherGothic";
    renamed.shortVersion = "1.0.1";
    ASSERT_EQ(sample::writeSampleSuitcase(userFonts() + "/A/Other", sample.oldFont, renamed), 0);
    std::filesystem::create_directories(computerFonts());

    AppInfo& info = test::installAppState(sample);
    ASSERT_EQ(info.updateTargetInfo->countOfUpdateTargetItem(), 2);
    ASSERT_EQ(search(info).status, StatusOK);
    UpdateFontInfo perPair;
    for (int64_t t = 0; t < 2; ++t)
        for (uint64_t s = 0; s < 2; ++s)
            ASSERT_EQ(FontUpdate::findUpdateFontInfo(&perPair, info.updateSfntSetInfo.get(), s, 0, userFonts(), "",
                                                     kUserDomain, info.updateTargetInfo->updateTargetItemAtIndex(t)),
                      0);
    auto listing = [](const UpdateFontInfo& fonts) {
        std::vector<std::tuple<std::string, uint64_t, std::string, std::string>> rows;
        for (const auto& item : fonts.updateFontItems)
            rows.emplace_back(item->srcPath, item->sfntSetIndex, item->subDirPath.value_or(""), item->resName);
        return rows;
    };
    EXPECT_EQ(listing(*info.updateFontInfo), listing(perPair));
    EXPECT_EQ(perPair.countOfUpdateFontItemAll(), 10) << "1 + 4 files, each with 2 sets";
}

TEST_F(FontSearchRun, MissingFoldersAndDefinitionPartsEndTheSearch) {
    AppInfo& info = test::installAppState(sample);
    // The user has no Fonts folder yet: the computer's is searched, then the walk fails.
    EXPECT_EQ(search(info).status, SearchErrorWalkFailed);
    EXPECT_EQ(AppDelegate::appInfo()->messageInfo->messageOfStatusCode(SearchErrorWalkFailed).has_value(), true);

    std::filesystem::create_directories(userFonts());
    info.updateTargetInfo.reset();
    delegate.completions.clear();
    EXPECT_EQ(search(info).status, -994);
    EXPECT_EQ(maximum, 0);
    info.updateSfntSetInfo.reset();
    delegate.completions.clear();
    EXPECT_EQ(search(info).status, -996);

    AppDelegate::setAppInfo(nullptr);
    UpdateManager orphan;
    orphan.delegate = &delegate;
    delegate.completions.clear();
    orphan.findUpdateNecessaryFont();
    ASSERT_EQ(delegate.completions.size(), 1u);
    EXPECT_EQ(delegate.completions[0].status, -999);
}

TEST_F(FontSearchRun, ASearchFolderIsSearchedAsTheUsersOnly) {
    test::installOldSuitcase(sample, sandbox.path("elsewhere/Gothic"));
    AppInfo& info = test::installAppState(sample);
    info.setupUpdateFontInfo();
    EXPECT_EQ(FontUpdate::findUpdateFontInfo(info.updateFontInfo.get(), info.updateSfntSetInfo.get(),
                                             info.updateTargetInfo.get(), sandbox.path("elsewhere")),
              0);
    ASSERT_EQ(info.updateFontInfo->countOfUpdateFontItemAll(), 1);
    EXPECT_EQ(info.updateFontInfo->updateFontItemAtIndex(0)->pathDomain, kUserDomain);
}

TEST(SizeString, DecimalUnitsWithThousandths) {
    EXPECT_EQ(FontUpdate::sizeStringOfByteSize(999, true), "999バイト");
    EXPECT_EQ(FontUpdate::sizeStringOfByteSize(1000, false), "1KB");
    EXPECT_EQ(FontUpdate::sizeStringOfByteSize(1500, false), "1.500KB");
    EXPECT_EQ(FontUpdate::sizeStringOfByteSize(1'000'999, false), "1MB");
    EXPECT_EQ(FontUpdate::sizeStringOfByteSize(1'234'567, true), "1.234MB（1234567バイト）");
    EXPECT_EQ(FontUpdate::sizeStringOfByteSize(2'000'000'000, true), "2GB（2000000000バイト）");
    EXPECT_EQ(FontUpdate::sizeStringOfByteSize(1'050'000'000'000, false), "1.050TB");
    EXPECT_EQ(FontUpdate::sizeStringOfByteSize(1'005'000'000'000, false), "1.005TB");
}

TEST(FreeSpace, TestOptionsAndTheMargin) {
    UpdateFontInfo empty;
    VolumeInfo volumes;
    TestOption option;
    option.freeSize = true;
    option.freeSizeValue = 100;
    if (!volumes.systemVolumeItem() || !volumes.systemVolumeItem()->writable)
        GTEST_SKIP() << "no writable system volume here";
    auto check = UpdateManager::checkFreeSpace(empty, &option, volumes);
    EXPECT_EQ(check.freeBytes, 100'000'000u);
    EXPECT_EQ(check.needBytes, 0u) << "nothing requested needs no margin";
    EXPECT_TRUE(check.enough);
}

} // namespace
} // namespace fu
