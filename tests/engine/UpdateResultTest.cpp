#include "engine/UpdateResult.h"

#include "shell/AppDelegate.h"
#include "shell/AppInfo.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace fu {
namespace {

constexpr const char* fontGeneralText = "エラーのためアップデートは行われませんでした。";
constexpr const char* cacheRebuildText = "フォントキャッシュの再構築要求に失敗しました。";

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

    EXPECT_EQ(UpdateResult::updateResultWithStatusCode(-494).text, cacheRebuildText);
    // Codes without a message: success, the unnamed -496 and an outcome code.
    EXPECT_EQ(UpdateResult::updateResultWithStatusCode(0).text, std::nullopt);
    EXPECT_EQ(UpdateResult::updateResultWithStatusCode(-496).text, std::nullopt);
    EXPECT_EQ(UpdateResult::updateResultWithStatusCode(-491).text, std::nullopt);
}

TEST_F(UpdateResultTest, GivenTextWinsAndNilFallsBackToTheMessage) {
    installAppInfo();
    const UpdateResult given = UpdateResult::updateResultWithStatusCode(-484, 7, "progress");
    EXPECT_EQ(given.status, -484);
    EXPECT_EQ(given.count, 7);
    EXPECT_EQ(given.text, "progress");

    // An empty text is a text, not nil.
    EXPECT_EQ(UpdateResult::updateResultWithStatusCode(-484, 1, std::string{}).text, "");

    const UpdateResult fallback =
        UpdateResult::updateResultWithStatusCode(-495, int64_t{1} << 40, std::nullopt);
    EXPECT_EQ(fallback.count, int64_t{1} << 40);
    EXPECT_EQ(fallback.text, cacheRebuildText);
    EXPECT_EQ(UpdateResult::updateResultWithStatusCode(-490, 3, std::nullopt).text, std::nullopt);
}

TEST_F(UpdateResultTest, CountWithNilTextLooksUpStatusZero) {
    AppInfo& appInfo = installAppInfo();
    const UpdateResult progress = UpdateResult::updateResultWithCount(12, std::nullopt);
    EXPECT_EQ(progress.status, 0);
    EXPECT_EQ(progress.count, 12);
    EXPECT_EQ(progress.text, std::nullopt);

    const UpdateResult named = UpdateResult::updateResultWithCount(3, "Osaka");
    EXPECT_EQ(named.status, 0);
    EXPECT_EQ(named.count, 3);
    EXPECT_EQ(named.text, "Osaka");

    // The fallback is a real look-up of status 0, which only a table with such a text answers.
    ASSERT_TRUE(appInfo.messageInfo->addItemWithStatusCode(0, "done"));
    EXPECT_EQ(UpdateResult::updateResultWithCount(12, std::nullopt).text, "done");
}

TEST_F(UpdateResultTest, CountAloneNeverCarriesText) {
    AppInfo& appInfo = installAppInfo();
    ASSERT_TRUE(appInfo.messageInfo->addItemWithStatusCode(0, "done"));
    const UpdateResult result = UpdateResult::updateResultWithCount(-5);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.count, -5);
    EXPECT_EQ(result.text, std::nullopt);
}

TEST_F(UpdateResultTest, WithoutApplicationStateEveryMessageIsNil) {
    ASSERT_EQ(AppDelegate::appInfo(), nullptr);
    const UpdateResult status = UpdateResult::updateResultWithStatusCode(-484);
    EXPECT_EQ(status.status, -484);
    EXPECT_EQ(status.text, std::nullopt);
    const UpdateResult full = UpdateResult::updateResultWithStatusCode(-497, 2, std::nullopt);
    EXPECT_EQ(full.status, -497);
    EXPECT_EQ(full.count, 2);
    EXPECT_EQ(full.text, std::nullopt);
    // A given text does not need the state.
    EXPECT_EQ(UpdateResult::updateResultWithStatusCode(-497, 2, "x").text, "x");
    EXPECT_EQ(UpdateResult::updateResultWithCount(4, "y").text, "y");
    EXPECT_EQ(UpdateResult::updateResultWithCount(4, std::nullopt).text, std::nullopt);
    EXPECT_EQ(UpdateResult::updateResultWithCount(4).text, std::nullopt);
}

TEST_F(UpdateResultTest, StateWithoutMessageTableGivesNil) {
    installAppInfo().messageInfo.reset();
    EXPECT_EQ(UpdateResult::updateResultWithStatusCode(-484).text, std::nullopt);
    EXPECT_EQ(UpdateResult::updateResultWithStatusCode(-484, 1, std::nullopt).text, std::nullopt);
}

TEST_F(UpdateResultTest, LooksUpTheStateInstalledAtTheTimeOfTheCall) {
    installAppInfo().messageInfo->messageItems.clear();
    EXPECT_EQ(UpdateResult::updateResultWithStatusCode(-484).text, std::nullopt);
    installAppInfo();
    EXPECT_EQ(UpdateResult::updateResultWithStatusCode(-484).text, fontGeneralText);
}

} // namespace
} // namespace fu
