// Mac files packed into one plain file: MacBinary I, II and III, AppleSingle (versions 1 and 2,
// RFC 1740) and a bare resource fork (.dfont, .rsrc). Recognising and unpacking them, and turning
// one into a Mac file with its companion.
#pragma once

#include "base/Bytes.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fu {

struct MacContainerContents {
    enum Kind { MacBinary1, MacBinary2, MacBinary3, AppleSingle, RawFork };

    Kind kind = RawFork;
    std::optional<std::string> name; // UTF-8; absent when missing or not decodable
    std::optional<uint32_t> type, creator;
    std::optional<std::chrono::sys_seconds> created, modified;
    Bytes dataFork;
    Bytes resourceFork;
    // AppleSingle entries that carry nothing we keep (comments, icons, ProDOS or MS-DOS info).
    std::vector<uint32_t> ignoredEntries;
};

struct MacContainerResult {
    std::optional<MacContainerContents> contents;
    std::string reason; // why the bytes were refused; empty when they were accepted
};

// Whatever the bytes are: AppleSingle by its magic, then MacBinary, then a bare resource fork.
[[nodiscard]] MacContainerResult parseMacContainer(ByteView bytes);

// One format only, for callers (and fuzzers) that know what they hold.
[[nodiscard]] MacContainerResult parseMacBinary(ByteView bytes);
[[nodiscard]] MacContainerResult parseAppleSingle(ByteView bytes);

// Whether the 16-byte fork header is consistent with the bytes: data and map inside them, not
// overlapping, the map long enough for its own header. It does not read the map itself.
[[nodiscard]] bool isPlausibleResourceFork(ByteView bytes, std::string* reason = nullptr);

[[nodiscard]] const char* macContainerKindName(MacContainerContents::Kind kind);

struct MacImportResult {
    bool ok = false;
    int16_t status = 0; // the platform status when creating or writing failed; 0 when refused
    std::string reason; // what went wrong, for the user
    std::optional<MacContainerContents::Kind> kind; // what the source was, when recognised
};

// Creates `outputPath` (never replacing anything) with the container's forks, type, creator and
// dates. A bare fork gets 'FFIL'/'DMOV'; given codes override the container's in every case. On
// any failure after the file was created it is removed again.
[[nodiscard]] MacImportResult importMacContainer(ByteView sourceBytes,
                                                 const std::string& outputPath,
                                                 std::optional<uint32_t> overrideType,
                                                 std::optional<uint32_t> overrideCreator);
[[nodiscard]] MacImportResult importMacContainer(const MacContainerContents& contents,
                                                 const std::string& outputPath,
                                                 std::optional<uint32_t> overrideType,
                                                 std::optional<uint32_t> overrideCreator);

} // namespace fu
