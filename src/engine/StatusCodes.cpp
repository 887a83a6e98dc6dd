#include "engine/StatusCodes.h"

#include <cstdint>
#include <ostream>

namespace fu {
namespace {

const char* nameOf(SearchStatus status) {
    switch (status) {
    case SearchStatus::StatusOK: return "StatusOK";
    case SearchStatus::SearchErrorGeneral: return "SearchErrorGeneral";
    case SearchStatus::SearchErrorGeneralLast: return "SearchErrorGeneralLast";
    case SearchStatus::SearchErrorFontsFolders: return "SearchErrorFontsFolders";
    case SearchStatus::SearchErrorLocalFontsFolder: return "SearchErrorLocalFontsFolder";
    case SearchStatus::SearchErrorUserFontsFolder: return "SearchErrorUserFontsFolder";
    case SearchStatus::SearchErrorDomainMasks: return "SearchErrorDomainMasks";
    case SearchStatus::SearchErrorLocalDomainMask: return "SearchErrorLocalDomainMask";
    case SearchStatus::SearchErrorUserDomainMask: return "SearchErrorUserDomainMask";
    case SearchStatus::SearchErrorOldSfntData: return "SearchErrorOldSfntData";
    case SearchStatus::SearchErrorNewSfntData: return "SearchErrorNewSfntData";
    case SearchStatus::SearchErrorWalkFailed: return "SearchErrorWalkFailed";
    }
    return nullptr;
}

const char* nameOf(UpdateStatus status) {
    switch (status) {
    case UpdateStatus::StatusOK: return "StatusOK";
    case UpdateStatus::UpdateErrorGeneral: return "UpdateErrorGeneral";
    case UpdateStatus::UpdateErrorNoAppState: return "UpdateErrorNoAppState";
    case UpdateStatus::UpdateErrorNothingRequested: return "UpdateErrorNothingRequested";
    case UpdateStatus::UpdateErrorItemFetch: return "UpdateErrorItemFetch";
    case UpdateStatus::CacheRebuildRequestFailed: return "CacheRebuildRequestFailed";
    case UpdateStatus::CacheRebuildRequestFailedLast: return "CacheRebuildRequestFailedLast";
    case UpdateStatus::UpdatePartialCacheOK: return "UpdatePartialCacheOK";
    case UpdateStatus::UpdatePartialCacheFailed: return "UpdatePartialCacheFailed";
    case UpdateStatus::UpdateAllCacheFailed: return "UpdateAllCacheFailed";
    case UpdateStatus::UpdateNoneUpdated: return "UpdateNoneUpdated";
    case UpdateStatus::UpdateErrorBackupFolder: return "UpdateErrorBackupFolder";
    case UpdateStatus::UpdateErrorTempSetup: return "UpdateErrorTempSetup";
    case UpdateStatus::UpdateErrorTempCreate: return "UpdateErrorTempCreate";
    case UpdateStatus::UpdateErrorTempAttributes: return "UpdateErrorTempAttributes";
    case UpdateStatus::UpdateErrorTempLocked: return "UpdateErrorTempLocked";
    }
    return nullptr;
}

const char* nameOf(FontMessage message) {
    switch (message) {
    case FontMessage::FontErrorGeneral: return "FontErrorGeneral";
    case FontMessage::FontErrorNotFound: return "FontErrorNotFound";
    case FontMessage::FontErrorReadOld: return "FontErrorReadOld";
    case FontMessage::FontErrorVersRead: return "FontErrorVersRead";
    case FontMessage::FontErrorVersMultiple: return "FontErrorVersMultiple";
    case FontMessage::FontErrorVersBuild: return "FontErrorVersBuild";
    case FontMessage::FontErrorFondRead: return "FontErrorFondRead";
    case FontMessage::FontErrorFondMultiple: return "FontErrorFondMultiple";
    case FontMessage::FontErrorFondVerify: return "FontErrorFondVerify";
    case FontMessage::FontErrorFondBuild: return "FontErrorFondBuild";
    case FontMessage::FontErrorSfntRead: return "FontErrorSfntRead";
    case FontMessage::FontErrorSfntMultiple: return "FontErrorSfntMultiple";
    case FontMessage::FontErrorSfntVerify: return "FontErrorSfntVerify";
    case FontMessage::FontErrorSfntBuild: return "FontErrorSfntBuild";
    case FontMessage::FontErrorBackupFolder: return "FontErrorBackupFolder";
    case FontMessage::FontErrorFontsFolderAttributes: return "FontErrorFontsFolderAttributes";
    case FontMessage::FontErrorFontsFolderLocked: return "FontErrorFontsFolderLocked";
    case FontMessage::FontErrorFileAttributes: return "FontErrorFileAttributes";
    case FontMessage::FontErrorFileLocked: return "FontErrorFileLocked";
    case FontMessage::FontErrorNotSuitcase: return "FontErrorNotSuitcase";
    case FontMessage::FontErrorTempFileRemove: return "FontErrorTempFileRemove";
    case FontMessage::FontErrorWriteNew: return "FontErrorWriteNew";
    case FontMessage::FontErrorMoveOldToTrash: return "FontErrorMoveOldToTrash";
    case FontMessage::FontErrorMoveNewToFonts: return "FontErrorMoveNewToFonts";
    case FontMessage::FontErrorVerifyNew: return "FontErrorVerifyNew";
    case FontMessage::UpdateErrorTempSetup: return "UpdateErrorTempSetup";
    case FontMessage::UpdateErrorTempAttributes: return "UpdateErrorTempAttributes";
    case FontMessage::UpdateErrorTempLocked: return "UpdateErrorTempLocked";
    }
    return nullptr;
}

const char* nameOf(ItemResult result) {
    switch (result) {
    case ItemResult::StatusOK: return "StatusOK";
    case ItemResult::ItemFailed: return "ItemFailed";
    case ItemResult::ItemSubfolderFailed: return "ItemSubfolderFailed";
    case ItemResult::ItemTempSetupFailed: return "ItemTempSetupFailed";
    case ItemResult::ItemReadOldFailed: return "ItemReadOldFailed";
    case ItemResult::ItemBackupFolderFailed: return "ItemBackupFolderFailed";
    case ItemResult::ItemDstPathFailed: return "ItemDstPathFailed";
    case ItemResult::ItemTempFolderLocked: return "ItemTempFolderLocked";
    case ItemResult::ItemTempFolderAttributes: return "ItemTempFolderAttributes";
    case ItemResult::ItemFontsFolderLocked: return "ItemFontsFolderLocked";
    case ItemResult::ItemFontsFolderAttributes: return "ItemFontsFolderAttributes";
    case ItemResult::ItemMoveNewToFontsFailed: return "ItemMoveNewToFontsFailed";
    case ItemResult::ItemMoveOldToTrashFailed: return "ItemMoveOldToTrashFailed";
    case ItemResult::ItemWriteNewFailed: return "ItemWriteNewFailed";
    case ItemResult::ItemTempFileRemoveFailed: return "ItemTempFileRemoveFailed";
    case ItemResult::ItemSfntBuildFailed: return "ItemSfntBuildFailed";
    case ItemResult::ItemSfntVerifyFailed: return "ItemSfntVerifyFailed";
    case ItemResult::ItemSfntMultiple: return "ItemSfntMultiple";
    case ItemResult::ItemSfntMissing: return "ItemSfntMissing";
    case ItemResult::ItemFondBuildFailed: return "ItemFondBuildFailed";
    case ItemResult::ItemFondVerifyFailed: return "ItemFondVerifyFailed";
    case ItemResult::ItemFondMultiple: return "ItemFondMultiple";
    case ItemResult::ItemFondMissing: return "ItemFondMissing";
    case ItemResult::ItemVersBuildFailed: return "ItemVersBuildFailed";
    case ItemResult::ItemVersMissing: return "ItemVersMissing";
    case ItemResult::ItemFileLocked: return "ItemFileLocked";
    case ItemResult::ItemNotSuitcase: return "ItemNotSuitcase";
    case ItemResult::ItemFileAttributesFailed: return "ItemFileAttributesFailed";
    case ItemResult::ItemFileNotFound: return "ItemFileNotFound";
    case ItemResult::ItemNotAttempted: return "ItemNotAttempted";
    case ItemResult::ItemSuitcaseWriteFailed: return "ItemSuitcaseWriteFailed";
    }
    return nullptr;
}

std::ostream& printCode(std::ostream& out, int16_t number, const char* name) {
    out << number;
    if (name) out << ' ' << name;
    return out;
}

} // namespace

std::ostream& operator<<(std::ostream& out, SearchStatus status) {
    return printCode(out, code(status), nameOf(status));
}

std::ostream& operator<<(std::ostream& out, UpdateStatus status) {
    return printCode(out, code(status), nameOf(status));
}

std::ostream& operator<<(std::ostream& out, FontMessage message) {
    return printCode(out, code(message), nameOf(message));
}

std::optional<ItemResult> itemResultFromCode(int64_t number) {
    if (number < INT16_MIN || number > INT16_MAX) return std::nullopt;
    const auto result = static_cast<ItemResult>(number);
    // Only a number with a name is one of ours: the switch above lists every one.
    if (!nameOf(result)) return std::nullopt;
    return result;
}

std::ostream& operator<<(std::ostream& out, ItemResult result) {
    return printCode(out, code(result), nameOf(result));
}

std::ostream& operator<<(std::ostream& out, const OperationStatus& status) {
    std::visit([&out](auto held) { out << held; }, status);
    return out;
}

} // namespace fu
