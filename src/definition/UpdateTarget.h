// One update target of a definition: the ten texts of its line and the forms the update reads
// them in, worked out once when the line is read rather than for every font it is tried on.
#pragma once

#include "base/Bytes.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace fu {

struct UpdateTarget {
    // The line's fields, as written. Every member has an initializer, so that a record can be
    // written with the fields it needs named and the rest empty.
    std::string resName{};       // 'FOND' and 'sfnt' resource name
    std::string japanFullName{}; // Japanese full name in the 'name' table
    std::string oVersStr{};      // installed short version, "*" for any
    std::string checksum{};      // 'head' checkSumAdjustment in hex, "*" to skip
    std::string nVersStr{};      // new short version; "*suffix" raises the installed one
    std::string nSfntCDate{};    // dates as "yyyy/MM/dd HH:mm:ss" (Japan time)
    std::string nSfntMDate{};
    std::string nFileCDate{};
    std::string nFileMDate{};
    std::string nResMapInfo{}; // the new file's resource map as hex, or "*"

    // Parsed forms, set by withTexts from the texts above. A text that does not read is kept as
    // it is and fails the font it is used on, as it always did: a line is never refused for it.
    bool anyOldVersion = false; // oVersStr is "*": the new version decides
    bool anyChecksum = false;   // checksum is "*"
    // The checksum's value when it is hexadecimal ("%08X" or any case, optionally "0x").
    std::optional<uint32_t> checkSumAdjustment{};
    bool raisesVersion = false; // nVersStr starts with '*'
    std::string raiseSuffix{};  // what follows the '*'; empty raises any version
    // Comparison value of an explicit nVersStr (Tools::versFromVersString); 0 when it does not
    // read, or for a raise.
    uint64_t newVersValue = 0;
    // 'head' LONGDATETIME values of the sfnt dates; 0 for a text that does not read, which is
    // what the new font then carries.
    int64_t sfntCreated = 0;
    int64_t sfntModified = 0;
    // The file dates; nullopt for a text that does not read, which fails the font's build.
    std::optional<std::chrono::sys_seconds> fileCreated{};
    std::optional<std::chrono::sys_seconds> fileModified{};

    // The record with the given texts (the parsed forms it carries are ignored) and their parsed
    // forms.
    [[nodiscard]] static UpdateTarget withTexts(UpdateTarget texts);

    // Equal records decide every font alike.
    bool operator==(const UpdateTarget&) const = default;
};

} // namespace fu
