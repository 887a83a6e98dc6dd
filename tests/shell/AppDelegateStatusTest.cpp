#include "shell/AppDelegate.h"

#include "engine/MessageInfo.h"

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

int16_t mapped(int result) {
    return AppDelegate::updateItemStatusFromUpdateFontItemResult(static_cast<int16_t>(result));
}

TEST(AppDelegateStatus, EveryListedResultGivesItsMessageCode) {
    for (const auto& [result, message] : listedMapping) {
        EXPECT_EQ(mapped(result), message) << result;
    }
    // Neighbours that are easy to confuse.
    EXPECT_EQ(mapped(-2976), -481);
    EXPECT_NE(mapped(-2976), -480);
    EXPECT_EQ(mapped(-2989), -461);
}

TEST(AppDelegateStatus, EveryOtherValueGivesTheGeneralFontMessage) {
    // The unnamed -2997, the generic -1 and the edges of the listed range among them. 0 means
    // "updated" and is never passed by the screens; it falls under the same rule.
    for (int result : {-2997, -1, 0, -3000, -2971, -1996, -1994, -484, -463}) {
        EXPECT_EQ(mapped(result), -484) << result;
    }
    for (int result = std::numeric_limits<int16_t>::min();
         result <= std::numeric_limits<int16_t>::max(); ++result) {
        if (listedMapping.count(result) != 0) continue;
        ASSERT_EQ(mapped(result), -484) << result;
    }
}

TEST(AppDelegateStatus, EveryMappedCodeHasATextToShow) {
    const MessageInfo info;
    for (int result = -3000; result <= -1990; ++result) {
        EXPECT_TRUE(info.messageOfStatusCode(mapped(result)).has_value()) << result;
    }
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
    EXPECT_EQ(AppDelegate::appInfo(), nullptr);

    auto first = std::make_unique<AppInfo>();
    AppInfo* const firstAddress = first.get();
    AppDelegate::setAppInfo(std::move(first));
    EXPECT_EQ(AppDelegate::appInfo(), firstAddress);

    auto second = std::make_unique<AppInfo>();
    AppInfo* const secondAddress = second.get();
    AppDelegate::setAppInfo(std::move(second));
    EXPECT_EQ(AppDelegate::appInfo(), secondAddress);

    std::unique_ptr<AppInfo> released = AppDelegate::releaseAppInfo();
    EXPECT_EQ(released.get(), secondAddress);
    EXPECT_EQ(AppDelegate::appInfo(), nullptr);
    EXPECT_EQ(AppDelegate::releaseAppInfo(), nullptr);

    AppDelegate::setAppInfo(std::move(released));
    EXPECT_EQ(AppDelegate::appInfo(), secondAddress);
    AppDelegate::setAppInfo(nullptr);
    EXPECT_EQ(AppDelegate::appInfo(), nullptr);
}

} // namespace
} // namespace fu
