// The status codes of the search, the update run and the per-font results: the one place where
// their names and numbers are fixed. The suitcase layer's own codes live in its headers.
#pragma once

#include <cstdint>

namespace fu {

inline constexpr int16_t StatusOK = 0;

// Search operation codes. -1000 … -993 are one failure with one message; the range's ends are
// named so that the table and range checks can refer to all of it.
inline constexpr int16_t SearchErrorGeneral = -1000;
inline constexpr int16_t SearchErrorGeneralLast = -993;
inline constexpr int16_t SearchErrorFontsFolders = -992;
inline constexpr int16_t SearchErrorLocalFontsFolder = -991;
inline constexpr int16_t SearchErrorUserFontsFolder = -990;
inline constexpr int16_t SearchErrorDomainMasks = -989;
inline constexpr int16_t SearchErrorLocalDomainMask = -988;
inline constexpr int16_t SearchErrorUserDomainMask = -987;
inline constexpr int16_t SearchErrorOldSfntData = -986;
inline constexpr int16_t SearchErrorNewSfntData = -985;
inline constexpr int16_t SearchErrorWalkFailed = -984;

// Update operation codes: a run that ended early. -496 is taken but has neither a name nor a
// message; a run never reports it.
inline constexpr int16_t UpdateErrorGeneral = -500;
inline constexpr int16_t UpdateErrorNoAppState = -499;
inline constexpr int16_t UpdateErrorNothingRequested = -498;
inline constexpr int16_t UpdateErrorItemFetch = -497;
// -495 and -494 share one name and one message.
inline constexpr int16_t CacheRebuildRequestFailed = -495;
inline constexpr int16_t CacheRebuildRequestFailedLast = -494;
inline constexpr int16_t UpdateErrorBackupFolder = -489;
inline constexpr int16_t UpdateErrorTempSetup = -488;
inline constexpr int16_t UpdateErrorTempCreate = -487;
inline constexpr int16_t UpdateErrorTempAttributes = -486;
inline constexpr int16_t UpdateErrorTempLocked = -485;

// Outcome codes of a completed update run. They carry no message: each selects a result scene.
inline constexpr int16_t UpdatePartialCacheOK = -493;
inline constexpr int16_t UpdatePartialCacheFailed = -492;
inline constexpr int16_t UpdateAllCacheFailed = -491;
inline constexpr int16_t UpdateNoneUpdated = -490;

// Font message codes: the text shown next to a font that was not updated.
inline constexpr int16_t FontErrorGeneral = -484;
inline constexpr int16_t FontErrorNotFound = -483;
inline constexpr int16_t FontErrorReadOld = -482;
inline constexpr int16_t FontErrorVersRead = -481;
inline constexpr int16_t FontErrorVersMultiple = -480;
inline constexpr int16_t FontErrorVersBuild = -479;
inline constexpr int16_t FontErrorFondRead = -478;
inline constexpr int16_t FontErrorFondMultiple = -477;
inline constexpr int16_t FontErrorFondVerify = -476;
inline constexpr int16_t FontErrorFondBuild = -475;
inline constexpr int16_t FontErrorSfntRead = -474;
inline constexpr int16_t FontErrorSfntMultiple = -473;
inline constexpr int16_t FontErrorSfntVerify = -472;
inline constexpr int16_t FontErrorSfntBuild = -471;
inline constexpr int16_t FontErrorBackupFolder = -470;
inline constexpr int16_t FontErrorFontsFolderAttributes = -469;
inline constexpr int16_t FontErrorFontsFolderLocked = -468;
inline constexpr int16_t FontErrorFileAttributes = -467;
inline constexpr int16_t FontErrorFileLocked = -466;
inline constexpr int16_t FontErrorNotSuitcase = -465;
inline constexpr int16_t FontErrorTempFileRemove = -464;
inline constexpr int16_t FontErrorWriteNew = -463;
inline constexpr int16_t FontErrorMoveOldToTrash = -462;
inline constexpr int16_t FontErrorMoveNewToFonts = -461;
inline constexpr int16_t FontErrorVerifyNew = -460;

// Per-font result codes, kept in a found font's updateResult (0 = updated). Never shown as they
// are: AppDelegate maps them to font message codes. -2997 is unnamed and maps like any unknown
// failure.
inline constexpr int16_t ItemSubfolderFailed = -2999;
inline constexpr int16_t ItemTempSetupFailed = -2998;
inline constexpr int16_t ItemReadOldFailed = -2996;
inline constexpr int16_t ItemBackupFolderFailed = -2995;
inline constexpr int16_t ItemDstPathFailed = -2994;
inline constexpr int16_t ItemTempFolderLocked = -2993;
inline constexpr int16_t ItemTempFolderAttributes = -2992;
inline constexpr int16_t ItemFontsFolderLocked = -2991;
inline constexpr int16_t ItemFontsFolderAttributes = -2990;
inline constexpr int16_t ItemMoveNewToFontsFailed = -2989;
inline constexpr int16_t ItemMoveOldToTrashFailed = -2988;
inline constexpr int16_t ItemWriteNewFailed = -2987;
inline constexpr int16_t ItemTempFileRemoveFailed = -2986;
inline constexpr int16_t ItemSfntBuildFailed = -2985;
inline constexpr int16_t ItemSfntVerifyFailed = -2984;
inline constexpr int16_t ItemSfntMultiple = -2983;
inline constexpr int16_t ItemSfntMissing = -2982;
inline constexpr int16_t ItemFondBuildFailed = -2981;
inline constexpr int16_t ItemFondVerifyFailed = -2980;
inline constexpr int16_t ItemFondMultiple = -2979;
inline constexpr int16_t ItemFondMissing = -2978;
inline constexpr int16_t ItemVersBuildFailed = -2977;
inline constexpr int16_t ItemVersMissing = -2976;
inline constexpr int16_t ItemFileLocked = -2975;
inline constexpr int16_t ItemNotSuitcase = -2974;
inline constexpr int16_t ItemFileAttributesFailed = -2973;
inline constexpr int16_t ItemFileNotFound = -2972;
// A requested font the run never came to, because it ended before (a temporary folder it could
// not make, say): not updated, and reported so. A run starts every font here and sets 0 only
// when it begins the font's own steps. Outside the ranges above, so it maps like any failure.
inline constexpr int16_t ItemNotAttempted = -2971;
// The suitcase writer's verification failure; the new-font build folds it into
// ItemWriteNewFailed, so it is mapped but does not reach updateResult.
inline constexpr int16_t ItemSuitcaseWriteFailed = -1995;

} // namespace fu
