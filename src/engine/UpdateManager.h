// Drives the search and the update run for the screens (and for fupdef): reports progress and,
// exactly once per operation, its completion to the delegate. For the authoring tools it also
// builds updated fonts into an output folder, leaving the source files alone.
#pragma once

#include "engine/UpdateFontInfo.h"
#include "engine/UpdateResult.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace fu {

class MessageInfo;
class UpdateContext;
class UpdateSfntSetInfo;
class UpdateTargetInfo;
class VolumeInfo;
struct TestOption;

class UpdateManagerDelegate {
public:
    virtual ~UpdateManagerDelegate() = default;
    virtual void processProgress(const UpdateResult& result) = 0;
    virtual void processComplete(const UpdateResult& result) = 0;
};

// Told when a folder batch ends (once per batch), with the whole log.
class CreateFontCompleteDelegate {
public:
    virtual ~CreateFontCompleteDelegate() = default;
    virtual void createFontComplete(const std::string& logText) = 0;
};

class UpdateManager {
public:
    UpdateManager() = default;
    explicit UpdateManager(UpdateContext* context) : context(context) {}

    // What the runs work on; not owned. Without one every run ends at once with its no-state code.
    UpdateContext* context = nullptr;
    UpdateManagerDelegate* delegate = nullptr; // not owned

    // ---- Search ----
    [[nodiscard]] int64_t progressMaxOfFindUpdateNecessaryFont() const;
    // The whole search into the context's found-font list.
    void findUpdateNecessaryFont();
    // The drive: 0 or a search status code; only the given folder (as the user's) when non-empty.
    [[nodiscard]] SearchStatus findUpdateFontInfo(UpdateFontInfo* updateFontInfo,
                                                  const UpdateSfntSetInfo* updateSfntSetInfo,
                                                  const UpdateTargetInfo* updateTargetInfo,
                                                  const std::string& findTargetDirPath);

    // ---- Update run ----
    void exeUpdateRequestedFont();
    [[nodiscard]] bool setupTemporaryDirectory();
    bool removeTemporaryDirectory();

    // Rights for the computer's Fonts folder: 0 when none are needed or they were granted.
    [[nodiscard]] int32_t startAuthorization();
    bool stopAuthorization();

    // The free-space test of the list screen: whether the system volume has room for the
    // requested fonts, and the two figures shown when it has not.
    struct SpaceCheck {
        bool enough = true;
        uint64_t needBytes = 0;
        uint64_t freeBytes = 0;
    };
    [[nodiscard]] static SpaceCheck checkFreeSpace(const UpdateFontInfo& updateFontInfo,
                                                   const TestOption* testOption,
                                                   VolumeInfo& volumeInfo);

    // ---- Batch creation into an output folder (UpdateManagerBatch.cpp) ----

    // One new font per record of the context's check-target document, into the
    // folder itself. NO, with nothing written, when a record is incomplete, matches no set, or
    // its output would replace a source file or another record's output; NO also when a build
    // fails (the fonts before it stay written).
    [[nodiscard]] bool createNewFontWithDstDirPath(const std::string& dstDirPath);

    // The folder batch: searches srcDirPath for the targets and builds each font found into the
    // same place under dstDirPath, one font per step, logging every step. YES when the batch
    // started (its first step has run); NO with the reason logged, and no completion, otherwise.
    // Neither folder may lie inside the other, and no batch may be running.
    [[nodiscard]] bool
    createUserFontWithUpdateTargetInfo(const UpdateTargetInfo* updateTargetInfo,
                                       const std::string& srcDirPath, const std::string& dstDirPath,
                                       CreateFontCompleteDelegate* completeDelegate);
    // One step of the batch; nothing when no step is due.
    void createFont();
    void addCreateFontLogText(const std::string& text);
    // A step is due: whoever drives the batch (a loop, a zero-delay timer) calls createFont().
    [[nodiscard]] bool createFontStepPending() const { return createFontPending_; }

    std::string createFontLogText; // empty = nil
    int64_t createFontIndex = 0;
    std::unique_ptr<UpdateFontInfo> createFontUpdateFontInfo;
    std::string createFontDstDirPath;
    CreateFontCompleteDelegate* createFontCompleteDelagete = nullptr; // not owned
    // Called each time a next step becomes due, so that a front end can run it on a later turn
    // of its event loop; may be empty when the caller loops on createFontStepPending().
    std::function<void()> createFontScheduler;

private:
    void endCreateFont(const std::string& line);
    void scheduleCreateFont();
    bool createFontPending_ = false;

    [[nodiscard]] const MessageInfo* messages() const;
    void progress(int64_t count, std::optional<std::string> text) const;
    void complete(const UpdateResult& result) const;
    [[nodiscard]] UpdateStatus runUpdate(bool& cacheFailed);
};

} // namespace fu
