// One font suitcase as the authoring tools see it: what the file holds now, and what the new
// font built from it is to carry. Stored as a property-list dictionary keyed by field name.
#pragma once

#include "base/PropertyList.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace fu {

class CheckTargetItem {
public:
    // Strings are nil until inspection or the author fills them; nil and empty differ (only nil
    // values are filled in by the list's bulk setters).
    std::optional<std::string> filePath;
    std::optional<std::string> fondResName;
    std::optional<std::string> sfntResName;
    std::optional<std::string> japanFullName; // name record (1, 1, 11, 4)
    std::optional<std::string> versStr;       // 'vers' numbers as "%d.%d.%d"
    std::optional<std::string> shortVersStr;
    std::optional<std::string> longVersStr;
    std::optional<std::string> sfntVersStr;    // name record (1, 1, 11, 5)
    std::optional<std::string> checksum;       // 'head' checkSumAdjustment as "%08X"
    std::optional<std::string> japanCopyright; // name record (1, 1, 11, 0)
    std::optional<std::string> nVersStr;       // the new font's short version ("*suffix" raises)
    std::optional<std::string> nDateStr;       // carried only
    bool resFileFail = false;
    bool noSuitcase = false;
    bool multiVers = false;
    bool multiFond = false;
    bool multiSfnt = false;
    bool matchSfntData = false; // the font holds the old tables of set matchSfntSetIndex
    int64_t matchSfntSetIndex = 0;
    bool matchNewSfntData = false; // the font already holds the new tables of a set
    int64_t matchNewSfntSetIndex = 0;
    std::optional<std::string> sfntCDate; // date texts "yyyy/MM/dd HH:mm:ss"
    std::optional<std::string> sfntMDate;
    std::optional<std::string> fileCDate;
    std::optional<std::string> fileMDate;
    std::optional<std::string> resMapInfo; // map info string (uppercase hex)
    std::optional<std::string> nSfntCDate;
    std::optional<std::string> nSfntMDate;
    std::optional<std::string> nFileCDate;
    std::optional<std::string> nFileMDate;
    std::optional<std::string> nResMapInfo; // map info string, or "*"
    std::optional<std::string> versMD5;     // 32 uppercase hexadecimal digits
    std::optional<std::string> fondMD5;
    std::optional<std::string> sfntMD5;

    // nullptr for a nil dictionary. An absent key reads as nil, NO or 0; a value of the wrong
    // shape (a number for a string field, a string for a flag) reads the same way.
    [[nodiscard]] static std::unique_ptr<CheckTargetItem>
    initWithDictionary(const PropertyDictionary* dictionary);
    // Every string that is not nil, and always the five file-state flags, the two match flags
    // and the two set indices.
    [[nodiscard]] PropertyDictionary dictionary() const;

    bool operator==(const CheckTargetItem&) const = default;
};

} // namespace fu
