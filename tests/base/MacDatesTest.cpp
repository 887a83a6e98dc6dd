#include "base/MacDates.h"

#include <gtest/gtest.h>

namespace fu {
namespace {

TEST(MacDates, AppleDoubleDatesCountFromTheYear2000) {
    using namespace std::chrono;
    auto epoch = dateFromAppleDouble(0);
    ASSERT_TRUE(epoch);
    EXPECT_EQ(*epoch, sys_days(year(2000) / 1 / 1));
    EXPECT_FALSE(dateFromAppleDouble(kUnknownAppleDoubleDate));
    EXPECT_EQ(appleDoubleFromDate(sys_days(year(2000) / 1 / 2)), 86400);
    EXPECT_EQ(appleDoubleFromDate(sys_days(year(1999) / 12 / 31)), -86400);
    EXPECT_FALSE(appleDoubleFromDate(sys_days(year(2100) / 1 / 1))) << "beyond 32 bits";
}

} // namespace
} // namespace fu
