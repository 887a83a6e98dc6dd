#include "engine/FontUpdate.h"

#include "definition/DefinitionWriter.h"
#include "definition/UpdateTarget.h"
#include "engine/StatusCodes.h"
#include "platform/MacFiles.h"
#include "platform/Text.h"
#include "sfnt/SfntData.h"
#include "sfnt/SfntTableName.h"
#include "sfnt/VersResource.h"
#include "suitcase/ResFile.h"
#include "support/SampleFont.h"
#include "support/SampleSuitcase.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

namespace fu {
namespace {

using namespace std::chrono;

constexpr uint32_t kFond = fourCC("FOND");
constexpr uint32_t kSfnt = fourCC("sfnt");
constexpr uint32_t kVers = fourCC("vers");
const std::string kResName = "SampleGothic";
const std::string kJapanName = "サンプルゴシック";

struct Vers {
    VersResHeader header;
    std::string shortText, longText;
};

Vers versOf(ResFile& resFile) {
    Vers vers;
    PascalString shortString{}, longString{};
    EXPECT_TRUE(
        readVersResItem(resFile.resItemByIndex(0, kVers), vers.header, shortString, longString));
    vers.shortText = platform::shiftJisToUtf8(pascalStringBytes(shortString)).value_or("?");
    vers.longText = platform::shiftJisToUtf8(pascalStringBytes(longString)).value_or("?");
    return vers;
}

std::unique_ptr<SfntData> sfntOf(ResFile& resFile) {
    return SfntData::initWithSfntData(*resFile.resItemByIndex(0, kSfnt)->resData());
}

// Every name-ID-5 text of the font; "?" for one that does not decode.
std::vector<std::string> versionNames(ResFile& resFile) {
    const auto names =
        SfntTableName::initWithNameData(sfntOf(resFile)->tableForTag(fourCC("name"))->tableData);
    std::vector<std::string> texts;
    for (const SfntTableNameItem& item : names->nameItems)
        if (item.nameID == 5) texts.push_back(item.nameString().value_or("?"));
    return texts;
}

class NewFontConstruction : public test::SandboxTest {
protected:
    NewFontConstruction() {
        sample::SampleFontOptions changed = font;
        changed.glyphCount = 12;
        std::string error;
        const auto tables = differingTables(sample::makeTrueTypeFont(font),
                                            sample::makeTrueTypeFont(changed), error);
        oldSet = SfntData::initWithSfntData(tables->oldTables);
        newSet = SfntData::initWithSfntData(tables->newTables);
    }

    std::string source(const std::string& shortVersion, const std::string& longVersion = {},
                       const std::string& name = "Source") {
        sample::SampleFontOptions options = font;
        options.version = shortVersion;
        sample::SampleSuitcaseOptions suitcase;
        suitcase.shortVersion = shortVersion;
        suitcase.longVersion = longVersion;
        std::string path = sandbox.path(name);
        EXPECT_EQ(sample::writeSampleSuitcase(path, sample::makeTrueTypeFont(options), suitcase),
                  ResStatus::resNoErr);
        return path;
    }
    // The sample font's target, with the dates and the map of a definition line.
    static UpdateTarget target(const std::string& oldVersion, const std::string& newVersion,
                               const std::string& checksum = "*") {
        return UpdateTarget::withTexts({.resName = kResName,
                                        .japanFullName = kJapanName,
                                        .oVersStr = oldVersion,
                                        .checksum = checksum,
                                        .nVersStr = newVersion,
                                        .nSfntCDate = "2014/04/01 09:00:00",
                                        .nSfntMDate = "2014/04/02 10:30:00",
                                        .nFileCDate = "2014/04/01 09:00:00",
                                        .nFileMDate = "2014/04/02 10:30:00",
                                        .nResMapInfo = "*"});
    }
    ItemResult build(const std::string& src, const std::string& oldVersion,
                     const std::string& newVersion, const std::string& checksum = "*",
                     const SfntData* oldData = nullptr, const SfntData* newData = nullptr) {
        return FontUpdate::updateResFileResName(target(oldVersion, newVersion, checksum),
                                                oldData ? oldData : oldSet.get(),
                                                newData ? newData : newSet.get(), src, dst);
    }
    std::unique_ptr<ResFile> loaded(const std::string& path) {
        auto resFile = ResFile::initOfContentFile(path);
        EXPECT_EQ(resFile->loadStatus, ResStatus::resNoErr);
        return resFile;
    }
    // Changes a loaded source in memory.
    ItemResult change(ResFile& resFile) {
        return FontUpdate::updateResFileResName(target("1.0.1", "1.0.2"), oldSet.get(),
                                                newSet.get(), resFile);
    }
    bool written() const { return platform::macFileExists(dst); }

    sample::SampleFontOptions font;
    std::unique_ptr<SfntData> oldSet, newSet;
    std::string dst = sandbox.path("New");
};

TEST_F(NewFontConstruction, RaisesEveryVersionAndSwapsTheSetsTables) {
    const std::string src = source("1.0.1", "1.0.1, revised from 1.0.1, not 1.0.1 beta");
    const Bytes companion = test::readWholeFile(platform::companionPath(src));
    ASSERT_EQ(build(src, "1.0.1", "1.0.2"), ItemResult::StatusOK);

    auto resFile = loaded(dst);
    const Vers vers = versOf(*resFile);
    EXPECT_EQ(vers.header.bugFix, 2);
    EXPECT_EQ(vers.shortText, "1.0.2");
    EXPECT_EQ(vers.longText, "1.0.2, revised from 1.0.2, not 1.0.1 beta");
    EXPECT_EQ(versionNames(*resFile), std::vector<std::string>(4, "Version 1.0.2"));
    const auto sfnt = sfntOf(*resFile);
    for (const SfntTable& table : newSet->tables)
        EXPECT_EQ(sfnt->tableForTag(table.tag)->tableData, table.tableData)
            << fourCCString(table.tag);
    EXPECT_EQ(resFile->createDate(), sys_days{2014y / April / 1});
    EXPECT_EQ(test::readWholeFile(platform::companionPath(src)), companion)
        << "the source is only read";
}

TEST_F(NewFontConstruction, TheSfntAloneIsRewrittenAsTheWholeChangeRewritesIt) {
    const std::string src = source("1.0.1");
    auto whole = loaded(src);
    ASSERT_EQ(change(*whole), ItemResult::StatusOK);
    auto alone = loaded(src);
    ResItem* sfnt = alone->resItemByIndex(0, kSfnt);
    const Bytes before = *sfnt->resData();
    auto rewrite = [&](ResItem* item, const SfntData* newData) {
        return FontUpdate::updateSfntResName(target("1.0.1", "1.0.2"), oldSet.get(), newData, item);
    };
    EXPECT_EQ(rewrite(nullptr, newSet.get()), ItemResult::ItemFailed);
    EXPECT_EQ(rewrite(sfnt, nullptr), ItemResult::ItemFailed);
    EXPECT_EQ(*sfnt->resData(), before) << "a refused rewrite leaves the data alone";
    ASSERT_EQ(rewrite(sfnt, newSet.get()), ItemResult::StatusOK);
    EXPECT_EQ(*sfnt->resData(), *whole->resItemByIndex(0, kSfnt)->resData());
}

TEST_F(NewFontConstruction, AutomaticRaiseAddsTheSuffixAndKeepsNumbersThatDoNotFit) {
    for (const auto& [installed, raised, bugFix] :
         {std::tuple{"1.0.9", "1.0.10", 10}, {"1.0.15", "1.0.16", 15}}) {
        SCOPED_TRACE(installed);
        dst = sandbox.path(std::string("New ") + installed);
        ASSERT_EQ(build(source(installed, {}, installed), "*", "*ABC"), ItemResult::StatusOK);

        auto resFile = loaded(dst);
        const Vers vers = versOf(*resFile);
        EXPECT_EQ(vers.header.bugFix, bugFix);
        EXPECT_EQ(vers.shortText, std::string(raised) + " (ABC)");
        EXPECT_EQ(versionNames(*resFile),
                  std::vector<std::string>(4, "Version " + std::string(raised) + " (ABC)"));
    }
}

TEST_F(NewFontConstruction, RefusesFontsItCannotChangeExactlyAsPlanned) {
    auto onlyVersTwo = loaded(source("1.0.1"));
    onlyVersTwo->resItemByIndex(0, kVers)->resID = 2;
    EXPECT_EQ(change(*onlyVersTwo), ItemResult::ItemSfntBuildFailed);

    auto twoFamilies = loaded(sandbox.path("Source"));
    const Bytes sfnt = *twoFamilies->resItemByIndex(0, kSfnt)->resData();
    auto second = std::make_unique<ResItem>();
    second->resType = kFond;
    second->resName = kResName;
    ASSERT_TRUE(twoFamilies->addResItem(std::move(second)));
    EXPECT_EQ(change(*twoFamilies), ItemResult::ItemFondMultiple);
    EXPECT_EQ(*twoFamilies->resItemByIndex(0, kSfnt)->resData(), sfnt);
}

TEST_F(NewFontConstruction, WritesNothingWhenTheFontOrTheVersionsDoNotFit) {
    const std::string src = source("1.0.1", "1.0.1, " + std::string(248, 'x'));
    EXPECT_EQ(build(src, "1.0.1", "1.0.2", "0BADF00D"), ItemResult::ItemSfntVerifyFailed)
        << "a wrong checksum must not give a raised 'vers' over the old tables";
    EXPECT_EQ(build(src, "1.0.1", "1.0.10"), ItemResult::ItemFailed)
        << "the long string would pass 255 bytes";

    // The set's 'name' is rewritten before the tables are compared, so it never matches.
    auto font = SfntData::initWithSfntData(*loaded(src)->resItemByIndex(0, kSfnt)->resData());
    SfntData withName = *oldSet, newWithName = *newSet;
    withName.tables.push_back(*font->tableForTag(fourCC("name")));
    newWithName.tables.push_back(withName.tables.back());
    EXPECT_EQ(build(src, "1.0.1", "1.0.2", "*", &withName, &newWithName), ItemResult::ItemFailed);
    EXPECT_FALSE(written());
}

TEST_F(NewFontConstruction, AFileDateThatDoesNotReadFailsTheFontItIsUsedOn) {
    const std::string src = source("1.0.1");
    UpdateTarget unreadable = target("1.0.1", "1.0.2");
    unreadable.nFileMDate = "2014/04/31 10:30:00";
    EXPECT_EQ(FontUpdate::updateResFileResName(UpdateTarget::withTexts(unreadable), oldSet.get(),
                                               newSet.get(), src, dst),
              ItemResult::ItemFailed)
        << "the creation date alone must not be applied";
    EXPECT_FALSE(written());
}

TEST_F(NewFontConstruction, NeedsAnExistingSuitcase) {
    EXPECT_EQ(build(sandbox.path("Missing"), "1.0.1", "1.0.2"), ItemResult::ItemFileNotFound);
    const std::string text = sandbox.path("Text");
    ASSERT_EQ(sample::writeForkFile(text, *sample::readForkFile(source("1.0.1")), fourCC("TEXT")),
              0);
    EXPECT_EQ(build(text, "1.0.1", "1.0.2"), ItemResult::ItemNotSuitcase);
}

} // namespace
} // namespace fu
