#include "engine/UpdateResult.h"

#include "engine/MessageInfo.h"

#include <gtest/gtest.h>

#include <string>

namespace fu {
namespace {

constexpr UpdateStatus runGeneral = UpdateStatus::UpdateErrorGeneral;
constexpr const char* runGeneralText = "アップデート中にエラーが発生しました。";

TEST(UpdateResult, StatusCodeTakesItsMessageFromTheTableItIsGiven) {
    const MessageInfo messages;
    const UpdateResult general = UpdateResult::updateResultWithStatusCode(runGeneral, &messages);
    EXPECT_EQ(general.status, runGeneral);
    EXPECT_EQ(general.count, 0);
    EXPECT_EQ(general.text, runGeneralText);
    // Without a table there is nothing to look up; a given text does not need one.
    EXPECT_EQ(UpdateResult::updateResultWithStatusCode(runGeneral, nullptr).text, std::nullopt);
    EXPECT_EQ(UpdateResult::updateResultWithStatusCode(UpdateStatus::UpdateErrorItemFetch, 2, "x",
                                                       nullptr)
                  .text,
              "x");
}

TEST(UpdateResult, GivenTextWinsAndNilFallsBackToTheMessage) {
    const MessageInfo messages;
    EXPECT_EQ(UpdateResult::updateResultWithStatusCode(runGeneral, 7, "progress", &messages).text,
              "progress");
    // An empty text is a text, not nil.
    EXPECT_EQ(
        UpdateResult::updateResultWithStatusCode(runGeneral, 1, std::string{}, &messages).text, "");
    const UpdateResult fallback = UpdateResult::updateResultWithStatusCode(
        runGeneral, int64_t{1} << 40, std::nullopt, &messages);
    EXPECT_EQ(fallback.count, int64_t{1} << 40);
    EXPECT_EQ(fallback.text, runGeneralText);
}

TEST(UpdateResult, CountWithTextIsStatusZeroAndNilLooksUpStatusZero) {
    MessageInfo messages;
    const UpdateResult named = UpdateResult::updateResultWithCount(3, "Osaka", &messages);
    EXPECT_EQ(code(named.status), 0);
    EXPECT_EQ(named.count, 3);
    EXPECT_EQ(named.text, "Osaka");
    EXPECT_EQ(UpdateResult::updateResultWithCount(12, std::nullopt, &messages).text, std::nullopt);
    // Only a table with a text for status 0 shows that the fallback is a real look-up.
    ASSERT_TRUE(messages.addItemWithStatusCode(0, "done"));
    EXPECT_EQ(UpdateResult::updateResultWithCount(12, std::nullopt, &messages).text, "done");
    // The count-only form never looks up.
    const UpdateResult countOnly = UpdateResult::updateResultWithCount(-5);
    EXPECT_EQ(countOnly.count, -5);
    EXPECT_EQ(countOnly.text, std::nullopt);
}

} // namespace
} // namespace fu
