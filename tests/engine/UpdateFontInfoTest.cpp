#include "engine/UpdateFontInfo.h"

#include <gtest/gtest.h>

#include <array>

namespace fu {
namespace {

// The list screen's figures and the run's request list: counts by domain and request, and the
// rebuild that keeps only what was asked for.
TEST(UpdateFontInfo, CountsByDomainAndRequestAndKeepsOnlyTheRequested) {
    UpdateFontInfo fonts;
    struct Entry {
        uint64_t domain;
        bool requested;
    };
    for (const Entry& entry : std::array{
             Entry{kUserDomain, true}, Entry{kUserDomain, false}, Entry{kComputerDomain, true},
             Entry{kComputerDomain, false}, Entry{kComputerDomain, false}}) {
        auto item = std::make_unique<UpdateFontItem>();
        item->pathDomain = entry.domain;
        item->reqUpdate = entry.requested;
        ASSERT_TRUE(fonts.addUpdateFontItem(std::move(item)));
    }
    EXPECT_EQ(fonts.countOfUpdateFontItemAll(), 5);
    EXPECT_EQ(fonts.countOfUpdateFontItemRequestUpdate(), 2);
    EXPECT_EQ(fonts.countOfUserDomainItemAll(), 2);
    EXPECT_EQ(fonts.countOfUserDomainItemRequestUpdate(), 1);
    EXPECT_EQ(fonts.countOfLocalDomainItemAll(), 3);
    EXPECT_EQ(fonts.countOfLocalDomainItemRequestUpdate(), 1);

    ASSERT_TRUE(fonts.rebuildOfUpdateFontItemRequestUpdate());
    EXPECT_EQ(fonts.countOfUpdateFontItemAll(), 2);
    EXPECT_EQ(fonts.countOfLocalDomainItemAll(), 1);
    EXPECT_EQ(fonts.countOfUserDomainItemAll(), 1);
    EXPECT_EQ(fonts.updateFontItemAtIndex(2), nullptr);
    EXPECT_EQ(fonts.updateFontItemAtIndex(-1), nullptr);

    UpdateFontInfo empty;
    EXPECT_FALSE(empty.rebuildOfUpdateFontItemRequestUpdate());
    EXPECT_EQ(empty.totalFileSizeOfRequestUpdate(), std::nullopt);
}

} // namespace
} // namespace fu
