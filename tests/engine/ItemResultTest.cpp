#include "engine/HelperProtocol.h"
#include "engine/StatusCodes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>

namespace fu {
namespace {

TEST(ItemResultFromCode, OnlyANamedNumberIsAResult) {
    using enum ItemResult;
    const struct {
        int64_t number;
        ItemResult result;
    } named[] = {{0, StatusOK},
                 {-1, ItemFailed},
                 {-2999, ItemSubfolderFailed},
                 {-2988, ItemMoveOldToTrashFailed},
                 {-2971, ItemNotAttempted},
                 {-1995, ItemSuitcaseWriteFailed}};
    for (const auto& [number, result] : named)
        EXPECT_EQ(itemResultFromCode(number), result) << number;
    // The gap in the family, its neighbours, and numbers that wrap onto a result as int16_t.
    for (int64_t number :
         {int64_t{-2997}, int64_t{-3000}, int64_t{-2970}, int64_t{-2}, int64_t{1}, int64_t{65536},
          int64_t{-65536}, int64_t{65536 - 2988}, int64_t{INT32_MIN}, int64_t{INT64_MAX}})
        EXPECT_EQ(itemResultFromCode(number), std::nullopt) << number;
}

TEST(HelperSwapAnswer, AnythingButAPerFontResultIsAFailedSwap) {
    using enum ItemResult;
    const struct {
        int32_t answer;
        ItemResult result;
    } answers[] = {
        {0, StatusOK},
        {-2988, ItemMoveOldToTrashFailed},
        {-2996, ItemReadOldFailed},
        // A session refusal is no per-font result.
        {errAuthorizationDenied, ItemMoveNewToFontsFailed},
        {errAuthorizationToolEnvironmentError, ItemMoveNewToFontsFailed},
        // 0 and -2988 dressed up as wider numbers, the unnamed -2997, and the extremes.
        {65536, ItemMoveNewToFontsFailed},
        {-65536, ItemMoveNewToFontsFailed},
        {-2988 - 65536, ItemMoveNewToFontsFailed},
        {-2997, ItemMoveNewToFontsFailed},
        {INT32_MIN, ItemMoveNewToFontsFailed},
        {INT32_MAX, ItemMoveNewToFontsFailed},
    };
    for (const auto& [answer, result] : answers) {
        // Through the pipe's own coding, as the application reads it.
        const auto line = encodeHelperAnswer(answer);
        const auto parsed = parseHelperAnswer(line.substr(0, line.size() - 1));
        const ItemResult read = parsed ? itemResultOfSwapAnswer(*parsed) : ItemMoveNewToFontsFailed;
        EXPECT_EQ(read, result) << answer;
    }
}

TEST(ItemResultPrinting, ANamedResultShowsNumberAndNameAnUnnamedOneItsNumber) {
    const struct {
        ItemResult result;
        const char* shown;
    } cases[] = {{ItemResult::StatusOK, "0 StatusOK"},
                 {ItemResult::ItemFailed, "-1 ItemFailed"},
                 {ItemResult::ItemMoveNewToFontsFailed, "-2989 ItemMoveNewToFontsFailed"},
                 {ItemResult::ItemSuitcaseWriteFailed, "-1995 ItemSuitcaseWriteFailed"},
                 {static_cast<ItemResult>(-2997), "-2997"}};
    for (const auto& [result, shown] : cases) {
        std::ostringstream out;
        out << result;
        EXPECT_EQ(out.str(), shown);
    }
}

} // namespace
} // namespace fu
