// The search drive: every update target with every sfnt set over the computer's and the user's
// Fonts folders (or one given folder), reporting progress as it goes.
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
               const UpdateTargetInfo* updateTargetInfo, std::string findTargetDirPath, Progress progress);

    // 0, or the search status code of the first failure (-997 ... -984).
    [[nodiscard]] int16_t run();

    // Number of progress steps of a whole search: targets x sets x the two Fonts folders.
    [[nodiscard]] static int64_t progressMaximum(const UpdateSfntSetInfo* sets, const UpdateTargetInfo* targets);

private:
    void report(int64_t count, std::optional<std::string> text) const;

    UpdateFontInfo* updateFontInfo_;
    const UpdateSfntSetInfo* updateSfntSetInfo_;
    const UpdateTargetInfo* updateTargetInfo_;
    std::string findTargetDirPath_;
    Progress progress_;
};

} // namespace fu
