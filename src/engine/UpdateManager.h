// Drives the search and the update run for the screens (and for fupdef): reports progress and,
// exactly once per operation, its completion to the delegate.
#pragma once

#include "engine/UpdateResult.h"

#include <cstdint>
#include <optional>
#include <string>

namespace fu {

class UpdateFontInfo;
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

class UpdateManager {
public:
    UpdateManagerDelegate* delegate = nullptr; // not owned

    // ---- Search ----
    [[nodiscard]] int64_t progressMaxOfFindUpdateNecessaryFont() const;
    // The whole search into the application state's found-font list.
    void findUpdateNecessaryFont();
    // The drive: 0 or a search status code; only the given folder (as the user's) when non-empty.
    [[nodiscard]] int16_t findUpdateFontInfo(UpdateFontInfo* updateFontInfo, const UpdateSfntSetInfo* updateSfntSetInfo,
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
                                                   const TestOption* testOption, VolumeInfo& volumeInfo);

private:
    void progress(int64_t count, std::optional<std::string> text) const;
    void complete(UpdateResult result) const;
    [[nodiscard]] int16_t runUpdate(bool& cacheFailed);
};

} // namespace fu
