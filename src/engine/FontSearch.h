// The search drive: every update target with every sfnt set over the computer's and the user's
// Fonts folders (or one given folder), reporting progress as it goes. What it finds is listed
// folder by folder in the order a person reads the tree.
#pragma once

#include "engine/UpdateResult.h"

#include <cstdint>
#include <functional>
#include <string>

namespace fu {

class UpdateFontInfo;
class UpdateSfntSetInfo;
class UpdateTargetInfo;

class FontSearch {
public:
    using Progress = std::function<void(const UpdateResult&)>;

    FontSearch(UpdateFontInfo* updateFontInfo, const UpdateSfntSetInfo* updateSfntSetInfo,
               const UpdateTargetInfo* updateTargetInfo, std::string findTargetDirPath,
               Progress progress);

    // StatusOK, or the search status of the first failure (-997 ... -984).
    [[nodiscard]] SearchStatus run();

    // The computer's Fonts folder is not looked into; its share of the progress passes at once.
    void leaveOutComputerFolder() { searchComputerFolder_ = false; }

    // Progress steps of one target and set in one folder, through which the files of the folder
    // move the count as they are decided.
    static constexpr int64_t kStepsPerPair = 100;

    // The count the last report of a whole search reaches: targets x sets x kStepsPerPair x the
    // two Fonts folders. Counts rise steadily from 0 to it, never past it.
    [[nodiscard]] static int64_t progressMaximum(const UpdateSfntSetInfo* sets,
                                                 const UpdateTargetInfo* targets);

private:
    void report(int64_t count, std::optional<std::string> text) const;

    UpdateFontInfo* updateFontInfo_;
    const UpdateSfntSetInfo* updateSfntSetInfo_;
    const UpdateTargetInfo* updateTargetInfo_;
    std::string findTargetDirPath_;
    Progress progress_;
    bool searchComputerFolder_ = true;
};

} // namespace fu
