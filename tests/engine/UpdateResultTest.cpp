#include "engine/UpdateResult.h"

#include "engine/MessageInfo.h"

#include <gtest/gtest.h>

#include <string>

namespace fu {
namespace {

constexpr UpdateStatus runGeneral = UpdateStatus::UpdateErrorGeneral;
constexpr const char* runGeneralText = "アップデート中にエラーが発生しました。";

// A given text wins, even an empty one; a nil text is looked up in the table for the status, and
// without a table there is nothing to look up.
TEST(UpdateResult, AGivenTextWinsANilOneIsTheStatussMessageInTheTableItIsGiven) {
    MessageInfo messages;
    using R = UpdateResult;
    constexpr int64_t large = int64_t{1} << 40;
    const OperationStatus ok = SearchStatus::StatusOK, fetch = UpdateStatus::UpdateErrorItemFetch;
    const struct {
        const char* what;
        UpdateResult result;
        OperationStatus status;
        int64_t count;
        std::optional<std::string> text;
    } cases[] = {
        {"status alone", R::updateResultWithStatusCode(runGeneral, &messages), runGeneral, 0,
         runGeneralText},
        {"no table", R::updateResultWithStatusCode(runGeneral, nullptr), runGeneral, 0, {}},
        {"text, no table", R::updateResultWithStatusCode(fetch, 2, "x", nullptr), fetch, 2, "x"},
        {"given text", R::updateResultWithStatusCode(runGeneral, 7, "progress", &messages),
         runGeneral, 7, "progress"},
        {"empty text", R::updateResultWithStatusCode(runGeneral, 1, std::string{}, &messages),
         runGeneral, 1, ""},
        {"nil text", R::updateResultWithStatusCode(runGeneral, large, std::nullopt, &messages),
         runGeneral, large, runGeneralText},
        {"count and text", R::updateResultWithCount(3, "Osaka", &messages), ok, 3, "Osaka"},
        {"count, nil text", R::updateResultWithCount(12, std::nullopt, &messages), ok, 12, {}},
        // The count-only form never looks up.
        {"count alone", R::updateResultWithCount(-5), ok, -5, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.result.status, c.status) << c.what;
        EXPECT_EQ(c.result.count, c.count) << c.what;
        EXPECT_EQ(c.result.text, c.text) << c.what;
    }
    // Only a table with a text for status 0 shows that the count's fallback is a real look-up.
    ASSERT_TRUE(messages.addItemWithStatusCode(0, "done"));
    EXPECT_EQ(R::updateResultWithCount(12, std::nullopt, &messages).text, "done");
}

} // namespace
} // namespace fu
