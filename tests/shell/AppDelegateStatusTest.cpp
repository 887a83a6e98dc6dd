#include "shell/AppDelegate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>
#include <memory>

namespace fu {
namespace {

// Per-font result → font message code, as the result screens must show them.
const std::map<int, int> listedMapping = {
    {-2999, -484}, {-2998, -488}, {-2996, -482}, {-2995, -470}, {-2994, -484}, {-2993, -485},
    {-2992, -486}, {-2991, -468}, {-2990, -469}, {-2989, -461}, {-2988, -462}, {-2987, -463},
    {-2986, -464}, {-2985, -471}, {-2984, -472}, {-2983, -473}, {-2982, -474}, {-2981, -475},
    {-2980, -476}, {-2979, -477}, {-2978, -478}, {-2977, -479}, {-2976, -481}, {-2975, -466},
    {-2974, -465}, {-2973, -467}, {-2972, -483}, {-1995, -463},
};

TEST(AppDelegateStatus, ListedResultsGiveTheirMessageCodeAndEveryOtherValueTheGeneralOne) {
    for (int result = std::numeric_limits<int16_t>::min();
         result <= std::numeric_limits<int16_t>::max(); ++result) {
        const auto listed = listedMapping.find(result);
        const int expected = listed == listedMapping.end() ? -484 : listed->second;
        ASSERT_EQ(code(AppDelegate::updateItemStatusFromUpdateFontItemResult(
                      static_cast<ItemResult>(result))),
                  expected)
            << result;
    }
}

TEST(AppInfo, StartsWithAFilledMessageTableAndAKeySeed) {
    const AppInfo info;
    ASSERT_NE(info.messageInfo, nullptr);
    EXPECT_EQ(info.messageInfo->messageOfStatusCode(-1000),
              "フォント検索中にエラーが発生しました。");
    // The definition key cannot be derived from an empty seed.
    EXPECT_FALSE(info.appCopyrightStr.empty());
}

// The state is process-wide; each test leaves it as it found it.
class AppDelegateState : public ::testing::Test {
protected:
    void SetUp() override { saved_ = AppDelegate::releaseAppInfo(); }
    void TearDown() override { AppDelegate::setAppInfo(std::move(saved_)); }

private:
    std::unique_ptr<AppInfo> saved_;
};

TEST_F(AppDelegateState, InstallsReplacesAndHandsBackTheState) {
    AppDelegate::setAppInfo(std::make_unique<AppInfo>());
    auto second = std::make_unique<AppInfo>();
    AppInfo* const secondAddress = second.get();
    AppDelegate::setAppInfo(std::move(second));
    EXPECT_EQ(AppDelegate::appInfo(), secondAddress);

    std::unique_ptr<AppInfo> released = AppDelegate::releaseAppInfo();
    EXPECT_EQ(released.get(), secondAddress);
    EXPECT_EQ(AppDelegate::appInfo(), nullptr);

    AppDelegate::setAppInfo(std::move(released));
    AppDelegate::setAppInfo(nullptr);
    EXPECT_EQ(AppDelegate::appInfo(), nullptr);
}

} // namespace
} // namespace fu
