#include "engine/MessageInfo.h"

#include "engine/StatusCodes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace fu {
namespace {

TEST(MessageInfoTable, RegistersTheGeneralSearchRangeThenTheTableInOrder) {
    const MessageInfo info;
    const auto table = messageTableEntries();
    ASSERT_EQ(info.messageItems.size(), 8 + table.size());
    for (size_t index = 0; index < 8; ++index) {
        const int status = -1000 + static_cast<int>(index);
        const MessageItem& item = info.messageItems[index];
        EXPECT_EQ(item.status, status);
        EXPECT_EQ(item.message, searchErrorGeneralMessage());
    }
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(info.messageItems[8 + i].status, table[i].status) << i;
        EXPECT_EQ(info.messageItems[8 + i].message, table[i].message) << i;
    }
}

// A code a screen can be handed without a text shows an empty message box.
TEST(MessageInfoTable, EveryErrorAScreenShowsHasAText) {
    const MessageInfo info;
    for (int16_t status = code(SearchStatus::SearchErrorGeneral);
         status <= code(SearchStatus::SearchErrorWalkFailed); ++status)
        EXPECT_TRUE(info.messageOfStatusCode(status)) << status;
    using enum UpdateStatus;
    for (UpdateStatus status :
         {UpdateErrorGeneral, UpdateErrorNoAppState, UpdateErrorNothingRequested,
          UpdateErrorItemFetch, CacheRebuildRequestFailed, CacheRebuildRequestFailedLast,
          UpdateErrorBackupFolder, UpdateErrorTempSetup, UpdateErrorTempCreate,
          UpdateErrorTempAttributes, UpdateErrorTempLocked})
        EXPECT_TRUE(info.messageOfStatusCode(status)) << status;
    // Whatever a font's own result, the list shows a text beside it.
    for (int result = -3100; result < 0; ++result) {
        const FontMessage shown = fontMessageCodeOfItemResult(static_cast<ItemResult>(result));
        EXPECT_TRUE(info.messageOfStatusCode(shown)) << result << " shows " << shown;
    }
}

TEST(MessageInfoTable, CodesWithoutMessageGiveNil) {
    const MessageInfo info;
    // Success, an unnamed update code, an outcome code, a per-font result, just outside a family.
    for (int16_t status : {0, -496, -491, -2999, -1001})
        EXPECT_EQ(info.messageOfStatusCode(status), std::nullopt) << status;
}

TEST(MessageInfo, AddItemRefusesAnEmptyMessage) {
    MessageInfo info;
    EXPECT_FALSE(info.addItem(MessageItem::initWithStatusCode(-7, "")));
    EXPECT_FALSE(info.addItemWithStatusCode(-7, ""));
    // Had either been kept, the look-up would answer it before this one.
    EXPECT_TRUE(info.addItemWithStatusCode(-7, "seven"));
    EXPECT_EQ(info.messageOfStatusCode(-7), "seven");
}

TEST(MessageInfo, FirstRegisteredItemWinsForADuplicateCode) {
    MessageInfo info;
    EXPECT_TRUE(info.addItemWithStatusCode(-484, "later"));
    EXPECT_EQ(info.messageOfStatusCode(-484), "エラーのためアップデートは行われませんでした。");
}

} // namespace
} // namespace fu
