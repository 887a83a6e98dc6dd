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
        if (status == code(SearchStatus::StatusOK)) continue;
        for (const int64_t found : {int64_t(0), int64_t(1), int64_t(40)}) {
            ASSERT_EQ(viewNoAfterSearch(SearchStatus{int16_t(status)}, found), ErrorView) << status;
        }
    }
}

TEST(NextScreen, ASearchThatSucceededListsWhatItFoundOrSaysThereIsNothing) {
    EXPECT_EQ(viewNoAfterSearch(SearchStatus::StatusOK, 0), NotFoundView);
    EXPECT_EQ(viewNoAfterSearch(SearchStatus::StatusOK, 1), UpdateListView);
    EXPECT_EQ(viewNoAfterSearch(SearchStatus::StatusOK, std::numeric_limits<int64_t>::max()),
              UpdateListView);
}

// Only a run that went to its end has a screen of its own; every other code, the run's own
// errors and the codes that never end a run alike, is shown as an error.
TEST(NextScreen, AnUpdateRunLeadsToTheScreenOfItsOutcomeAndEveryOtherCodeToTheError) {
    const std::map<UpdateStatus, int64_t> completed = {
        {UpdateStatus::StatusOK, SuccessView},
        {UpdateStatus::UpdateAllCacheFailed, SuccessPlusView},
        {UpdateStatus::UpdatePartialCacheOK, SomeErrorView},
        {UpdateStatus::UpdatePartialCacheFailed, SomeErrorPlusView},
        {UpdateStatus::UpdateNoneUpdated, AllErrorView},
    };
    for (int status = kLowest; status <= kHighest; ++status) {
        const auto outcome = completed.find(UpdateStatus{int16_t(status)});
        const int64_t expected = outcome == completed.end() ? ErrorView : outcome->second;
        ASSERT_EQ(viewNoAfterUpdate(UpdateStatus{int16_t(status)}), expected) << status;
    }
}

} // namespace
} // namespace fu
