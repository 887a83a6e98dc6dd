#include "definition/ScriptInfo.h"
#include "definition/UpdateTargetInfo.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

namespace fu {
namespace {

std::string targetLine(const std::string& name, const std::string& mapInfo = "*") {
    return name +
           "\tフォント\t1.0\t*\t1.0.1\t2014/04/01 09:00:00\t2014/04/01 09:00:00\t"
           "2014/04/02 09:00:00\t2014/04/02 09:00:00\t" +
           mapInfo;
}

TEST(UpdateTargetInfo, ValidLinesBecomeTargetsInOrder) {
    const std::string text = targetLine("A") + "\n" +
                             "only\tnine\tfields\t1\t2\t3\t4\t5\t6\n" + // short: skipped
                             "\n" +                                     // empty: skipped
                             targetLine("B") + "\textra\tfields\n" +    // eleven: accepted
                             "C\t\t1.0\t*\t1.0.1\t1\t2\t3\t4\t5\n" +    // empty field: skipped
                             targetLine("D", "0A0B") + "\r\n";          // CR stays
    auto info = UpdateTargetInfo::initWithUpdateTargetText(text);
    ASSERT_TRUE(info);
    ASSERT_EQ(info->countOfUpdateTargetItem(), 3);
    EXPECT_EQ(info->updateTargetItemAtIndex(0)->resName, "A");
    EXPECT_EQ(info->updateTargetItemAtIndex(0)->japanFullName, "フォント");
    EXPECT_EQ(info->updateTargetItemAtIndex(1)->nResMapInfo, "*")
        << "fields past the tenth are ignored";
    EXPECT_EQ(info->updateTargetItemAtIndex(2)->nResMapInfo, "0A0B\r");
    EXPECT_EQ(info->updateTargetItemAtIndex(2)->nFileMDate, "2014/04/02 09:00:00");
    EXPECT_FALSE(info->updateTargetItemAtIndex(3));
    EXPECT_FALSE(info->updateTargetItemAtIndex(-1));
    for (const auto& item : info->updateTargetItems)
        EXPECT_TRUE(UpdateTargetItem::checkPropertys(item.get()));
}

TEST(UpdateTargetInfo, NoValidLineGivesNoList) {
    EXPECT_FALSE(UpdateTargetInfo::initWithUpdateTargetText("a\tb\tc\td\te\tf\tg\th\ti\n"));
    EXPECT_FALSE(UpdateTargetInfo::initWithUpdateTargetText(""));
    UpdateTargetItem partial;
    partial.resName = "A";
    EXPECT_FALSE(UpdateTargetItem::checkPropertys(&partial));
    EXPECT_FALSE(UpdateTargetItem::checkPropertys(nullptr));
}

using UpdateTargetFile = test::SandboxTest;

TEST_F(UpdateTargetFile, ReadsUtf8TextFiles) {
    const std::string good = sandbox.writeFile("targets.txt", asBytes(targetLine("A") + "\n"));
    auto info = UpdateTargetInfo::initWithUpdateTargetTextFilePath(good);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->countOfUpdateTargetItem(), 1);
    EXPECT_FALSE(
        UpdateTargetInfo::initWithUpdateTargetTextFilePath(sandbox.writeFile("empty.txt", {})));
    EXPECT_FALSE(UpdateTargetInfo::initWithUpdateTargetTextFilePath(sandbox.path("missing.txt")));
    const std::string line = targetLine("A");
    Bytes latin1(line.begin(), line.end());
    latin1[0] = 0xC4; // not UTF-8
    EXPECT_FALSE(UpdateTargetInfo::initWithUpdateTargetTextFilePath(
        sandbox.writeFile("latin1.txt", latin1)));
}

TEST(ScriptInfo, KeysAndScriptsFromLines) {
    ScriptInfo info;
    ASSERT_TRUE(info.setupWithText("UserChacheRemove\t/usr/bin/fc-cache -f\r\n"
                                   "nokey\n"
                                   "\tno key\n"
                                   "ASRestartComputer\techo first\textra\n"
                                   "ASRestartComputer\techo second\n"));
    EXPECT_EQ(info.scriptStringForKey("UserChacheRemove"), "/usr/bin/fc-cache -f\r") << "CR kept";
    EXPECT_EQ(info.scriptStringForKey("ASRestartComputer"), "echo second") << "the later key wins";
    EXPECT_EQ(info.scriptDict.size(), 2u);
    EXPECT_FALSE(info.scriptStringForKey("nokey"));
    EXPECT_FALSE(info.scriptStringForKey(""));
    EXPECT_FALSE(info.addScriptString("", "key"));
    EXPECT_FALSE(info.addScriptString("script", ""));
}

TEST(ScriptInfo, EmptySectionIsAcceptedButUndecodableIsNot) {
    ScriptInfo info;
    EXPECT_TRUE(info.setupWithData(asBytes("no valid line here\n")));
    EXPECT_FALSE(info.scriptStringForKey("UserChacheRemove"));
    EXPECT_FALSE(ScriptInfo().setupWithData(Bytes{'k', '\t', 0xFF, 0xFE}));
    EXPECT_FALSE(ScriptInfo().setupWithData({}));
}

} // namespace
} // namespace fu
