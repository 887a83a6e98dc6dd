// Check-target records: their dictionary form, the list editing of the tools, and the
// inspection that fills them from suitcase files.
#include "tools/CheckTargetInfo.h"

#include "base/ByteReader.h"
#include "base/Hex.h"
#include "definition/DefinitionWriter.h"
#include "definition/UpdateSfntSetInfo.h"
#include "engine/FontUpdate.h"
#include "platform/Crypto.h"
#include "platform/MacFiles.h"
#include "sfnt/SfntData.h"
#include "suitcase/ResFile.h"
#include "support/HostileSearch.h"
#include "support/SampleFont.h"
#include "support/SampleSuitcase.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

namespace fu {
namespace {

// Every field set, each to a value no other field has.
CheckTargetItem fullRecord() {
    CheckTargetItem item;
    int n = 0;
    for (std::optional<std::string>* text :
         {&item.filePath,   &item.fondResName,    &item.sfntResName, &item.japanFullName,
          &item.versStr,    &item.shortVersStr,   &item.longVersStr, &item.sfntVersStr,
          &item.checksum,   &item.japanCopyright, &item.nVersStr,    &item.nDateStr,
          &item.sfntCDate,  &item.sfntMDate,      &item.fileCDate,   &item.fileMDate,
          &item.resMapInfo, &item.nSfntCDate,     &item.nSfntMDate,  &item.nFileCDate,
          &item.nFileMDate, &item.nResMapInfo,    &item.versMD5,     &item.fondMD5,
          &item.sfntMD5})
        *text = "value " + std::to_string(n++);
    item.resFileFail = item.noSuitcase = item.multiVers = item.multiFond = item.multiSfnt = true;
    item.matchSfntData = item.matchNewSfntData = true;
    item.matchSfntSetIndex = 3;
    item.matchNewSfntSetIndex = 4;
    return item;
}

std::unique_ptr<CheckTargetItem> named(const std::string& path) {
    auto item = std::make_unique<CheckTargetItem>();
    item->filePath = path;
    return item;
}

CheckTargetInfo listOf(std::initializer_list<const char*> paths) {
    CheckTargetInfo info;
    for (const char* path : paths)
        EXPECT_TRUE(info.addCheckTargetItem(named(path)));
    return info;
}

std::vector<std::string> pathsOf(const CheckTargetInfo& info) {
    std::vector<std::string> paths;
    for (const auto& item : info.checkTargetItems)
        paths.push_back(item->filePath.value_or("?"));
    return paths;
}

TEST(CheckTargetDictionary, RecordRoundTripsFieldForFieldAndWritesNoNilStrings) {
    const CheckTargetItem full = fullRecord();
    const PropertyDictionary dictionary = full.dictionary();
    EXPECT_EQ(dictionary.size(), 34u);
    ASSERT_TRUE(dictionary.contains("nResMapInfo"));
    EXPECT_EQ(*dictionary.at("nResMapInfo").string(), *full.nResMapInfo)
        << "keys are the field names";
    EXPECT_EQ(*CheckTargetItem::initWithDictionary(&dictionary), full);

    std::vector<std::string> keys;
    for (const auto& [key, value] : CheckTargetItem().dictionary())
        keys.push_back(key);
    EXPECT_EQ(keys,
              (std::vector<std::string>{"matchNewSfntData", "matchNewSfntSetIndex", "matchSfntData",
                                        "matchSfntSetIndex", "multiFond", "multiSfnt", "multiVers",
                                        "noSuitcase", "resFileFail"}));
    EXPECT_EQ(CheckTargetItem::initWithDictionary(nullptr), nullptr);
}

TEST(CheckTargetDictionary, NumbersReadAsFlagsAndValuesOfTheWrongShapeAsNil) {
    const PropertyDictionary stored{{"matchSfntData", 1},
                                    {"matchNewSfntSetIndex", true},
                                    {"filePath", 5},
                                    {"multiSfnt", "YES"},
                                    {"nVersStr", ""}};
    const auto item = CheckTargetItem::initWithDictionary(&stored);
    EXPECT_TRUE(item->matchSfntData);
    EXPECT_EQ(item->matchSfntSetIndex, 0);
    EXPECT_EQ(item->matchNewSfntSetIndex, 1);
    EXPECT_FALSE(item->filePath);
    EXPECT_FALSE(item->multiSfnt);
    EXPECT_EQ(item->nVersStr, "") << "an empty string is kept, not taken for nil";
}

TEST(CheckTargetDictionary, ListKeepsOrderSkipsNonRecordsAndIsNilWhenEmpty) {
    CheckTargetInfo info = listOf({"a", "b"});
    PropertyArray items = *info.dictionary()->at("checkTargetItems").array();
    items.insert(items.begin() + 1, PropertyValue("not a record"));
    const PropertyDictionary withJunk{{"checkTargetItems", items}};
    const auto read = CheckTargetInfo::initWithDictionary(&withJunk);
    EXPECT_EQ(pathsOf(*read), (std::vector<std::string>{"a", "b"}));

    EXPECT_EQ(CheckTargetInfo().dictionary(), std::nullopt);
    EXPECT_EQ(CheckTargetInfo::initWithDictionary(nullptr), nullptr);
    const PropertyDictionary noKey{{"other", 1}};
    EXPECT_EQ(CheckTargetInfo::initWithDictionary(&noKey)->countOfCheckTargetItem(), 0);
}

TEST(CheckTargetEditing, DeleteIgnoresRowsPastTheEndAndLeavesNoListWhenEmptied) {
    CheckTargetInfo info = listOf({"a", "b", "c"});
    EXPECT_TRUE(info.deleteCheckTarteItemAtWithIndexSet({0, 5}));
    EXPECT_EQ(pathsOf(info), (std::vector<std::string>{"b", "c"}));
    EXPECT_FALSE(info.deleteCheckTarteItemAtWithIndexSet({2, -1}));
    EXPECT_TRUE(info.deleteCheckTarteItemAtWithIndexSet({0, 1}));
    EXPECT_EQ(info.countOfCheckTargetItem(), 0);
    EXPECT_EQ(info.dictionary(), std::nullopt);
    EXPECT_EQ(info.checkTargetFontItemAtIndex(0), nullptr);
}

TEST(CheckTargetEditing, MoveLandsAtTheDropRowLessTheSelectedRowsAboveIt) {
    struct Case {
        IndexSet rows;
        int64_t drop;
        int64_t answer;
        std::vector<std::string> order;
    };
    const std::vector<std::string> unchanged{"0", "1", "2", "3", "4"};
    for (const Case& c :
         {Case{{0, 1}, 4, 2, {"2", "3", "0", "1", "4"}}, Case{{3}, 0, 0, {"3", "0", "1", "2", "4"}},
          Case{{1, 4}, 5, 3, {"0", "2", "3", "1", "4"}},
          Case{{0, 4}, 2, 1, {"1", "0", "4", "2", "3"}}, Case{{}, 2, -1, unchanged},
          Case{{2, 5}, 0, -1, unchanged}, Case{{1}, 6, -1, unchanged},
          Case{{1}, -1, -1, unchanged}}) {
        CheckTargetInfo info = listOf({"0", "1", "2", "3", "4"});
        EXPECT_EQ(info.moveCheckTarteItems(c.rows, c.drop), c.answer) << "drop " << c.drop;
        EXPECT_EQ(pathsOf(info), c.order) << "drop " << c.drop;
    }
}

TEST(CheckTargetChecks, BuildingFromTheDefinitionAlsoNeedsTheMapAndAMatchedSet) {
    CheckTargetInfo info;
    EXPECT_TRUE(info.verifyEmptyValueOfCheckTargetInfo());
    EXPECT_TRUE(info.verifyEmptyValueOfCheckTargetInfoForUserUpdate());
    ASSERT_TRUE(info.addCheckTargetItem(std::make_unique<CheckTargetItem>(fullRecord())));
    EXPECT_TRUE(info.verifyEmptyValueOfCheckTargetInfo());

    CheckTargetItem& item = *info.checkTargetFontItemAtIndex(0);
    item.nResMapInfo = "";
    EXPECT_FALSE(info.verifyEmptyValueOfCheckTargetInfo());
    EXPECT_TRUE(info.verifyEmptyValueOfCheckTargetInfoForUserUpdate());
    item.nResMapInfo = "*";
    item.matchSfntData = false;
    EXPECT_FALSE(info.verifyEmptyValueOfCheckTargetInfo());
    EXPECT_TRUE(info.verifyEmptyValueOfCheckTargetInfoForUserUpdate());
    item.nFileMDate.reset();
    EXPECT_FALSE(info.verifyEmptyValueOfCheckTargetInfoForUserUpdate());
}

TEST(CheckTargetChecks, BulkSettersFillOnlyNilValues) {
    CheckTargetInfo info = listOf({"a", "b"});
    CheckTargetItem& chosen = *info.checkTargetFontItemAtIndex(0);
    chosen.nVersStr = "";
    chosen.nSfntMDate = "2010/01/01 00:00:00";
    EXPECT_TRUE(info.setEmptyNewVersStrFromUserUpdateKey("*UP"));
    EXPECT_TRUE(info.setEmptyNewDateStrFromDateStr("2014/04/01 09:00:00"));
    EXPECT_EQ(chosen.nVersStr, "");
    EXPECT_EQ(chosen.nSfntMDate, "2010/01/01 00:00:00");
    EXPECT_EQ(chosen.nSfntCDate, "2014/04/01 09:00:00");
    const CheckTargetItem& other = *info.checkTargetFontItemAtIndex(1);
    EXPECT_EQ(other.nVersStr, "*UP");
    for (const auto* date :
         {&other.nSfntCDate, &other.nSfntMDate, &other.nFileCDate, &other.nFileMDate})
        EXPECT_EQ(*date, "2014/04/01 09:00:00");
}

TEST(CheckTargetChecks, SameFontTwiceNeedsBothNamesSetAndEqual) {
    auto font = [](std::optional<std::string> fond, std::optional<std::string> fullName) {
        auto item = std::make_unique<CheckTargetItem>();
        item->fondResName = std::move(fond);
        item->japanFullName = std::move(fullName);
        return item;
    };
    CheckTargetInfo info;
    EXPECT_FALSE(info.checkExistsFontNameAndFullName());
    ASSERT_TRUE(info.addCheckTargetItem(font("A", std::nullopt)));
    ASSERT_TRUE(info.addCheckTargetItem(font("A", std::nullopt)));
    ASSERT_TRUE(info.addCheckTargetItem(font("A", "ゴシック")));
    ASSERT_TRUE(info.addCheckTargetItem(font("B", "ゴシック")));
    EXPECT_FALSE(info.checkExistsFontNameAndFullName());
    ASSERT_TRUE(info.addCheckTargetItem(font("A", "ゴシック")));
    EXPECT_TRUE(info.checkExistsFontNameAndFullName());
}

// ---- Inspection ----

std::string md5Text(ByteView bytes) {
    const auto digest = platform::md5(bytes);
    return digest ? hexString(*digest) : "(no MD5)";
}

class Inspection : public test::SandboxTest {
protected:
    Inspection() {
        // Set 0 is made from fonts with other glyphs, so only set 1 fits the suitcase.
        addSet("Other", 9, 13);
        addSet("Glyphs", 8, 12);
    }
    void addSet(const std::string& name, uint16_t oldGlyphs, uint16_t newGlyphs) {
        std::string error;
        const auto tables = differingTables(font(oldGlyphs), font(newGlyphs), error);
        ASSERT_TRUE(tables) << error;
        auto set = std::make_unique<UpdateSfntSetItem>();
        set->name = name;
        ASSERT_TRUE(set->setOldSfntDataWithData(tables->oldTables));
        ASSERT_TRUE(set->setNewSfntDataWithData(tables->newTables));
        ASSERT_TRUE(sets.addUpdateSfntSetItem(std::move(set)));
    }
    static Bytes font(uint16_t glyphs) {
        sample::SampleFontOptions options;
        options.version = "1.0.1";
        options.glyphCount = glyphs;
        return sample::makeTrueTypeFont(options);
    }
    std::string suitcase(const std::string& name, ByteView image) {
        std::string path = sandbox.path(name);
        sample::SampleSuitcaseOptions options;
        options.shortVersion = "1.0.1";
        EXPECT_EQ(sample::writeSampleSuitcase(path, image, options), ResStatus::resNoErr);
        return path;
    }

    UpdateSfntSetInfo sets;
    CheckTargetInfo list;
};

TEST_F(Inspection, RecordsWhatTheSuitcaseHoldsAndTheSetItMatches) {
    const Bytes image = font(8);
    const std::string path = suitcase("Old", image);
    ASSERT_EQ(FontUpdate::setCheckTargetInfo(&list, &sets, path), 0);
    ASSERT_EQ(list.countOfCheckTargetItem(), 1);
    const CheckTargetItem& item = *list.checkTargetFontItemAtIndex(0);

    const sample::SampleFontOptions names;
    uint32_t adjustment = 0;
    ASSERT_TRUE(
        ByteReader(SfntData::initWithSfntData(image)->tableForTag(fourCC("head"))->tableData)
            .u32At(8, adjustment));
    using Texts = std::vector<std::optional<std::string>>;
    EXPECT_EQ((Texts{item.filePath, item.fondResName, item.sfntResName, item.japanFullName,
                     item.japanCopyright, item.sfntVersStr, item.versStr, item.shortVersStr,
                     item.longVersStr, item.checksum, item.sfntMD5, item.resMapInfo}),
              (Texts{path, "SampleGothic", "SampleGothic", names.japaneseName,
                     names.japaneseCopyright, "Version 1.0.1", "1.0.1", "1.0.1",
                     "1.0.1, (C) Font Updater sample", hexNumber(adjustment, 8), md5Text(image),
                     ResFile::resourceMapInfoStringOfPath(path)}))
        << "path, names, copyright, versions, checksum, MD5 and map, in that order";
    EXPECT_EQ(item.nResMapInfo, item.resMapInfo);
    EXPECT_TRUE(item.fileCDate && item.fileMDate && item.sfntCDate && item.versMD5 && item.fondMD5);
    EXPECT_TRUE(item.matchSfntData);
    EXPECT_EQ(item.matchSfntSetIndex, 1);
    EXPECT_FALSE(item.matchNewSfntData);

    // A font that already has the new tables is recognised as updated.
    ASSERT_EQ(FontUpdate::setCheckTargetInfo(&list, &sets, suitcase("Updated", font(12))), 0);
    const CheckTargetItem& updated = *list.checkTargetFontItemAtIndex(1);
    EXPECT_FALSE(updated.matchSfntData);
    EXPECT_TRUE(updated.matchNewSfntData);
    EXPECT_EQ(updated.matchNewSfntSetIndex, 1);
}

TEST_F(Inspection, SuitcaseWithTwoSfntResourcesIsFlaggedWithoutSfntFields) {
    // Two 'sfnt' references to the one font record, beside a single 'FOND' and 'vers'.
    const auto vers = sample::makeVersResource("1.0.1", "1.0.1, (C) Font Updater sample");
    ASSERT_TRUE(vers);
    const std::string path = sandbox.path("Two");
    ASSERT_EQ(
        sample::writeForkFile(path, test::sharedRecordFork(sample::makeFondResource(128, 1000),
                                                           *vers, font(8), "SampleGothic", 2)),
        0);

    ASSERT_EQ(FontUpdate::setCheckTargetInfo(&list, &sets, path), 0);
    const CheckTargetItem& item = *list.checkTargetFontItemAtIndex(0);
    EXPECT_TRUE(item.multiSfnt);
    EXPECT_FALSE(item.sfntResName || item.japanFullName || item.checksum || item.sfntMD5 ||
                 item.sfntVersStr);
    EXPECT_FALSE(item.matchSfntData || item.matchNewSfntData);
    EXPECT_EQ(item.fondResName, "SampleGothic") << "the single 'FOND' is still recorded";
}

TEST_F(Inspection, FilesThatAreNoSuitcaseAreMarkedOrRefused) {
    CheckTargetItem item;
    const std::string text = sandbox.path("Text");
    ASSERT_EQ(sample::writeForkFile(text, *sample::readForkFile(suitcase("Font", font(8))),
                                    fourCC("TEXT")),
              0);
    EXPECT_EQ(FontUpdate::setCheckTargetItem(
                  &item, sets.updateSfntSetItemAtIndex(0)->oSfntData.get(), text),
              0);
    EXPECT_TRUE(item.noSuitcase);
    EXPECT_FALSE(item.fondResName);

    // Without a resource map there is nothing to record.
    const std::string plain = sandbox.writeFile("plain.txt", asBytes("text"));
    EXPECT_EQ(FontUpdate::setCheckTargetInfo(&list, &sets, plain), -1);
    EXPECT_EQ(FontUpdate::setCheckTargetInfo(&list, &sets, sandbox.path("missing")), -1);
    EXPECT_EQ(list.countOfCheckTargetItem(), 0);
    EXPECT_EQ(FontUpdate::setCheckTargetItem(&item, nullptr, text), -1);
}

TEST_F(Inspection, ReinspectionFollowsTheFileAndKeepsTheAuthorsNewValues) {
    const std::string path = suitcase("Font", font(8));
    ASSERT_EQ(FontUpdate::setCheckTargetInfo(&list, &sets, path), 0);
    CheckTargetItem& item = *list.checkTargetFontItemAtIndex(0);
    item.nVersStr = "1.0.2";
    item.nDateStr = "note";
    item.nSfntCDate = item.nSfntMDate = item.nFileCDate = item.nFileMDate = "2014/04/01 09:00:00";
    const CheckTargetItem authored = item;

    ASSERT_EQ(platform::removeMacItem(path), 0);
    const Bytes updated = font(12);
    suitcase("Font", updated);
    ASSERT_EQ(FontUpdate::updateCheckTargetInfo(&list, &sets), 0);
    EXPECT_FALSE(item.matchSfntData);
    EXPECT_EQ(item.matchSfntSetIndex, 0);
    EXPECT_TRUE(item.matchNewSfntData);
    EXPECT_EQ(item.matchNewSfntSetIndex, 1);
    EXPECT_EQ(item.sfntMD5, md5Text(updated));
    EXPECT_EQ(item.resMapInfo, ResFile::resourceMapInfoStringOfPath(path));
    for (auto field :
         {&CheckTargetItem::nVersStr, &CheckTargetItem::nDateStr, &CheckTargetItem::nSfntCDate,
          &CheckTargetItem::nSfntMDate, &CheckTargetItem::nFileCDate, &CheckTargetItem::nFileMDate})
        EXPECT_EQ(item.*field, authored.*field);

    // A record without a file fails the refresh but does not stop the others.
    ASSERT_TRUE(list.addCheckTargetItem(std::make_unique<CheckTargetItem>()));
    item.sfntMD5.reset();
    EXPECT_EQ(FontUpdate::updateCheckTargetInfo(&list, &sets), -1);
    EXPECT_EQ(item.sfntMD5, md5Text(updated));
}

} // namespace
} // namespace fu
