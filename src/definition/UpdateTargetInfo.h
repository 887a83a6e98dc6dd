// The update targets of a definition: which installed fonts to update, from which version to
// which, with which new dates and resource map.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fu {

class UpdateTargetItem {
public:
    // Every field is nil after creation; a parsed line sets all ten.
    std::optional<std::string> resName;       // 'FOND' and 'sfnt' resource name
    std::optional<std::string> japanFullName; // Japanese full name in the 'name' table
    std::optional<std::string> oVersStr;      // installed short version, "*" for any
    std::optional<std::string> checksum;      // 'head' checkSumAdjustment in hex, "*" to skip
    std::optional<std::string> nVersStr;   // new short version; "*suffix" raises the installed one
    std::optional<std::string> nSfntCDate; // dates as "yyyy/MM/dd HH:mm:ss" (Japan time)
    std::optional<std::string> nSfntMDate;
    std::optional<std::string> nFileCDate;
    std::optional<std::string> nFileMDate;
    std::optional<std::string> nResMapInfo; // the new file's resource map as hex, or "*"

    // True when the item exists and all ten fields are present and non-empty.
    [[nodiscard]] static bool checkPropertys(const UpdateTargetItem* item);
};

class UpdateTargetInfo {
public:
    std::vector<std::unique_ptr<UpdateTargetItem>> updateTargetItems; // empty = nil

    [[nodiscard]] static std::unique_ptr<UpdateTargetInfo>
    initWithUpdateTargetText(const std::string& text);
    [[nodiscard]] static std::unique_ptr<UpdateTargetInfo>
    initWithUpdateTargetTextFilePath(const std::string& path);

    // Lines of at least ten tab-separated fields, the first ten non-empty, become targets;
    // every other line is skipped. True when at least one target results.
    [[nodiscard]] bool setupWithUpdateTargetText(const std::string& text);
    [[nodiscard]] bool setupWithUpdateTargetTextPath(const std::string& path);

    [[nodiscard]] int64_t countOfUpdateTargetItem() const {
        return int64_t(updateTargetItems.size());
    }
    [[nodiscard]] UpdateTargetItem* updateTargetItemAtIndex(int64_t index) const;
};

} // namespace fu
