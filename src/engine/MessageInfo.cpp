#include "engine/MessageInfo.h"

#include "engine/StatusCodes.h"

#include <new>
#include <utility>

namespace fu {
namespace {

constexpr const char* kSearchErrorGeneralMessage = "フォント検索中にエラーが発生しました。";

// Registered after the search's general range, in this order. A look-up answers the first
// registration of a code, so the order is part of the table.
constexpr MessageEntry messageTable[] = {
    {SearchStatus::SearchErrorFontsFolders,
     "フォント検索エラー：Fontsフォルダの情報がセットアップできません。"},
    {SearchStatus::SearchErrorLocalFontsFolder,
     "フォント検索エラー：ローカルFontsフォルダの情報がセットアップできません。"},
    {SearchStatus::SearchErrorUserFontsFolder,
     "フォント検索エラー：ユーザFontsフォルダの情報がセットアップできません。"},
    {SearchStatus::SearchErrorDomainMasks,
     "フォント検索エラー：DomainMask情報がセットアップできません。"},
    {SearchStatus::SearchErrorLocalDomainMask,
     "フォント検索エラー：ローカルDomainMask情報がセットアップできません。"},
    {SearchStatus::SearchErrorUserDomainMask,
     "フォント検索エラー：ユーザDomainMask情報がセットアップできません。"},
    {SearchStatus::SearchErrorOldSfntData,
     "フォント検索エラー：旧フォントのsfnt情報がセットアップできません。"},
    {SearchStatus::SearchErrorNewSfntData,
     "フォント検索エラー：新フォントのsfnt情報がセットアップできません。"},
    {SearchStatus::SearchErrorWalkFailed,
     "フォント検索エラー：対象フォントの確認処理が完了できませんでした。"},
    {UpdateStatus::UpdateErrorGeneral, "アップデート中にエラーが発生しました。"},
    {UpdateStatus::UpdateErrorNoAppState, "アップデート中にエラーが発生しました。"},
    {UpdateStatus::UpdateErrorNothingRequested,
     "アップデートエラー：アップデート要求フォントがありません。"},
    {UpdateStatus::UpdateErrorItemFetch,
     "アップデートエラー：アップデート対象項目の取得に失敗しました。"},
    {UpdateStatus::CacheRebuildRequestFailed, "フォントキャッシュの再構築要求に失敗しました。"},
    {UpdateStatus::CacheRebuildRequestFailedLast, "フォントキャッシュの再構築要求に失敗しました。"},
    {UpdateStatus::UpdateErrorBackupFolder,
     "「古いフォント項目」フォルダのセットアップに失敗したためアップデートは行われませんでした。"},
    {UpdateStatus::UpdateErrorTempSetup,
     "作業用一時フォルダのセットアップに失敗したためアップデートを実行できませんでした。"},
    {UpdateStatus::UpdateErrorTempCreate,
     "作業用一時フォルダの作成に失敗したためアップデートを実行できませんでした。"},
    {UpdateStatus::UpdateErrorTempAttributes,
     "作業用一時フォルダのフォルダ属性取得に失敗したためアップデートを実行できませんでした。"},
    {UpdateStatus::UpdateErrorTempLocked,
     "作業用一時フォルダがロックされているためアップデートを実行できませんでした。"},
    {FontMessage::FontErrorGeneral, "エラーのためアップデートは行われませんでした。"},
    {FontMessage::FontErrorNotFound,
     "ファイルが見つからないためアップデートは行われませんでした。"},
    {FontMessage::FontErrorReadOld,
     "旧フォントの読み込みに失敗したためアップデートは行われませんでした。"},
    {FontMessage::FontErrorBackupFolder,
     "「古いフォント項目」フォルダのセットアップに失敗したためアップデートは行われませんでした。"},
    {FontMessage::FontErrorFontsFolderLocked,
     "Fontsフォルダがロックされているためアップデートは行われませんでした。"},
    {FontMessage::FontErrorFontsFolderAttributes,
     "Fontsフォルダのフォルダ属性取得に失敗したためアップデートは行われませんでした。"},
    {FontMessage::FontErrorFileAttributes,
     "ファイル属性の取得に失敗したためアップデートは行われませんでした。"},
    {FontMessage::FontErrorFileLocked,
     "ファイルがロックされているためアップデートは行われませんでした。"},
    {FontMessage::FontErrorNotSuitcase,
     "フォントスーツケース形式のファイルではないためアップデートは行われませんでした。"},
    {FontMessage::FontErrorVersRead,
     "バージョン(vers)情報取得に失敗したためアップデートは行われませんでした。"},
    {FontMessage::FontErrorVersMultiple,
     "ファイルに複数のバージョン(vers)"
     "情報が含まれています。非対応形式のためアップデートは行われませんでした。"},
    {FontMessage::FontErrorVersBuild,
     "新フォントのバージョン(vers)情報生成に失敗したためアップデートは行われませんでした。"},
    {FontMessage::FontErrorFondRead,
     "リソース(FOND)情報取得に失敗したためアップデートは行われませんでした。"},
    {FontMessage::FontErrorFondMultiple,
     "ファイルに複数のフォント(FOND)"
     "情報が含まれています。非対応形式のためアップデートは行われませんでした。"},
    {FontMessage::FontErrorFondVerify,
     "フォント(FOND)情報検証に失敗したためアップデートは行われませんでした。"},
    {FontMessage::FontErrorFondBuild,
     "新フォントのフォント(FOND)情報生成に失敗したためアップデートは行われませんでした。"},
    {FontMessage::FontErrorSfntRead,
     "リソース(sfnt)情報取得に失敗したためアップデートは行われませんでした。"},
    {FontMessage::FontErrorSfntMultiple,
     "ファイルに複数のフォント(sfnt)"
     "情報が含まれています。非対応形式のためアップデートは行われませんでした。"},
    {FontMessage::FontErrorSfntVerify,
     "フォント(sfnt)情報検証に失敗したためアップデートは行われませんでした。"},
    {FontMessage::FontErrorSfntBuild,
     "新フォントのフォント(sfnt)情報生成に失敗したためアップデートは行われませんでした。"},
    {FontMessage::FontErrorTempFileRemove,
     "作業用フォルダに存在する同名の一時ファイルを削除できないためアップデ"
     "ートは行われませんでした。"},
    {FontMessage::FontErrorWriteNew,
     "新フォントの書き出しに失敗したためアップデートは行われませんでした。"},
    {FontMessage::FontErrorVerifyNew,
     "新フォント書き出し後の検証に失敗したためアップデートは行われませんでした。"},
    {FontMessage::FontErrorMoveOldToTrash,
     "旧フォントをゴミ箱に移動することができないためアップデートは行われませんでした。"},
    {FontMessage::FontErrorMoveNewToFonts, "新フォントをFontsフォルダに移動できませんでした。"},
};

} // namespace

const char* searchErrorGeneralMessage() { return kSearchErrorGeneralMessage; }

std::span<const MessageEntry> messageTableEntries() { return messageTable; }

MessageItem MessageItem::initWithStatusCode(int16_t status, std::string message) {
    MessageItem item;
    item.status = status;
    item.message = std::move(message);
    return item;
}

MessageInfo::MessageInfo() {
    // A table that cannot be built leaves every text nil; the codes still drive the screens.
    (void)setupMessageItems();
}

bool MessageInfo::setupMessageItems() {
    const size_t before = messageItems.size();
    bool added = true;
    try {
        for (int status = code(SearchStatus::SearchErrorGeneral);
             added && status <= code(SearchStatus::SearchErrorGeneralLast); ++status) {
            added = addItemWithStatusCode(static_cast<int16_t>(status), kSearchErrorGeneralMessage);
        }
        for (const MessageEntry& entry : messageTable) {
            if (!added) break;
            added = addItemWithStatusCode(entry.status, entry.message);
        }
    } catch (const std::bad_alloc&) {
        added = false;
    }
    if (!added) messageItems.resize(before);
    return added;
}

bool MessageInfo::addItemWithStatusCode(int16_t status, std::string message) {
    return addItem(MessageItem::initWithStatusCode(status, std::move(message)));
}

bool MessageInfo::addItem(MessageItem item) {
    if (item.message.empty()) return false;
    try {
        messageItems.push_back(std::move(item));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

std::optional<std::string> MessageInfo::messageOfStatusCode(int16_t status) const {
    for (const MessageItem& item : messageItems) {
        if (item.status == status) return item.message;
    }
    return std::nullopt;
}

FontMessage fontMessageCodeOfItemResult(ItemResult result) {
    using enum FontMessage;
    switch (result) {
    case ItemResult::ItemTempSetupFailed: return UpdateErrorTempSetup;
    case ItemResult::ItemReadOldFailed: return FontErrorReadOld;
    case ItemResult::ItemBackupFolderFailed: return FontErrorBackupFolder;
    case ItemResult::ItemTempFolderLocked: return UpdateErrorTempLocked;
    case ItemResult::ItemTempFolderAttributes: return UpdateErrorTempAttributes;
    case ItemResult::ItemFontsFolderLocked: return FontErrorFontsFolderLocked;
    case ItemResult::ItemFontsFolderAttributes: return FontErrorFontsFolderAttributes;
    case ItemResult::ItemMoveNewToFontsFailed: return FontErrorMoveNewToFonts;
    case ItemResult::ItemMoveOldToTrashFailed: return FontErrorMoveOldToTrash;
    case ItemResult::ItemWriteNewFailed: return FontErrorWriteNew;
    case ItemResult::ItemTempFileRemoveFailed: return FontErrorTempFileRemove;
    case ItemResult::ItemSfntBuildFailed: return FontErrorSfntBuild;
    case ItemResult::ItemSfntVerifyFailed: return FontErrorSfntVerify;
    case ItemResult::ItemSfntMultiple: return FontErrorSfntMultiple;
    case ItemResult::ItemSfntMissing: return FontErrorSfntRead;
    case ItemResult::ItemFondBuildFailed: return FontErrorFondBuild;
    case ItemResult::ItemFondVerifyFailed: return FontErrorFondVerify;
    case ItemResult::ItemFondMultiple: return FontErrorFondMultiple;
    case ItemResult::ItemFondMissing: return FontErrorFondRead;
    case ItemResult::ItemVersBuildFailed: return FontErrorVersBuild;
    case ItemResult::ItemVersMissing: return FontErrorVersRead;
    case ItemResult::ItemFileLocked: return FontErrorFileLocked;
    case ItemResult::ItemNotSuitcase: return FontErrorNotSuitcase;
    case ItemResult::ItemFileAttributesFailed: return FontErrorFileAttributes;
    case ItemResult::ItemFileNotFound: return FontErrorNotFound;
    case ItemResult::ItemSuitcaseWriteFailed: return FontErrorWriteNew;
    // ItemSubfolderFailed, ItemDstPathFailed, the unnamed -2997 and every other failure.
    default: return FontErrorGeneral;
    }
}

} // namespace fu
