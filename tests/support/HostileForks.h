// Resource forks built to cost their reader as much as the format lets them: every structure is
// in bounds, but type entries, reference lists, names and data records are shared so that a small
// fork describes far more than it holds. Written byte by byte, independently of the map reader.
#pragma once

#include "base/Bytes.h"

#include <cstdint>
#include <string>

namespace fu::test {

// The three resources of a one-face suitcase, as the map of a crafted fork lists them.
struct SuitcaseResources {
    std::string resName; // ASCII, at most 19 bytes: the name list lives in the map's header copy
    int16_t fondID = 16384;
    int16_t sfntID = 16384;
    Bytes fond;
    Bytes vers; // at most 152 bytes, as is 'fond'
    Bytes sfnt;
};

// A suitcase fork whose map lists `typeCount` types (42 to 65,535): the font's 'FOND', 'sfnt'
// and 'vers', and junk types of one reference each. Every reference list lies inside the type list
// itself, since 16-bit offsets cannot reach past it, and the junk types all share one reference to
// the 'vers' record; the map is padded so that the reader's reference budget admits them all.
[[nodiscard]] Bytes forkOfOverlappingTypes(const SuitcaseResources& font, uint32_t typeCount);

// A fork of `referenceCount` references (at most 87,000, as many as the longest map the reader
// takes has room for) in two types whose reference lists are one and the same, every reference
// named by one 255-byte name of half-width katakana (each Shift_JIS byte three bytes of UTF-8) and
// pointing at one data record of `dataLength` bytes.
[[nodiscard]] Bytes forkOfSharedNames(uint32_t referenceCount, uint32_t dataLength = 16);

// A fork header (data at 256) followed by `data` and `map`.
[[nodiscard]] Bytes assembleFork(ByteView data, ByteView map);

} // namespace fu::test
