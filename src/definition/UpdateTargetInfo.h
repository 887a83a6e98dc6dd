// The update targets of a definition: which installed fonts to update, from which version to
// which, with which new dates and resource map.
#pragma once

#include "definition/UpdateTarget.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace fu {

// A target as the list holds it: the record of one parsed line.
class UpdateTargetItem : public UpdateTarget {
public:
    UpdateTargetItem() = default; // every field empty
    explicit UpdateTargetItem(UpdateTarget target) : UpdateTarget(std::move(target)) {}

    // True when the item exists and all ten fields are non-empty.
    [[nodiscard]] static bool checkPropertys(const UpdateTargetItem* item);
};

class UpdateTargetInfo {
public:
    std::vector<std::unique_ptr<UpdateTargetItem>> updateTargetItems; // empty = nil

    [[nodiscard]] static std::unique_ptr<UpdateTargetInfo>
    initWithUpdateTargetText(const std::string& text, size_t targetLimit = SIZE_MAX);
    [[nodiscard]] static std::unique_ptr<UpdateTargetInfo>
    initWithUpdateTargetTextFilePath(const std::string& path);

    // Lines of at least ten tab-separated fields, the first ten non-empty, become targets;
    // every other line is skipped. True when at least one target results. Reading stops once
    // more than `targetLimit` targets are held, so a text of countless lines costs no more than
    // it takes to tell that it has too many.
    [[nodiscard]] bool setupWithUpdateTargetText(const std::string& text,
                                                 size_t targetLimit = SIZE_MAX);
    [[nodiscard]] bool setupWithUpdateTargetTextPath(const std::string& path);

    [[nodiscard]] int64_t countOfUpdateTargetItem() const {
        return int64_t(updateTargetItems.size());
    }
    [[nodiscard]] UpdateTargetItem* updateTargetItemAtIndex(int64_t index) const;
};

} // namespace fu
