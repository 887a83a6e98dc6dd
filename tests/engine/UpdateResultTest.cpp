#include "engine/UpdateResult.h"

#include "shell/AppDelegate.h"
#include "shell/AppInfo.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace fu {
namespace {

constexpr const char* fontGeneralText = "エラーのためアップデートは行われませんでした。";

// Installs a state of the test's choosing (or none) and gives back whatever was there before.
class UpdateResultTest : public ::testing::Test {
protected:
    void SetUp() override { saved_ = AppDelegate::releaseAppInfo(); }
    void TearDown() override { AppDelegate::setAppInfo(std::move(saved_)); }

    AppInfo& installAppInfo() {
        AppDelegate::setAppInfo(std::make_unique<AppInfo>());
        return *AppDelegate::appInfo();
    }

private:
    std::unique_ptr<AppInfo> saved_;
};

TEST_F(UpdateResultTest, StatusCodeTakesItsMessageFromTheApplicationState) {
    installAppInfo();
    const UpdateResult general = UpdateResult::updateResultWithStatusCode(-484);
    EXPECT_EQ(general.status, -484);
    EXPECT_EQ(general.count, 0);
    EXPECT_EQ(general.text, fontGeneralText);
}

TEST_F(UpdateResultTest, GivenTextWinsAndNilFallsBackToTheMessage) {
    installAppInfo();
    EXPECT_EQ(UpdateResult::updateResultWithStatusCode(-484, 7, "progress").text, "progress");
    // An empty text is a text, not nil.
    EXPECT_EQ(UpdateResult::updateResultWithStatusCode(-484, 1, std::string{}).text, "");
    const UpdateResult fallback =
        UpdateResult::updateResultWithStatusCode(-484, int64_t{1} << 40, std::nullopt);
    EXPECT_EQ(fallback.count, int64_t{1} << 40);
    EXPECT_EQ(fallback.text, fontGeneralText);
}

TEST_F(UpdateResultTest, CountWithTextIsStatusZeroAndNilLooksUpStatusZero) {
    AppInfo& appInfo = installAppInfo();
    const UpdateResult named = UpdateResult::updateResultWithCount(3, "Osaka");
    EXPECT_EQ(named.status, 0);
    EXPECT_EQ(named.count, 3);
    EXPECT_EQ(named.text, "Osaka");
    // Only a table with a text for status 0 shows that the fallback is a real look-up.
    ASSERT_TRUE(appInfo.messageInfo->addItemWithStatusCode(0, "done"));
    EXPECT_EQ(UpdateResult::updateResultWithCount(12, std::nullopt).text, "done");
    // The count-only form never looks up.
    const UpdateResult countOnly = UpdateResult::updateResultWithCount(-5);
    EXPECT_EQ(countOnly.count, -5);
    EXPECT_EQ(countOnly.text, std::nullopt);
}

TEST_F(UpdateResultTest, LooksUpWhateverStateAndTableAreInstalledAtTheTimeOfTheCall) {
    EXPECT_EQ(UpdateResult::updateResultWithStatusCode(-484).text, std::nullopt);
    // A given text does not need the state.
    EXPECT_EQ(UpdateResult::updateResultWithStatusCode(-497, 2, "x").text, "x");
    AppInfo& appInfo = installAppInfo();
    EXPECT_EQ(UpdateResult::updateResultWithStatusCode(-484).text, fontGeneralText);
    appInfo.messageInfo.reset();
    EXPECT_EQ(UpdateResult::updateResultWithStatusCode(-484).text, std::nullopt);
}

} // namespace
} // namespace fu
