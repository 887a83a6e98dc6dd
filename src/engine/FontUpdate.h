// The update engine's library of class methods. It holds no state; its topics are spread over
// FontUpdate*.cpp files, one per topic, in the order of the headings below.
#pragma once

#include "engine/StatusCodes.h"
#include "platform/MacFiles.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fu {

class UpdateJournal;
struct JournalRecord;

class Authorization;
class CheckTargetInfo;
class CheckTargetItem;
class ResFile;
class ResItem;
class ScriptInfo;
class SfntData;
class SfntTableName;
class UpdateFontInfo;
class UpdateFontItem;
class UpdateSfntSetInfo;
class UpdateTargetInfo;
class UpdateTargetItem;
struct UpdateTarget;
struct VersResHeader;

class FontUpdate {
public:
    FontUpdate() = delete;

    // ---- Update decision (FontUpdateDecision.cpp) ----
    // 1 = the file is this font at the old version and needs the update, 0 = it does not,
    // -1 = cannot decide.

    // The search's entry point: is the file at filePath this font at the old version?
    [[nodiscard]] static int16_t updateNeedResName(const UpdateTarget& target,
                                                   const SfntData* oldSfntData,
                                                   const std::string& filePath);
    [[nodiscard]] static int16_t updateNeedResName(const UpdateTarget& target,
                                                   const SfntData* oldSfntData, ResFile& resFile);
    // How many resources the decisions of this process have read from files so far: what a
    // map of many references to one record costs them.
    [[nodiscard]] static uint64_t decisionResourceReads();
    // Over all resources of the type.
    [[nodiscard]] static int16_t updateNeedOldShortVersString(const std::string& oldShortVersString,
                                                              ResFile& resFile);
    [[nodiscard]] static int16_t updateNeedNewShortVersString(const std::string& newShortVersString,
                                                              ResFile& resFile);
    [[nodiscard]] static int16_t updateNeedFondNameString(const std::string& resName,
                                                          ResFile& resFile);
    [[nodiscard]] static int16_t updateNeedSfntResName(const UpdateTarget& target,
                                                       const SfntData* oldSfntData,
                                                       ResFile& resFile);
    // One resource.
    [[nodiscard]] static int16_t updateNeedOldShortVersString(const std::string& oldShortVersString,
                                                              ResItem* versResItem);
    [[nodiscard]] static int16_t updateNeedNewShortVersString(const std::string& newShortVersString,
                                                              ResItem* versResItem);
    [[nodiscard]] static int16_t updateNeedFondNameString(const std::string& resName,
                                                          ResItem* fondResItem);
    [[nodiscard]] static int16_t updateNeedSfntResName(const UpdateTarget& target,
                                                       const SfntData* oldSfntData,
                                                       ResItem* sfntResItem);
    // The same for the font of an 'sfnt' resource whose name has been checked, already parsed, so
    // that a caller that goes on to change the font reads it once.
    [[nodiscard]] static int16_t updateNeedSfntResName(const UpdateTarget& target,
                                                       const SfntData* oldSfntData,
                                                       const SfntData& sfntData);
    [[nodiscard]] static int16_t
    updateNeedNameJapanFullNameString(const std::string& japanFullName,
                                      const SfntTableName* sfntTableName);
    [[nodiscard]] static int16_t
    updateNeedNameOldShortVersString(const std::string& oldShortVersString,
                                     const SfntTableName* sfntTableName);
    [[nodiscard]] static int16_t
    updateNeedNameNewShortVersString(const std::string& newShortVersString,
                                     const SfntTableName* sfntTableName);
    [[nodiscard]] static int16_t updateNeedCheckMatchOldSfntData(const SfntData* oldSfntData,
                                                                 const SfntData* sfntData);

    // ---- New font construction (FontUpdateConstruction.cpp) ----
    // 0 = done; -1 = missing input or unexpected failure; otherwise a per-font result code.

    // Loads srcPath, changes it in memory and writes the new file at dstPath (which must not
    // exist).
    [[nodiscard]] static ItemResult updateResFileResName(const UpdateTarget& target,
                                                         const SfntData* oldSfntData,
                                                         const SfntData* newSfntData,
                                                         const std::string& srcPath,
                                                         const std::string& dstPath);
    // Changes a loaded file in memory: 'vers', the name table's version strings, the set's tables.
    [[nodiscard]] static ItemResult updateResFileResName(const UpdateTarget& target,
                                                         const SfntData* oldSfntData,
                                                         const SfntData* newSfntData,
                                                         ResFile& resFile);
    [[nodiscard]] static std::optional<std::string> makeNewResShortVersStringWithOldVersString(
        const std::string& oldVersString, const std::string& newVersString, ResItem* versResItem);
    [[nodiscard]] static ItemResult updateVersOldVersString(const std::string& oldVersString,
                                                            const std::string& newVersString,
                                                            ResItem* versResItem);
    [[nodiscard]] static bool
    setMajorMinorFixedwithVersResHeader(VersResHeader& header, const std::string& shortVersString);
    [[nodiscard]] static ItemResult updateSfntResName(const UpdateTarget& target,
                                                      const SfntData* oldSfntData,
                                                      const SfntData* newSfntData,
                                                      ResItem* sfntResItem);

    // ---- Font search (FontUpdateSearch.cpp) ----

    // Walks one folder tree for one target and one set; 0 or -1.
    [[nodiscard]] static int16_t findUpdateFontInfo(UpdateFontInfo* updateFontInfo,
                                                    const UpdateSfntSetInfo* updateSfntSetInfo,
                                                    uint64_t setIndex, int64_t upSizeOfFile,
                                                    const std::string& targetRootDirectoryPath,
                                                    const std::string& targetSubDirectoryPath,
                                                    uint64_t pathDomain,
                                                    const UpdateTargetItem* updateTargetItem);
    // The whole search without progress; 0, or -1 for every failure.
    [[nodiscard]] static int16_t findUpdateFontInfo(UpdateFontInfo* updateFontInfo,
                                                    const UpdateSfntSetInfo* updateSfntSetInfo,
                                                    const UpdateTargetInfo* updateTargetInfo,
                                                    const std::string& findTargetDirPath);
    [[nodiscard]] static std::optional<std::string> localFontsFolderPath();
    [[nodiscard]] static std::optional<std::string> usersFontsFolderPath();
    [[nodiscard]] static ItemResult checkFileAttributesOfDistPath(const std::string& path);
    [[nodiscard]] static ItemResult checkLoeckedFontsFolderOfDirPath(const std::string& path);
    [[nodiscard]] static ItemResult checkLoeckedTempFolderOfDirPath(const std::string& path);
    [[nodiscard]] static ItemResult
    checkLockedTemporaryDirectoryWithUpdateFontItem(const UpdateFontItem* item);
    [[nodiscard]] static ItemResult setDstPathWithTemporaryDirectoryPath(const std::string& path,
                                                                         UpdateFontItem* item);
    [[nodiscard]] static std::string sizeStringOfByteSize(uint64_t byteSize, bool requestByte);

    // ---- Update execution (FontUpdateMoves.cpp) ----

    [[nodiscard]] static ItemResult
    createNewFontOfUpdateFontItem(UpdateFontItem* item, const UpdateSfntSetInfo* updateSfntSetInfo);
    [[nodiscard]] static ItemResult removeTemporaryFileAtPath(const std::string& path);
    [[nodiscard]] static ItemResult
    moveToTrashUpdateFontItem(UpdateFontItem* item, const std::string& backupDirectoryPath);
    [[nodiscard]] static ItemResult
    moveToTrashUpdateFontItem(UpdateFontItem* item, const std::string& backupDirectoryPath,
                              Authorization* authorization);
    [[nodiscard]] static ItemResult moveToFontsUpdateFontItem(UpdateFontItem* item);
    [[nodiscard]] static ItemResult moveToFontsUpdateFontItem(UpdateFontItem* item,
                                                              Authorization* authorization);
    // Where the old pair goes in the backup folder: its domain's sub-folder, its sub-path, a free
    // name. The folders are made on the way.
    [[nodiscard]] static std::optional<std::string>
    backupTargetPathOfUpdateFontItem(const UpdateFontItem* item,
                                     const std::string& backupDirectoryPath);
    // The crash-safe swap of a font in a folder the user may write: the new pair is staged beside
    // the old one and verified, the old pair gets its second name in the backup folder, then two
    // renames put the new pair in place. Every step is recorded in the journal first, so that a
    // run cut short is finished or undone by repairInterruptedUpdates.
    // The swap itself, for the user's folder and for the helper's: stage the new pair beside the
    // font, give the old pair its second name, rename. `stuck` when neither pair could be put
    // back in place (the record of the plan must then stay for a repair).
    enum class PairStaging { Move, Link, CopyForEveryone };
    struct SwapResult {
        ItemResult result = ItemResult::StatusOK;
        bool stuck = false;
    };
    // Opens a folder the swap works in. The user's swap opens its folders plainly; the helper
    // reaches them only beneath its own folders and through no link, so that nothing swapped in
    // along a path during the run can lead it elsewhere.
    using FolderOpener =
        std::function<std::optional<platform::MacFolder>(const std::string& folderPath)>;
    [[nodiscard]] static SwapResult swapPairOfJournalRecord(const JournalRecord& plan,
                                                            const std::string& newPairPath,
                                                            PairStaging staging);
    [[nodiscard]] static SwapResult swapPairOfJournalRecord(const JournalRecord& plan,
                                                            const std::string& newPairPath,
                                                            PairStaging staging,
                                                            const FolderOpener& openFolder);
    // With keepSource the pair at dstPath is linked, not moved, into the staged name: a backup
    // being restored keeps its own name until the swap is done.
    [[nodiscard]] static ItemResult
    replaceWithNewFontUpdateFontItem(UpdateFontItem* item, const std::string& backupDirectoryPath,
                                     UpdateJournal& journal, bool keepSource = false);
    // The same swap of a font in the computer's folder, carried out whole by the helper; the
    // outcome is read from the files, whatever the helper answered, or if it died.
    [[nodiscard]] static ItemResult
    replaceWithNewFontUpdateFontItem(UpdateFontItem* item, const std::string& backupDirectoryPath,
                                     Authorization* authorization);
    // Puts the fonts of one backup folder back in the Fonts folders they came from, each the way
    // an update swaps it (the computer's through the helper, skipped without rights); the files
    // they replace go to a new backup folder (named in newerBackupPath). Only font suitcases
    // move, and no link in the backup folder is followed. One result per file, the font's path
    // with 0 or its failure (ItemNotSuitcase for a file that is none).
    struct RestoredFont {
        std::string fontPath;
        ItemResult result = ItemResult::StatusOK;
    };
    [[nodiscard]] static std::vector<RestoredFont>
    restoreFontsOfBackupDirectory(const std::string& backupDirectoryPath,
                                  std::optional<std::string>& newerBackupPath,
                                  Authorization* authorization);
    // Finishes or undoes every swap the journal holds, looking at the files; answers a line for
    // the user per font it found.
    [[nodiscard]] static std::vector<std::string> repairInterruptedUpdates();
    // The same for the records of one journal, its folders opened by `openFolder` (the helper's
    // journal, repaired by the helper when it starts).
    [[nodiscard]] static std::vector<std::string> repairInterruptedUpdatesOfJournal(
        const std::vector<std::pair<std::string, JournalRecord>>& records,
        const FolderOpener& openFolder);
    // A line for each swap in the computer's folder the helper left unfinished; they are repaired
    // when the helper next starts, which only rights can do.
    [[nodiscard]] static std::vector<std::string> computerUpdatesAwaitingRepair();
    [[nodiscard]] static std::optional<std::string> temporaryDirectoryName();
    [[nodiscard]] static std::optional<std::string>
    temporaryDirectoryPathWithPlaceIsDesktop(bool placeIsDesktop);
    [[nodiscard]] static int16_t createTemporaryDirectoryAtPath(const std::string& path);
    [[nodiscard]] static int16_t createOldFontsBackupDirectoryAtPath(const std::string& path);
    [[nodiscard]] static int16_t removeTemporaryDirectroryAtPath(const std::string& path);
    [[nodiscard]] static std::optional<std::string>
    pathForBackupDirectoryName(const std::string& name, uint64_t pathDomain, bool toDesktop);
    [[nodiscard]] static std::optional<std::string>
    pathForMoveToWithBackupDirectoryName(const std::string& name, uint64_t pathDomain,
                                         bool toDesktop);
    [[nodiscard]] static std::optional<std::string> trashInPathWithItemName(const std::string& name,
                                                                            uint64_t pathDomain);
    [[nodiscard]] static std::optional<std::string>
    desktopInPathWithItemName(const std::string& name, uint64_t pathDomain);
    [[nodiscard]] static std::optional<std::string>
    stringByAppendTodayWithString(const std::string& name);
    [[nodiscard]] static std::optional<std::string>
    fixExistsPathWithFilePath(const std::string& path);
    [[nodiscard]] static ItemResult
    makeSubDirectroryWithPath(const std::string& relativePath,
                              const std::string& parentDirectoryPath);

    // ---- Inspection for the authoring tools (FontUpdateInspect.cpp) ----
    // 0 = inspected (what a file is not, such as a suitcase, is recorded in the record's flags);
    // -1 = missing input or a file that could not be read. Files are only read.

    // Fills the record from the file and matches it against one set's old tables; an old data
    // without tables matches nothing.
    [[nodiscard]] static int16_t setCheckTargetItem(CheckTargetItem* item,
                                                    const SfntData* oldSfntData,
                                                    const std::string& filePath);
    [[nodiscard]] static int16_t setCheckTargetItem(CheckTargetItem* item,
                                                    const SfntData* oldSfntData, ResFile& resFile);
    [[nodiscard]] static int16_t setVersWithCheckTargetItem(CheckTargetItem* item,
                                                            ResFile& resFile);
    [[nodiscard]] static int16_t setFondResNameWithCheckTargetItem(CheckTargetItem* item,
                                                                   ResFile& resFile);
    [[nodiscard]] static int16_t setSfntResInfoWithCheckTargetItem(CheckTargetItem* item,
                                                                   const SfntData* oldSfntData,
                                                                   ResFile& resFile);
    // Appends one record for the file, matched against the sets in order; nothing without sets.
    [[nodiscard]] static int16_t setCheckTargetInfo(CheckTargetInfo* checkTargetInfo,
                                                    const UpdateSfntSetInfo* updateSfntSetInfo,
                                                    const std::string& filePath);
    // Inspects every record's file again, keeping what the author set for the new font.
    [[nodiscard]] static int16_t updateCheckTargetInfo(CheckTargetInfo* checkTargetInfo,
                                                       const UpdateSfntSetInfo* updateSfntSetInfo);
    // Whether a font already carries a set's new tables.
    [[nodiscard]] static int16_t
    updateNewSfntDataValueWithCheckTargetInfo(CheckTargetInfo* checkTargetInfo,
                                              const UpdateSfntSetInfo* updateSfntSetInfo);
    [[nodiscard]] static int16_t
    updateNewSfntDataValueWithCheckTargetItem(CheckTargetItem* item,
                                              const UpdateSfntSetInfo* updateSfntSetInfo);
    [[nodiscard]] static int16_t
    updateNewSfntDataValueWithCheckTargetItem(CheckTargetItem* item, const SfntData* newSfntData,
                                              const std::string& filePath);
    [[nodiscard]] static int16_t
    updateNewSfntDataValueWithCheckTargetItem(CheckTargetItem* item, const SfntData* newSfntData,
                                              ResFile& resFile);

    // ---- Cache rebuild and restart (FontUpdatePrivileged.cpp) ----

    [[nodiscard]] static bool clearFontCacheWithAuthorization(Authorization* authorization,
                                                              const ScriptInfo* scriptInfo,
                                                              ByteView definition);
    [[nodiscard]] static bool clearFontCacheUserWithScriptInfo(const ScriptInfo* scriptInfo);
    [[nodiscard]] static bool ASClearFontCacheUserWithScriptInfo(const ScriptInfo* scriptInfo);
    // The command line split at single spaces, run without a shell; true for exit status 0.
    [[nodiscard]] static bool execSyncWithCommandString(const std::string& commandString);
    // What the script printed, when anything, lands in `said`: a script that cannot restart
    // (the demo's, a session without logind) may explain itself to the user that way.
    [[nodiscard]] static bool restartComputerWithScriptInfo(const ScriptInfo* scriptInfo,
                                                            std::string* said = nullptr);
    [[nodiscard]] static bool restartComputer();

    // ---- System version (FontUpdateSystem.cpp) ----

    // The one place that fixes the lowest system version the application runs on.
    [[nodiscard]] static std::string lowestSupportedSystemVersion();

    // The running system's version as dotted numbers, nil when neither source answers.
    [[nodiscard]] static std::optional<std::string> systemVersionString();
    [[nodiscard]] static std::optional<std::string> systemVersionStringNew();
    [[nodiscard]] static std::optional<std::string> systemVersionStringLegacey();

    // YES when the running system is at least the required version.
    [[nodiscard]] static bool checkSystemVersWithSupportVersString(const std::string& supportVers);
    // The same comparison for a given system version text: up to three dotted numbers each,
    // compared as numbers, major first.
    [[nodiscard]] static bool checkSystemVersString(const std::string& systemVers,
                                                    const std::string& supportVers);
};

} // namespace fu
