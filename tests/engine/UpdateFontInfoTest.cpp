#include "engine/UpdateFontInfo.h"

#include "engine/FontUpdate.h"
#include "engine/TestOption.h"
#include "engine/UpdateManager.h"
#include "engine/VolumeInfo.h"

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

TEST(SizeString, DecimalUnitsWithThousandths) {
    EXPECT_EQ(FontUpdate::sizeStringOfByteSize(999, true), "999バイト");
    EXPECT_EQ(FontUpdate::sizeStringOfByteSize(1000, false), "1KB");
    EXPECT_EQ(FontUpdate::sizeStringOfByteSize(1500, false), "1.500KB");
    EXPECT_EQ(FontUpdate::sizeStringOfByteSize(1'000'999, false), "1MB");
    EXPECT_EQ(FontUpdate::sizeStringOfByteSize(1'234'567, true), "1.234MB（1234567バイト）");
    EXPECT_EQ(FontUpdate::sizeStringOfByteSize(2'000'000'000, true), "2GB（2000000000バイト）");
    EXPECT_EQ(FontUpdate::sizeStringOfByteSize(1'050'000'000'000, false), "1.050TB");
    EXPECT_EQ(FontUpdate::sizeStringOfByteSize(1'005'000'000'000, false), "1.005TB");
}

TEST(FreeSpace, TestOptionsAndTheMargin) {
    UpdateFontInfo empty;
    VolumeInfo volumes;
    TestOption option;
    option.freeSize = true;
    option.freeSizeValue = 100;
    if (!volumes.systemVolumeItem() || !volumes.systemVolumeItem()->writable)
        GTEST_SKIP() << "no writable system volume here";
    auto check = UpdateManager::checkFreeSpace(empty, &option, volumes);
    EXPECT_EQ(check.freeBytes, 100'000'000u);
    EXPECT_EQ(check.needBytes, 0u) << "nothing requested needs no margin";
    EXPECT_TRUE(check.enough);
}

} // namespace
} // namespace fu
