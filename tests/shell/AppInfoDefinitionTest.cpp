#include "definition/DefinitionLimits.h"
#include "definition/ResourceRegistry.h"
#include "shell/AppInfo.h"
#include "support/DefinitionBuilder.h"
#include "support/HostileSearch.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <array>

namespace fu {
namespace {

using test::kTestCopyright;
using test::taggedContainer;

Bytes text(std::string_view s) { return Bytes(s.begin(), s.end()); }

class DefinitionLoad : public test::SandboxTest {
protected:
    DefinitionLoad() { info.appCopyrightStr = kTestCopyright; }
    bool hasDefinition() const {
        return info.readMeText || info.updateTargetInfo || info.scriptInfo ||
               info.updateSfntSetInfo;
    }
    AppInfo info;
    DefinitionSources sources = test::sampleDefinitionSources();
};

TEST_F(DefinitionLoad, AcceptedDefinitionFillsAllFourParts) {
    ASSERT_TRUE(info.setupUpdaterParamWithEnData(test::sealedDefinition(sources)));
    EXPECT_FALSE(info.fupdefFail);
    ASSERT_TRUE(info.readMeText);
    EXPECT_EQ(info.readMeText->plainText().substr(0, 18), "アップデート");
    ASSERT_TRUE(info.updateTargetInfo);
    EXPECT_EQ(info.updateTargetInfo->updateTargetItemAtIndex(0)->japanFullName, "サンプルゴシック");
    EXPECT_EQ(info.scriptInfo->scriptStringForKey("UserChacheRemove"), "/usr/bin/fc-cache -f");
    ASSERT_EQ(info.updateSfntSetInfo->countOfUpdateSfntSetItem(), 1);
    const UpdateSfntSetItem* set = info.updateSfntSetInfo->updateSfntSetItemAtIndex(0);
    EXPECT_EQ(set->name, "Sample update");
    EXPECT_TRUE(set->oSfntData->tableForTag(fourCC("glyf")));
    EXPECT_FALSE(set->oSfntData->tableForTag(fourCC("name"))) << "name and head are never in a set";
    EXPECT_FALSE(set->nSfntData->tableForTag(fourCC("head")));
}

// The sets are read in place; whatever the caller then does with its bytes, they keep the tables
// the author's fonts differ in, and the file's bytes are kept as they were read.
TEST_F(DefinitionLoad, TheSetsOutliveTheBytesTheyWereReadFrom) {
    std::string error;
    const auto expected = differingTables(sources.sets[0].oldFont, sources.sets[0].newFont, error);
    ASSERT_TRUE(expected) << error;
    const auto oldTables = SfntData::initWithSfntData(expected->oldTables);
    const auto newTables = SfntData::initWithSfntData(expected->newTables);
    auto holdsTheSet = [&](const AppInfo& loaded, const char* how) {
        ASSERT_TRUE(loaded.updateSfntSetInfo) << how;
        const UpdateSfntSetItem* set = loaded.updateSfntSetInfo->updateSfntSetItemAtIndex(0);
        ASSERT_TRUE(set) << how;
        EXPECT_EQ(set->oSfntData->tables, oldTables->tables) << how;
        EXPECT_EQ(set->nSfntData->tables, newTables->tables) << how;
    };
    const Bytes sealed = test::sealedDefinition(sources);

    Bytes container = sealed;
    ASSERT_TRUE(info.setupUpdaterParamWithEnData(ByteView(container)));
    std::fill(container.begin(), container.end(), uint8_t{0});
    Bytes().swap(container);
    holdsTheSet(info, "from a view");
    EXPECT_EQ(info.definitionBytes, sealed);

    AppInfo fromFile;
    fromFile.appCopyrightStr = kTestCopyright;
    ASSERT_TRUE(fromFile.setupUpateParamWithUrl(sandbox.writeFile("sets.fupdef", sealed)));
    holdsTheSet(fromFile, "from a file");
    EXPECT_EQ(fromFile.definitionBytes, sealed);

    // A definition may be loaded again from the bytes the state itself keeps.
    ASSERT_TRUE(fromFile.setupUpdaterParamWithEnData(ByteView(fromFile.definitionBytes)));
    holdsTheSet(fromFile, "reloaded from its own bytes");
    EXPECT_EQ(fromFile.definitionBytes, sealed);

    const OpenedContainer opened = openDefinitionContainer(sealed, kTestCopyright);
    ASSERT_EQ(opened.failure, ContainerFailure::None);
    Bytes payload = opened.payload;
    AppInfo split;
    ASSERT_EQ(split.splitPayload(payload), PayloadFailure::None);
    std::fill(payload.begin(), payload.end(), uint8_t{0});
    holdsTheSet(split, "split from a view");
}

TEST_F(DefinitionLoad, EveryLoadReplacesTheLastOne) {
    ASSERT_TRUE(info.setupUpdaterParamWithEnData(test::sealedDefinition(sources)));
    DefinitionSources second = sources;
    second.scripts = text("ASRestartComputer\techo second\n");
    ASSERT_TRUE(info.setupUpdaterParamWithEnData(test::sealedDefinition(second)));
    EXPECT_FALSE(info.scriptInfo->scriptStringForKey("UserChacheRemove"));

    // A damaged container after a good one leaves nothing behind.
    Bytes damaged = test::sealedDefinition(sources);
    damaged.back() ^= 1;
    EXPECT_FALSE(info.setupUpdaterParamWithEnData(damaged));
    EXPECT_TRUE(info.fupdefFail);
    EXPECT_FALSE(hasDefinition());

    // The wrong key is refused like any damage.
    info.appCopyrightStr = "Another";
    EXPECT_FALSE(info.setupUpdaterParamWithEnData(test::sealedDefinition(sources)));
}

// The wizard names the reason of a definition beyond the limits, and forgets it with the next
// load, whatever that load's outcome.
TEST_F(DefinitionLoad, ADefinitionBeyondTheLimitsKeepsItsReason) {
    const struct {
        size_t targets;
        size_t sets;
        PayloadFailure failure;
    } cases[] = {
        {kMaxDefinitionTargets + 1, 1, PayloadFailure::TooManyTargets},
        {1, kMaxDefinitionSets + 1, PayloadFailure::TooManySets},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.targets << " targets, " << c.sets << " sets");
        EXPECT_FALSE(info.setupUpdaterParamWithEnData(
            test::sealedDefinition(test::repeatedTargetsAndSets(sources, c.targets, c.sets))));
        EXPECT_TRUE(info.fupdefFail);
        EXPECT_EQ(info.fupdefPayloadFailure, c.failure);
        EXPECT_FALSE(info.updateSfntSetInfo);
        ASSERT_TRUE(info.setupUpdaterParamWithEnData(test::sealedDefinition(sources)));
        EXPECT_EQ(info.fupdefPayloadFailure, PayloadFailure::None);
    }
}

TEST_F(DefinitionLoad, AnEmptyExternalFileKeepsThePreviousDefinition) {
    const std::string good = sandbox.writeFile("good.fupdef", test::sealedDefinition(sources));
    ASSERT_TRUE(info.setupUpateParamWithUrl(good));
    EXPECT_FALSE(info.setupUpateParamWithUrl(sandbox.writeFile("empty.fupdef", {})));
    EXPECT_TRUE(info.fupdefFail);
    EXPECT_TRUE(info.updateTargetInfo) << "the container reader never ran";
    EXPECT_FALSE(info.setupUpateParamWithUrl(sandbox.path("missing.fupdef")));
    EXPECT_TRUE(info.updateTargetInfo);
}

TEST_F(DefinitionLoad, TheBuiltInDefinitionComesFromTheResources) {
    ResourceRegistry::removeResource("UpdaterParam_OS10_10", "fupdef");
    EXPECT_FALSE(info.setupUpdaterParam());
    EXPECT_TRUE(info.fupdefFail);
    ResourceRegistry::registerResource("UpdaterParam_OS10_10", "fupdef",
                                       test::sealedDefinition(sources));
    EXPECT_TRUE(info.setupUpdaterParam());
    EXPECT_FALSE(info.fupdefFail);
    ResourceRegistry::removeResource("UpdaterParam_OS10_10", "fupdef");
}

class PayloadSplit : public DefinitionLoad {
protected:
    Bytes sets() {
        AuthoringResult payload = buildDefinitionPayload(sources);
        auto container = SfntData::initWithSfntData(*payload.bytes);
        return container->tableForTag(fourCC("sets"))->tableData.toBytes();
    }
    Bytes payloadWith(const std::vector<std::pair<std::string, Bytes>>& tables) {
        return taggedContainer(tables);
    }
};

TEST_F(PayloadSplit, ReadMeAndTargetsMustBeThereButMayBeUnreadable) {
    EXPECT_EQ(info.splitPayload(payloadWith(
                  {{"updp", sources.targets}, {"scpt", sources.scripts}, {"sets", sets()}})),
              PayloadFailure::ReadMe);
    EXPECT_EQ(info.splitPayload(payloadWith(
                  {{"rdme", sources.readMe}, {"scpt", sources.scripts}, {"sets", sets()}})),
              PayloadFailure::Targets);
    // Not RTF, and nine fields per target: still a definition.
    EXPECT_EQ(info.splitPayload(payloadWith({{"rdme", text("plain text\n")},
                                             {"updp", text("1\t2\t3\t4\t5\t6\t7\t8\t9\n")},
                                             {"scpt", text("no scripts\n")},
                                             {"sets", sets()}})),
              PayloadFailure::None);
    EXPECT_FALSE(info.readMeText);
    EXPECT_FALSE(info.updateTargetInfo);
    ASSERT_TRUE(info.scriptInfo);
    EXPECT_TRUE(info.scriptInfo->scriptDict.empty());
}

TEST_F(PayloadSplit, OneBadSetRefusesTheDefinitionAndSetsKeepTheirOrder) {
    const Bytes oldTables = taggedContainer({{"glyf", Bytes(8, 1)}});
    const Bytes newTables = taggedContainer({{"glyf", Bytes(8, 2)}});
    auto set = [&](const std::string& name, bool withNew) {
        std::vector<std::pair<std::string, Bytes>> tables{{"name", text(name)},
                                                          {"old ", oldTables}};
        if (withNew) tables.emplace_back("new ", newTables);
        return taggedContainer(tables);
    };
    auto payload = [&](Bytes setsSection) {
        return payloadWith({{"rdme", sources.readMe},
                            {"updp", sources.targets},
                            {"scpt", sources.scripts},
                            {"sets", std::move(setsSection)}});
    };
    EXPECT_EQ(info.splitPayload(payload(
                  taggedContainer({{"s000", set("First", true)}, {"s001", set("Second", false)}}))),
              PayloadFailure::Sets);
    EXPECT_FALSE(info.updateSfntSetInfo);
    EXPECT_TRUE(info.readMeText && info.updateTargetInfo && info.scriptInfo)
        << "sections read before the failing one stay";

    ASSERT_EQ(info.splitPayload(payload(
                  taggedContainer({{"zzzz", set("First", true)}, {"aaaa", set("Second", true)}}))),
              PayloadFailure::None);
    EXPECT_EQ(info.updateSfntSetInfo->updateSfntSetItemAtIndex(0)->name, "First");
    EXPECT_EQ(info.updateSfntSetInfo->updateSfntSetItemAtIndex(1)->name, "Second");
    EXPECT_FALSE(info.updateSfntSetInfo->updateSfntSetItemAtIndex(2));
}

// Each section loader sets its part anew: nil first, then what the bytes give.
TEST_F(PayloadSplit, EachSectionLoaderReplacesItsPartOrLeavesItNil) {
    ASSERT_TRUE(info.setupUpdaterParamWithData(payloadWith({{"rdme", sources.readMe},
                                                            {"updp", sources.targets},
                                                            {"scpt", sources.scripts},
                                                            {"sets", sets()}})));
    EXPECT_TRUE(info.setupReadMeWithData(sources.readMe));
    EXPECT_FALSE(info.setupReadMeWithData({}));
    EXPECT_FALSE(info.readMeText);
    EXPECT_FALSE(info.setupUpdateTargetInfoWithText("too\tfew\tfields\n"));
    EXPECT_FALSE(info.updateTargetInfo);
    EXPECT_TRUE(info.setupUpdateTargetInfoWithText(
        std::string(sources.targets.begin(), sources.targets.end())));
    EXPECT_EQ(info.updateTargetInfo->countOfUpdateTargetItem(), 1);
    const std::string targetFile = sandbox.writeFile("targets.txt", sources.targets);
    EXPECT_TRUE(info.setupUpdateTargetInfoWithTextFilePath(targetFile));
    EXPECT_FALSE(info.setupUpdateTargetInfoWithTextFilePath(sandbox.path("missing.txt")));
    EXPECT_FALSE(info.setupUpdateTargetInfoWithUpdaterParamText())
        << "no plain target list is built in";
    ResourceRegistry::registerResource("UpdaterParam", "txt", sources.targets);
    EXPECT_TRUE(info.setupUpdateTargetInfoWithUpdaterParamText());
    ResourceRegistry::removeResource("UpdaterParam", "txt");
    EXPECT_FALSE(info.setupScriptInfoWidthData({}));
    EXPECT_FALSE(info.scriptInfo);
    EXPECT_TRUE(info.setupScriptInfoWidthData(sources.scripts));
    EXPECT_FALSE(info.setupUpdateSfntSetInfoWithData(text("not a container")));
    EXPECT_FALSE(info.updateSfntSetInfo);
    EXPECT_TRUE(info.setupUpdateSfntSetInfoWithData(sets()));
    EXPECT_FALSE(info.addUpdateSfntSetItemWithData(sets(), nullptr));
    EXPECT_FALSE(
        info.addUpdateSfntSetItemWithData(text("not a set"), info.updateSfntSetInfo.get()));
    EXPECT_EQ(info.updateSfntSetInfo->countOfUpdateSfntSetItem(), 1);
}

// The key is derived afresh from the copyright string at every call (the DefinitionKey tests check
// the derivation); a buffer without storage is refused.
TEST_F(DefinitionLoad, TheKeyFollowsTheCopyrightString) {
    std::array<uint8_t, 32> first{}, other{};
    EXPECT_FALSE(info.setByte({}));
    ASSERT_TRUE(info.setByte(first));
    info.appCopyrightStr += " ";
    ASSERT_TRUE(info.setByte(other));
    EXPECT_NE(first, other);
}

TEST(DefinitionWriter, RefusesTablesOnlyOneFontHas) {
    auto sources = test::sampleDefinitionSources();
    std::string error;
    const Bytes font = sources.sets[0].oldFont;
    EXPECT_FALSE(differingTables(font, font, error));
    EXPECT_NE(error.find("do not differ"), std::string::npos);
    const Bytes onlyInNew = taggedContainer({{"glyf", Bytes(4, 1)}, {"zzzz", Bytes(4, 1)}});
    const Bytes base = taggedContainer({{"glyf", Bytes(4, 2)}});
    EXPECT_FALSE(differingTables(base, onlyInNew, error));
    EXPECT_NE(error.find("'zzzz' is only in the new font"), std::string::npos) << error;
    EXPECT_FALSE(differingTables(onlyInNew, base, error));
    EXPECT_NE(error.find("only in the old font"), std::string::npos) << error;
}

} // namespace
} // namespace fu
