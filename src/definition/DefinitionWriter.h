// Authoring update definitions: the payload's sections from their sources, and an update set
// from an old and a new font.
#pragma once

#include "base/Bytes.h"

#include <optional>
#include <string>
#include <vector>

namespace fu {

struct UpdateSetSource {
    std::string name;
    Bytes oldFont; // sfnt images
    Bytes newFont;
};

struct DefinitionSources {
    Bytes readMe;  // RTF
    Bytes targets; // UTF-8 target lines
    Bytes scripts; // UTF-8 script lines
    std::vector<UpdateSetSource> sets;
};

struct AuthoringResult {
    std::optional<Bytes> bytes; // the result, or nullopt with the reason in `error`
    std::string error;
};

// The 'old ' and 'new ' containers of one set: every table whose bytes differ between the two
// fonts, except 'name' (the update rewrites its version strings) and 'head' (the update sets its
// dates and checksum). A table only one font has is refused: the update can only replace.
struct SetTables {
    Bytes oldTables;
    Bytes newTables;
    std::vector<uint32_t> tags;
};
[[nodiscard]] std::optional<SetTables> differingTables(ByteView oldFont, ByteView newFont,
                                                       std::string& error);

// The decrypted payload of a definition: 'rdme', 'updp', 'scpt' and 'sets'.
[[nodiscard]] AuthoringResult buildDefinitionPayload(const DefinitionSources& sources);

} // namespace fu
