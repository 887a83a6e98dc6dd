#include "shell/AppInfo.h"

#include <gtest/gtest.h>

namespace fu {
namespace {

TEST(AppInfo, StartsWithAFilledMessageTableAndNothingDecided) {
    const AppInfo info;
    ASSERT_NE(info.messageInfo, nullptr);
    EXPECT_EQ(info.messageInfo->messageOfStatusCode(-1000),
              "フォント検索中にエラーが発生しました。");
    EXPECT_FALSE(info.fupdefFail);
    EXPECT_FALSE(info.noSupportSystem);
    EXPECT_FALSE(info.dispFirstAlert);
    EXPECT_FALSE(info.externalFupdef);
    // Start-up sets the requirement; until then none is recorded.
    EXPECT_TRUE(info.reqSysVersStr.empty());
    // The definition key cannot be derived from an empty seed.
    EXPECT_FALSE(info.appCopyrightStr.empty());
    EXPECT_EQ(info.curViewNo, 0);
    EXPECT_FALSE(info.updateManagerResult.has_value());
    EXPECT_FALSE(info.sceneDebug);
}

} // namespace
} // namespace fu
