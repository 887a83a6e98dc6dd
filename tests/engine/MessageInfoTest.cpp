#include "engine/MessageInfo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>

namespace fu {
namespace {

// The user-visible texts, in the order the table registers them after -1000 … -993.
constexpr const char* searchGeneralText = "フォント検索中にエラーが発生しました。";
constexpr std::pair<int16_t, const char*> expectedMessages[] = {
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

TEST(MessageInfoTable, EveryCodeGivesItsExactTextAndNothingElseIsRegistered) {
    const MessageInfo info;
    ASSERT_EQ(info.messageItems.size(), 8 + std::size(expectedMessages));
    for (int16_t status = -1000; status <= -993; ++status) {
        EXPECT_EQ(info.messageOfStatusCode(status), searchGeneralText) << status;
    }
    for (const auto& [status, message] : expectedMessages) {
        EXPECT_EQ(info.messageOfStatusCode(status), message) << status;
    }
}

TEST(MessageInfoTable, CodesWithoutMessageGiveNil) {
    const MessageInfo info;
    // Success, an unnamed update code, an outcome code, a per-font result, just outside a family.
    for (int16_t status : {0, -496, -491, -2999, -1001}) {
        EXPECT_EQ(info.messageOfStatusCode(status), std::nullopt) << status;
    }
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
