#include "engine/FontUpdate.h"

#include "base/ByteReader.h"
#include "definition/DefinitionWriter.h"
#include "definition/UpdateTarget.h"
#include "sfnt/SfntData.h"
#include "suitcase/ResFile.h"
#include "support/SampleFont.h"
#include "support/SampleSuitcase.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace fu {
namespace {

constexpr uint32_t kFond = fourCC("FOND");
constexpr uint32_t kSfnt = fourCC("sfnt");
constexpr uint32_t kVers = fourCC("vers");
const std::string kResName = "SampleGothic";
const std::string kJapanName = "サンプルゴシック";

sample::SampleFontOptions fontAt(const std::string& version, uint16_t glyphs = 8) {
    sample::SampleFontOptions font;
    font.version = version;
    font.glyphCount = glyphs;
    return font;
}

// The old tables of an update from the 8-glyph sample font to a 12-glyph one.
std::unique_ptr<SfntData> oldSetData() {
    std::string error;
    const auto tables = differingTables(sample::makeTrueTypeFont(fontAt("1.0.1")),
                                        sample::makeTrueTypeFont(fontAt("1.0.1", 12)), error);
    return tables ? SfntData::initWithSfntData(tables->oldTables) : nullptr;
}

std::unique_ptr<ResFile> model(const std::string& shortVersion, const std::string& longVersion = {},
                               const std::string& fontVersion = "1.0.1") {
    sample::SampleSuitcaseOptions options;
    options.shortVersion = shortVersion;
    options.longVersion = longVersion;
    return sample::makeSampleSuitcaseModel(sample::makeTrueTypeFont(fontAt(fontVersion)), options);
}

ResItem* item(const ResFile& resFile, uint32_t type) { return resFile.resItemByIndex(0, type); }

// A target for the sample font, as its definition line gives it.
UpdateTarget target(const std::string& oldVersion, const std::string& newVersion,
                    const std::string& checksum = "*", const std::string& japanName = kJapanName) {
    return UpdateTarget::withTexts({.resName = kResName,
                                    .japanFullName = japanName,
                                    .oVersStr = oldVersion,
                                    .checksum = checksum,
                                    .nVersStr = newVersion});
}

TEST(UpdateDecisionVers, OldVersionNeedsTheShortStringAndTheLongOneWithItsComma) {
    EXPECT_EQ(FontUpdate::updateNeedOldShortVersString("1.0", *model("1.0", "1.0, (C) X")), 1);
    EXPECT_EQ(FontUpdate::updateNeedOldShortVersString("1.0", *model("1.0", "1.0 (C) X")), 0);
    EXPECT_EQ(FontUpdate::updateNeedOldShortVersString("1.0", *model("1.0.1", "1.0, X")), 0);
}

TEST(UpdateDecisionVers, AnyOldVersionTakesFontsBelowTheNewOne) {
    for (const auto& [installed, expected] : {std::pair{"1.0.1", 1}, {"1.0.2", 0}, {"1.1", 1}}) {
        auto resFile = model(installed);
        EXPECT_EQ(FontUpdate::updateNeedNewShortVersString("1.0.2", item(*resFile, kVers)),
                  expected)
            << installed;
    }
}

TEST(UpdateDecisionVers, RaiseWithASuffixPassesOverFontsThatCarryIt) {
    EXPECT_EQ(FontUpdate::updateNeedNewShortVersString("*ABC", *model("1.0.2 (ABC)")), 0);
    EXPECT_EQ(FontUpdate::updateNeedNewShortVersString("*ABC", *model("1.0.2")), 1);
    EXPECT_EQ(FontUpdate::updateNeedNewShortVersString("*", nullptr), 1)
        << "a plain raise applies without reading the resource";
}

TEST(UpdateDecisionFond, OneFamilyRecordWithTheNameIsEnoughButAnUnnamedOneEndsTheWalk) {
    auto resFile = model("1.0.1");
    auto& fonds = resFile->resItemListByResType(kFond)->resItems;
    auto other = std::make_unique<ResItem>();
    other->resType = kFond;
    other->resName = "OtherGothic";
    fonds.insert(fonds.begin(), std::move(other));
    const auto set = oldSetData();
    EXPECT_EQ(FontUpdate::updateNeedResName(target("1.0.1", "1.0.2"), set.get(), *resFile), 1);

    fonds.front()->resName = std::nullopt;
    EXPECT_EQ(FontUpdate::updateNeedFondNameString(kResName, *resFile), 0);
}

class UpdateDecisionSfnt : public ::testing::Test {
protected:
    int16_t check(const std::string& checksum, const std::string& japanName = kJapanName,
                  const std::string& oldVersion = "1.0.1") {
        return FontUpdate::updateNeedSfntResName(target(oldVersion, "1.0.2", checksum, japanName),
                                                 set.get(), item(*resFile, kSfnt));
    }
    std::string adjustment(const char* format) {
        const auto font = SfntData::initWithSfntData(*item(*resFile, kSfnt)->resData());
        uint32_t value = 0;
        EXPECT_TRUE(ByteReader(font->tableForTag(fourCC("head"))->tableData).u32At(8, value));
        char text[16];
        return std::snprintf(text, sizeof text, format, value) > 0 ? text : "";
    }

    std::unique_ptr<ResFile> resFile = model("1.0.1");
    std::unique_ptr<SfntData> set = oldSetData();
};

TEST_F(UpdateDecisionSfnt, ChecksumIsSkippedOrReadAsHexadecimal) {
    EXPECT_EQ(check("*"), 1);
    EXPECT_EQ(check(adjustment("%08X")), 1);
    EXPECT_EQ(check(adjustment("%08x")), 1);
    EXPECT_EQ(check("0BADF00D"), 0);
}

TEST_F(UpdateDecisionSfnt, NamesMustCarryTheFullNameAndTheOldVersion) {
    EXPECT_EQ(check("*", "サンプル明朝"), 0);
    EXPECT_EQ(check("*", kJapanName, "1.0.0"), 0) << "vers and name disagree with the target";
}

TEST(UpdateDecisionOldData, EveryOldTableMustBeInTheFontWithTheSameBytes) {
    const auto font = SfntData::initWithSfntData(sample::makeTrueTypeFont(fontAt("1.0.1")));
    const SfntTable a = *font->tableForTag(fourCC("glyf"));
    SfntTable b = *font->tableForTag(fourCC("loca"));
    SfntData old;
    old.tables = {a, b};
    EXPECT_EQ(FontUpdate::updateNeedCheckMatchOldSfntData(&old, font.get()), 1);

    Bytes changed = old.tables[1].tableData.toBytes();
    changed.back() ^= 1;
    old.tables[1].tableData = std::move(changed);
    EXPECT_EQ(FontUpdate::updateNeedCheckMatchOldSfntData(&old, font.get()), 0);

    b.tag = fourCC("zzzz");
    old.tables = {a, b};
    EXPECT_EQ(FontUpdate::updateNeedCheckMatchOldSfntData(&old, font.get()), 0);
}

TEST(UpdateDecisionFile, AnswersForSuitcasesOnlyAndCannotDecideWithoutACensus) {
    const test::Sandbox sandbox;
    const auto set = oldSetData();
    const auto decide = [&](const std::string& path) {
        return FontUpdate::updateNeedResName(target("1.0.1", "1.0.2"), set.get(), path);
    };
    const std::string font = sandbox.path("Font");
    sample::SampleSuitcaseOptions options;
    options.shortVersion = "1.0.1";
    ASSERT_EQ(sample::writeSampleSuitcase(font, sample::makeTrueTypeFont(fontAt("1.0.1")), options),
              ResStatus::resNoErr);
    EXPECT_EQ(decide(font), 1);

    const Bytes fork = *sample::readForkFile(font);
    const std::string text = sandbox.path("Text");
    ASSERT_EQ(sample::writeForkFile(text, fork, fourCC("TEXT")), 0);
    EXPECT_EQ(decide(text), 0);

    Bytes sameOffsets = fork;
    std::copy_n(sameOffsets.begin(), 4, sameOffsets.begin() + 4); // map offset = data offset
    const std::string broken = sandbox.path("Broken");
    ASSERT_EQ(sample::writeForkFile(broken, sameOffsets), 0);
    EXPECT_EQ(decide(broken), -1);
}

} // namespace
} // namespace fu
