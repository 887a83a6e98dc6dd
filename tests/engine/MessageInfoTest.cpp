#include "engine/MessageInfo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace fu {
namespace {

struct ExpectedMessage {
    int16_t status;
    const char* message;
};

// The user-visible texts, in the order the table registers them after -1000 … -993.
constexpr const char* searchGeneralText = "フォント検索中にエラーが発生しました。";
constexpr ExpectedMessage expectedMessages[] = {
    {-992, "フォント検索エラー：Fontsフォルダの情報がセットアップできません。"},
    {-991, "フォント検索エラー：ローカルFontsフォルダの情報がセットアップできません。"},
    {-990, "フォント検索エラー：ユーザFontsフォルダの情報がセットアップできません。"},
    {-989, "フォント検索エラー：DomainMask情報がセットアップできません。"},
    {-988, "フォント検索エラー：ローカルDomainMask情報がセットアップできません。"},
    {-987, "フォント検索エラー：ユーザDomainMask情報がセットアップできません。"},
    {-986, "フォント検索エラー：旧フォントのsfnt情報がセットアップできません。"},
    {-985, "フォント検索エラー：新フォントのsfnt情報がセットアップできません。"},
    {-984, "フォント検索エラー：対象フォントの確認処理が完了できませんでした。"},
    {-500, "アップデート中にエラーが発生しました。"},
    {-499, "アップデート中にエラーが発生しました。"},
    {-498, "アップデートエラー：アップデート要求フォントがありません。"},
    {-497, "アップデートエラー：アップデート対象項目の取得に失敗しました。"},
    {-495, "フォントキャッシュの再構築要求に失敗しました。"},
    {-494, "フォントキャッシュの再構築要求に失敗しました。"},
    {-489,
     "「古いフォント項目」フォルダのセットアップに失敗したためアップデートは行われませんでした。"},
    {-488, "作業用一時フォルダのセットアップに失敗したためアップデートを実行できませんでした。"},
    {-487, "作業用一時フォルダの作成に失敗したためアップデートを実行できませんでした。"},
    {-486,
     "作業用一時フォルダのフォルダ属性取得に失敗したためアップデートを実行できませんでした。"},
    {-485, "作業用一時フォルダがロックされているためアップデートを実行できませんでした。"},
    {-484, "エラーのためアップデートは行われませんでした。"},
    {-483, "ファイルが見つからないためアップデートは行われませんでした。"},
    {-482, "旧フォントの読み込みに失敗したためアップデートは行われませんでした。"},
    {-470,
     "「古いフォント項目」フォルダのセットアップに失敗したためアップデートは行われませんでした。"},
    {-468, "Fontsフォルダがロックされているためアップデートは行われませんでした。"},
    {-469, "Fontsフォルダのフォルダ属性取得に失敗したためアップデートは行われませんでした。"},
    {-467, "ファイル属性の取得に失敗したためアップデートは行われませんでした。"},
    {-466, "ファイルがロックされているためアップデートは行われませんでした。"},
    {-465, "フォントスーツケース形式のファイルではないためアップデートは行われませんでした。"},
    {-481, "バージョン(vers)情報取得に失敗したためアップデートは行われませんでした。"},
    {-480, "ファイルに複数のバージョン(vers)"
           "情報が含まれています。非対応形式のためアップデートは行われませんでした。"},
    {-479, "新フォントのバージョン(vers)情報生成に失敗したためアップデートは行われませんでした。"},
    {-478, "リソース(FOND)情報取得に失敗したためアップデートは行われませんでした。"},
    {-477, "ファイルに複数のフォント(FOND)"
           "情報が含まれています。非対応形式のためアップデートは行われませんでした。"},
    {-476, "フォント(FOND)情報検証に失敗したためアップデートは行われませんでした。"},
    {-475, "新フォントのフォント(FOND)情報生成に失敗したためアップデートは行われませんでした。"},
    {-474, "リソース(sfnt)情報取得に失敗したためアップデートは行われませんでした。"},
    {-473, "ファイルに複数のフォント(sfnt)"
           "情報が含まれています。非対応形式のためアップデートは行われませんでした。"},
    {-472, "フォント(sfnt)情報検証に失敗したためアップデートは行われませんでした。"},
    {-471, "新フォントのフォント(sfnt)情報生成に失敗したためアップデートは行われませんでした。"},
    {-464, "作業用フォルダに存在する同名の一時ファイルを削除できないためアップデートは行われません"
           "でした。"},
    {-463, "新フォントの書き出しに失敗したためアップデートは行われませんでした。"},
    {-460, "新フォント書き出し後の検証に失敗したためアップデートは行われませんでした。"},
    {-462, "旧フォントをゴミ箱に移動することができないためアップデートは行われませんでした。"},
    {-461, "新フォントをFontsフォルダに移動できませんでした。"},
};

TEST(MessageInfoTable, EveryCodeGivesItsText) {
    const MessageInfo info;
    for (int status = -1000; status <= -993; ++status) {
        EXPECT_EQ(info.messageOfStatusCode(static_cast<int16_t>(status)), searchGeneralText)
            << status;
    }
    for (const ExpectedMessage& expected : expectedMessages) {
        EXPECT_EQ(info.messageOfStatusCode(expected.status), expected.message) << expected.status;
    }
}

TEST(MessageInfoTable, RegistersTheGeneralSearchRangeFirstThenTheTableInOrder) {
    const MessageInfo info;
    constexpr size_t generalCount = 8;
    ASSERT_EQ(info.messageItems.size(), generalCount + std::size(expectedMessages));
    for (size_t i = 0; i < generalCount; ++i) {
        EXPECT_EQ(info.messageItems[i].status, -1000 + static_cast<int>(i));
        EXPECT_EQ(info.messageItems[i].message, searchGeneralText);
    }
    for (size_t i = 0; i < std::size(expectedMessages); ++i) {
        const MessageItem& item = info.messageItems[generalCount + i];
        EXPECT_EQ(item.status, expectedMessages[i].status) << i;
        EXPECT_EQ(item.message, expectedMessages[i].message) << i;
    }
}

TEST(MessageInfoTable, CodesWithoutMessageGiveNil) {
    const MessageInfo info;
    // Success, the unnamed update code and the outcome codes that only select a scene.
    for (int16_t status : {0, -496, -493, -492, -491, -490}) {
        EXPECT_EQ(info.messageOfStatusCode(status), std::nullopt) << status;
    }
    // Per-font results are mapped to font message codes before they are looked up.
    for (int status = -2999; status <= -2972; ++status) {
        EXPECT_EQ(info.messageOfStatusCode(static_cast<int16_t>(status)), std::nullopt) << status;
    }
    EXPECT_EQ(info.messageOfStatusCode(-1995), std::nullopt);
    // Just outside each family, and the ends of the type.
    for (int status : {-1, -459, -501, -983, -1001, int{std::numeric_limits<int16_t>::min()},
                       int{std::numeric_limits<int16_t>::max()}}) {
        EXPECT_EQ(info.messageOfStatusCode(static_cast<int16_t>(status)), std::nullopt) << status;
    }
}

TEST(MessageInfoTable, FondGenerationAndVerificationFailuresReadDifferently) {
    const MessageInfo info;
    const auto generation = info.messageOfStatusCode(-475);
    const auto verification = info.messageOfStatusCode(-476);
    ASSERT_TRUE(generation && verification);
    EXPECT_NE(*generation, *verification);
}

TEST(MessageInfo, AddItemRefusesAnEmptyMessage) {
    MessageInfo info;
    const size_t before = info.messageItems.size();
    EXPECT_FALSE(info.addItem(MessageItem::initWithStatusCode(-7, "")));
    EXPECT_FALSE(info.addItemWithStatusCode(-8, ""));
    EXPECT_EQ(info.messageItems.size(), before);
    EXPECT_EQ(info.messageOfStatusCode(-7), std::nullopt);
    EXPECT_EQ(info.messageOfStatusCode(-8), std::nullopt);

    EXPECT_TRUE(info.addItem(MessageItem::initWithStatusCode(-7, "seven")));
    EXPECT_EQ(info.messageOfStatusCode(-7), "seven");
}

TEST(MessageInfo, FirstRegisteredItemWinsForADuplicateCode) {
    MessageInfo info;
    EXPECT_TRUE(info.addItemWithStatusCode(-484, "later"));
    EXPECT_EQ(info.messageOfStatusCode(-484), "エラーのためアップデートは行われませんでした。");

    info.messageItems.clear();
    EXPECT_EQ(info.messageOfStatusCode(-484), std::nullopt);
    EXPECT_TRUE(info.addItemWithStatusCode(-9, "first"));
    EXPECT_TRUE(info.addItemWithStatusCode(-9, "second"));
    EXPECT_EQ(info.messageOfStatusCode(-9), "first");
}

} // namespace
} // namespace fu
