// The status codes of the search, the update run and the per-font results: the one place where
// their names and numbers are fixed. The search, update and font message families are enum
// classes of their own, so that a code of one cannot be passed where another is meant; their
// numbers are only reached through code() where a status is printed, stored or looked up by
// number. The per-font results are a family too. The plain StatusOK is left for steps that answer
// 0 or -1. The suitcase layer's own codes live in its headers.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <variant>

namespace fu {

// Success of a step that answers 0 or -1; the enum families have a StatusOK of their own.
inline constexpr int16_t StatusOK = 0;

// Search operation codes. -1000 … -993 are one failure with one message; the range's ends are
// named so that the table and range checks can refer to all of it. The codes inside the range
// that have no name of their own are made with searchErrorInGeneralRange.
enum class SearchStatus : int16_t {
    StatusOK = 0,
    SearchErrorGeneral = -1000,
    SearchErrorGeneralLast = -993,
    SearchErrorFontsFolders = -992,
    SearchErrorLocalFontsFolder = -991,
    SearchErrorUserFontsFolder = -990,
    SearchErrorDomainMasks = -989,
    SearchErrorLocalDomainMask = -988,
    SearchErrorUserDomainMask = -987,
    SearchErrorOldSfntData = -986,
    SearchErrorNewSfntData = -985,
    SearchErrorWalkFailed = -984,
};

// The number, where a search status is printed, written or keyed by number.
[[nodiscard]] constexpr int16_t code(SearchStatus status) { return static_cast<int16_t>(status); }

[[nodiscard]] constexpr bool isInSearchErrorGeneralRange(int16_t number) {
    return number >= code(SearchStatus::SearchErrorGeneral) &&
           number <= code(SearchStatus::SearchErrorGeneralLast);
}

// One of the general range's unnamed codes; a number outside the range does not compile.
[[nodiscard]] consteval SearchStatus searchErrorInGeneralRange(int16_t number) {
    if (!isInSearchErrorGeneralRange(number)) throw "outside the search's general range";
    return SearchStatus{number};
}

// "-984 SearchErrorWalkFailed", the name left out for a code that has none.
std::ostream& operator<<(std::ostream& out, SearchStatus status);

// Update operation codes: a run that ended early, or, from -493 to -490, the outcome of a run
// that completed. They are one family because one run returns either. -496 is taken but has
// neither a name nor a message; a run never reports it.
enum class UpdateStatus : int16_t {
    StatusOK = 0,
    UpdateErrorGeneral = -500,
    UpdateErrorNoAppState = -499,
    UpdateErrorNothingRequested = -498,
    UpdateErrorItemFetch = -497,
    // -495 and -494 share one name and one message.
    CacheRebuildRequestFailed = -495,
    CacheRebuildRequestFailedLast = -494,
    // Outcomes of a completed run. They carry no message: each selects a result scene.
    UpdatePartialCacheOK = -493,
    UpdatePartialCacheFailed = -492,
    UpdateAllCacheFailed = -491,
    UpdateNoneUpdated = -490,
    UpdateErrorBackupFolder = -489,
    UpdateErrorTempSetup = -488,
    UpdateErrorTempCreate = -487,
    UpdateErrorTempAttributes = -486,
    UpdateErrorTempLocked = -485,
};

[[nodiscard]] constexpr int16_t code(UpdateStatus status) { return static_cast<int16_t>(status); }

std::ostream& operator<<(std::ostream& out, UpdateStatus status);

// What UpdateResult carries: the status of a search or of an update run, whichever reports.
using OperationStatus = std::variant<SearchStatus, UpdateStatus>;

[[nodiscard]] constexpr int16_t code(OperationStatus status) {
    return std::visit([](auto held) { return code(held); }, status);
}

// A result compares equal only to a status of its own family.
[[nodiscard]] constexpr bool operator==(const OperationStatus& status, SearchStatus search) {
    const auto* held = std::get_if<SearchStatus>(&status);
    return held && *held == search;
}
[[nodiscard]] constexpr bool operator==(const OperationStatus& status, UpdateStatus update) {
    const auto* held = std::get_if<UpdateStatus>(&status);
    return held && *held == update;
}

std::ostream& operator<<(std::ostream& out, const OperationStatus& status);

// Font message codes: the text shown next to a font that was not updated. Three failures of a
// font's temporary folder show the run's own texts for it, so their update codes are borrowed
// here under the same names and numbers.
enum class FontMessage : int16_t {
    FontErrorGeneral = -484,
    FontErrorNotFound = -483,
    FontErrorReadOld = -482,
    FontErrorVersRead = -481,
    FontErrorVersMultiple = -480,
    FontErrorVersBuild = -479,
    FontErrorFondRead = -478,
    FontErrorFondMultiple = -477,
    FontErrorFondVerify = -476,
    FontErrorFondBuild = -475,
    FontErrorSfntRead = -474,
    FontErrorSfntMultiple = -473,
    FontErrorSfntVerify = -472,
    FontErrorSfntBuild = -471,
    FontErrorBackupFolder = -470,
    FontErrorFontsFolderAttributes = -469,
    FontErrorFontsFolderLocked = -468,
    FontErrorFileAttributes = -467,
    FontErrorFileLocked = -466,
    FontErrorNotSuitcase = -465,
    FontErrorTempFileRemove = -464,
    FontErrorWriteNew = -463,
    FontErrorMoveOldToTrash = -462,
    FontErrorMoveNewToFonts = -461,
    FontErrorVerifyNew = -460,
    UpdateErrorTempSetup = code(UpdateStatus::UpdateErrorTempSetup),
    UpdateErrorTempAttributes = code(UpdateStatus::UpdateErrorTempAttributes),
    UpdateErrorTempLocked = code(UpdateStatus::UpdateErrorTempLocked),
};

[[nodiscard]] constexpr int16_t code(FontMessage message) { return static_cast<int16_t>(message); }

std::ostream& operator<<(std::ostream& out, FontMessage message);

// Per-font results, kept in a found font's updateResult (StatusOK = updated). Never shown as they
// are: AppDelegate maps them to font message codes. -2997 is unnamed and not part of the family; a
// number outside it maps like any unknown failure.
enum class ItemResult : int16_t {
    StatusOK = 0,
    // A step that failed without a code of its own (missing input, a table that did not read);
    // shown as the general font failure.
    ItemFailed = -1,
    ItemSubfolderFailed = -2999,
    ItemTempSetupFailed = -2998,
    ItemReadOldFailed = -2996,
    ItemBackupFolderFailed = -2995,
    ItemDstPathFailed = -2994,
    ItemTempFolderLocked = -2993,
    ItemTempFolderAttributes = -2992,
    ItemFontsFolderLocked = -2991,
    ItemFontsFolderAttributes = -2990,
    ItemMoveNewToFontsFailed = -2989,
    ItemMoveOldToTrashFailed = -2988,
    ItemWriteNewFailed = -2987,
    ItemTempFileRemoveFailed = -2986,
    ItemSfntBuildFailed = -2985,
    ItemSfntVerifyFailed = -2984,
    ItemSfntMultiple = -2983,
    ItemSfntMissing = -2982,
    ItemFondBuildFailed = -2981,
    ItemFondVerifyFailed = -2980,
    ItemFondMultiple = -2979,
    ItemFondMissing = -2978,
    ItemVersBuildFailed = -2977,
    ItemVersMissing = -2976,
    ItemFileLocked = -2975,
    ItemNotSuitcase = -2974,
    ItemFileAttributesFailed = -2973,
    ItemFileNotFound = -2972,
    // A requested font the run never came to, because it ended before (a temporary folder it
    // could not make, say): not updated, and reported so. A run starts every font here and sets
    // StatusOK only when it begins the font's own steps. Outside the ranges above, so it maps
    // like any failure.
    ItemNotAttempted = -2971,
    // The suitcase writer's verification failure; the new-font build folds it into
    // ItemWriteNewFailed, so it is mapped but does not reach updateResult.
    ItemSuitcaseWriteFailed = -1995,
};

[[nodiscard]] constexpr int16_t code(ItemResult result) { return static_cast<int16_t>(result); }

// The result a number stands for, nullopt for a number that is none of the family's (-2997, a
// number too wide for int16_t that would wrap onto one). For numbers from outside the process.
[[nodiscard]] std::optional<ItemResult> itemResultFromCode(int64_t number);

std::ostream& operator<<(std::ostream& out, ItemResult result);

} // namespace fu
