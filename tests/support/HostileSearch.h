// Inputs whose size is harmless but whose repetition would make a search's cost multiply: a
// suitcase naming one 'sfnt' record from many references, and a definition repeating one target
// and one set many times.
#pragma once

#include "base/Bytes.h"
#include "definition/DefinitionWriter.h"

#include <cstddef>
#include <string>
#include <vector>

namespace fu::test {

// A suitcase fork holding `records` from fork offset 256, with a 'FOND' (ID 128) on record 0,
// 'vers' 1 on record 1 and one 'sfnt' (IDs from 1000) per entry of `sfntRecords`, an index into
// `records`; the 'FOND' and every 'sfnt' are named `name` from one entry of the name list. The name
// list lies before the reference lists, so that the map's 16-bit offsets reach it however many
// references there are.
[[nodiscard]] Bytes suitcaseFork(const std::vector<ByteView>& records,
                                 const std::vector<size_t>& sfntRecords, const std::string& name);

// The suitcase fork above of the records `fond`, `vers` and `sfnt`, whose `references` 'sfnt'
// references all lead to the one `sfnt` record.
[[nodiscard]] Bytes sharedRecordFork(ByteView fond, ByteView vers, ByteView sfnt,
                                     const std::string& name, size_t references);

// `sources` with its first target line repeated `targets` times and its first set `sets` times.
[[nodiscard]] DefinitionSources repeatedTargetsAndSets(DefinitionSources sources, size_t targets,
                                                       size_t sets);

} // namespace fu::test
