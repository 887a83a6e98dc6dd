// The parsed forms a target line carries: worked out when the line is read, and the same as the
// readings the update made of the texts for every font before.
#include "definition/UpdateTargetInfo.h"

#include "base/MacDates.h"
#include "platform/DateText.h"
#include "sfnt/Tools.h"

#include <gtest/gtest.h>

#include <string>

namespace fu {
namespace {

using namespace std::chrono;
using namespace std::chrono_literals;

struct Line {
    std::string oVersStr = "1.0.1";
    std::string checksum = "*";
    std::string nVersStr = "1.0.2";
    std::string sfntDate = "2014/04/01 09:00:00";
    std::string fileDate = "2014/04/01 09:00:00";
};

// The one target of a line with the given fields; the line must be accepted.
UpdateTargetItem parsed(const Line& line) {
    const std::string text = "SampleGothic\tサンプルゴシック\t" + line.oVersStr + "\t" +
                             line.checksum + "\t" + line.nVersStr + "\t" + line.sfntDate + "\t" +
                             line.sfntDate + "\t" + line.fileDate + "\t" + line.fileDate + "\t*\n";
    auto info = UpdateTargetInfo::initWithUpdateTargetText(text);
    EXPECT_TRUE(info && info->countOfUpdateTargetItem() == 1) << text;
    if (!info || info->countOfUpdateTargetItem() != 1) return {};
    return *info->updateTargetItemAtIndex(0);
}

TEST(UpdateTarget, VersionsReadAsTheWildcardTheRaiseOrAnExplicitValue) {
    const UpdateTargetItem explicitUpdate = parsed({});
    EXPECT_FALSE(explicitUpdate.anyOldVersion);
    EXPECT_FALSE(explicitUpdate.raisesVersion);
    EXPECT_NE(explicitUpdate.newVersValue, 0u);
    EXPECT_EQ(explicitUpdate.newVersValue, Tools::versFromVersString("1.0.2"));
    EXPECT_LT(Tools::versFromVersString("1.0.1"), explicitUpdate.newVersValue);

    const UpdateTargetItem raise = parsed({.oVersStr = "*", .nVersStr = "*ABC"});
    EXPECT_TRUE(raise.anyOldVersion);
    EXPECT_TRUE(raise.raisesVersion);
    EXPECT_EQ(raise.raiseSuffix, "ABC");
    EXPECT_EQ(raise.newVersValue, 0u) << "a raise has no value of its own";
    const UpdateTargetItem plainRaise = parsed({.oVersStr = "*", .nVersStr = "*"});
    EXPECT_TRUE(plainRaise.raisesVersion);
    EXPECT_EQ(plainRaise.raiseSuffix, "");

    // "**" is not the wildcard; a version without digits has no value, and the line stays.
    const UpdateTargetItem unreadable = parsed({.oVersStr = "**", .nVersStr = "new"});
    EXPECT_FALSE(unreadable.anyOldVersion);
    EXPECT_FALSE(unreadable.raisesVersion);
    EXPECT_EQ(unreadable.newVersValue, 0u);
}

TEST(UpdateTarget, ChecksumIsTheWildcardOrHexadecimalOrNothing) {
    const UpdateTargetItem any = parsed({});
    EXPECT_TRUE(any.anyChecksum);
    EXPECT_FALSE(any.checkSumAdjustment);
    for (const char* text : {"0BADF00D", "0badf00d", "0x0BADF00D", "0XBADF00D", "BADF00D"}) {
        const UpdateTargetItem target = parsed({.checksum = text});
        EXPECT_FALSE(target.anyChecksum) << text;
        EXPECT_EQ(target.checkSumAdjustment, 0x0BADF00Du) << text;
    }
    for (const char* text : {"0x", "0BADF00G", "1FFFFFFFF", "-1", "0x-1", "**"}) {
        const UpdateTargetItem target = parsed({.checksum = text});
        EXPECT_FALSE(target.anyChecksum) << text;
        EXPECT_FALSE(target.checkSumAdjustment) << text << " matches no font";
    }
}

TEST(UpdateTarget, DatesAreJapanTimeAndUnreadableOnesStayForTheFontToFail) {
    const UpdateTargetItem target =
        parsed({.sfntDate = "2014/04/01 09:00:00", .fileDate = "2014/04/02 10:30:00"});
    // 'head' dates count local seconds from 1904; the file dates are instants.
    const int64_t headDate = (sys_days{2014y / April / 1} + 9h - kMacEpoch).count();
    EXPECT_EQ(target.sfntCreated, headDate);
    EXPECT_EQ(target.sfntModified, headDate);
    EXPECT_EQ(target.fileCreated, sys_days{2014y / April / 2} + 1h + 30min);
    EXPECT_EQ(target.fileModified, target.fileCreated);

    for (const char* text : {"2014/13/01 09:00:00", "2014/02/30 09:00:00", "2014/04/01", "soon"}) {
        const UpdateTargetItem unreadable = parsed({.sfntDate = text, .fileDate = text});
        EXPECT_TRUE(UpdateTargetItem::checkPropertys(&unreadable)) << text;
        EXPECT_EQ(unreadable.sfntCreated, 0) << text << ": the new font carries 0";
        EXPECT_EQ(unreadable.sfntCreated, Tools::longDateTimeFromDateString(text));
        EXPECT_FALSE(unreadable.fileCreated) << text;
        EXPECT_FALSE(platform::dateFromJapanDateText(text));
    }
}

TEST(UpdateTarget, RecordsBuiltInCodeGetTheSameFormsAsParsedLines) {
    const UpdateTargetItem line = parsed({.oVersStr = "*", .checksum = "0x1F", .nVersStr = "*X"});
    const UpdateTarget built = UpdateTarget::withTexts({.resName = line.resName,
                                                        .japanFullName = line.japanFullName,
                                                        .oVersStr = line.oVersStr,
                                                        .checksum = line.checksum,
                                                        .nVersStr = line.nVersStr,
                                                        .nSfntCDate = line.nSfntCDate,
                                                        .nSfntMDate = line.nSfntMDate,
                                                        .nFileCDate = line.nFileCDate,
                                                        .nFileMDate = line.nFileMDate,
                                                        .nResMapInfo = line.nResMapInfo,
                                                        .anyOldVersion = false,
                                                        .checkSumAdjustment = 7});
    EXPECT_TRUE(built.anyOldVersion) << "forms given with the texts are worked out again";
    EXPECT_EQ(built.checkSumAdjustment, 0x1Fu);
    EXPECT_EQ(built.raiseSuffix, line.raiseSuffix);
    EXPECT_EQ(built.sfntCreated, line.sfntCreated);
    EXPECT_EQ(built.fileModified, line.fileModified);
}

} // namespace
} // namespace fu
