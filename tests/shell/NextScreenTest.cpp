#include "shell/NextScreen.h"

#include "engine/StatusCodes.h"
#include "shell/ViewNumbers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <map>

namespace fu {
namespace {

constexpr int kLowest = std::numeric_limits<int16_t>::min();
constexpr int kHighest = std::numeric_limits<int16_t>::max();

// A failed search shows its error even when it had found fonts before it failed.
TEST(NextScreen, EveryFailedSearchShowsTheErrorWhateverItFound) {
    for (int status = kLowest; status <= kHighest; ++status) {
        if (status == StatusOK) continue;
        for (const int64_t found : {int64_t(0), int64_t(1), int64_t(40)}) {
            ASSERT_EQ(viewNoAfterSearch(int16_t(status), found), ErrorView) << status;
        }
    }
}

TEST(NextScreen, ASearchThatSucceededListsWhatItFoundOrSaysThereIsNothing) {
    EXPECT_EQ(viewNoAfterSearch(StatusOK, 0), NotFoundView);
    EXPECT_EQ(viewNoAfterSearch(StatusOK, 1), UpdateListView);
    EXPECT_EQ(viewNoAfterSearch(StatusOK, std::numeric_limits<int64_t>::max()), UpdateListView);
}

// Only a run that went to its end has a screen of its own; every other code, the run's own
// errors and the codes that never end a run alike, is shown as an error.
TEST(NextScreen, AnUpdateRunLeadsToTheScreenOfItsOutcomeAndEveryOtherCodeToTheError) {
    const std::map<int, int64_t> completed = {
        {StatusOK, SuccessView},
        {UpdateAllCacheFailed, SuccessPlusView},
        {UpdatePartialCacheOK, SomeErrorView},
        {UpdatePartialCacheFailed, SomeErrorPlusView},
        {UpdateNoneUpdated, AllErrorView},
    };
    for (int status = kLowest; status <= kHighest; ++status) {
        const auto outcome = completed.find(status);
        const int64_t expected = outcome == completed.end() ? ErrorView : outcome->second;
        ASSERT_EQ(viewNoAfterUpdate(int16_t(status)), expected) << status;
    }
}

} // namespace
} // namespace fu
