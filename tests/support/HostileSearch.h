// Inputs whose size is harmless but whose repetition would make a search's cost multiply: a
// suitcase naming one 'sfnt' record from many references, and a definition repeating one target
// and one set many times.
#pragma once

#include "base/Bytes.h"
#include "definition/DefinitionWriter.h"

#include <cstddef>
#include <string>

namespace fu::test {

// A suitcase fork holding a 'FOND' (ID 128), 'vers' 1 and `references` 'sfnt' references (IDs
// from 1000), every one of them leading to the same `sfnt` record; the 'FOND' and every 'sfnt'
// are named `name` from one entry of the name list. The name list lies before the reference
// lists, so that the map's 16-bit offsets reach it however many references there are.
[[nodiscard]] Bytes sharedRecordFork(ByteView fond, ByteView vers, ByteView sfnt,
                                     const std::string& name, size_t references);

// `sources` with its first target line repeated `targets` times and its first set `sets` times.
[[nodiscard]] DefinitionSources repeatedTargetsAndSets(DefinitionSources sources, size_t targets,
                                                       size_t sets);

} // namespace fu::test
