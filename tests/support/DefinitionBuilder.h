// Update definitions for tests: payload sections, sets and whole containers, built the way
// authors build them, or deliberately broken.
#pragma once

#include "base/Bytes.h"
#include "definition/DefinitionWriter.h"

#include <string>
#include <utility>
#include <vector>

namespace fu::test {

inline const std::string kTestCopyright = "Copyright (C) Font Updater tests";

// A tagged sfnt-style container of the given (tag, bytes) tables, in that order.
[[nodiscard]] Bytes taggedContainer(const std::vector<std::pair<std::string, Bytes>>& tables);

// Sources for a complete definition: a Japanese RTF read-me, one target, two scripts and one set
// made from two sample fonts that differ in their glyphs.
[[nodiscard]] DefinitionSources sampleDefinitionSources();

// The payload of `sources`, sealed with the key of `copyright`.
[[nodiscard]] Bytes sealedDefinition(const DefinitionSources& sources,
                                     const std::string& copyright = kTestCopyright);
[[nodiscard]] Bytes sealedPayload(ByteView payload, const std::string& copyright = kTestCopyright);

// The container signed with the key this build signs its demo with, and trusts.
[[nodiscard]] Bytes signedByThisBuild(ByteView container);

} // namespace fu::test
