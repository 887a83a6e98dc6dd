// The suitcase layer's status codes: the one place where their numbers are fixed. 0 is success;
// callers test only for non-zero. Negative file-manager codes of the platform pass through
// unchanged where a routine says so.
#pragma once

#include <cstdint>

namespace fu {

inline constexpr int16_t resNoErr = 0;
inline constexpr int16_t resErrArgument = -1968;       // missing or invalid argument
inline constexpr int16_t resErrNoFileManager = -1969;  // no file services (writer)
inline constexpr int16_t resErrNameEncoding = -1969;   // a name does not encode as Shift_JIS
inline constexpr int16_t resErrMemory = -1970;         // out of memory
inline constexpr int16_t resErrNameDecoding = -1970;   // a name in the map is not Shift_JIS
inline constexpr int16_t resErrNoTemplate = -1971;     // map template missing or empty
inline constexpr int16_t resErrTemplateLength = -1972; // rebuilt map size differs from template
inline constexpr int16_t resErrCreate = -1973;         // the new file could not be created
inline constexpr int16_t resErrOpenFork = -1974;       // the fork could not be opened
inline constexpr int16_t resErrWrite = -1976;          // writing the new file failed
inline constexpr int16_t resErrAttributes = -1977;     // attributes could not be applied
inline constexpr int16_t resErrMapRead = -1978;        // the map could not be read
inline constexpr int16_t resErrLengthWord = -1979;     // a data length word could not be read
inline constexpr int16_t resErrNotSuitcase = -1981;    // load status: type is not 'FFIL'
inline constexpr int16_t resErrNoAttributes = -1982;   // load status: suitcase without attributes
inline constexpr int16_t resErrFileTooLarge = -1983;   // the new fork would pass 32-bit sizes
inline constexpr int16_t resErrDataOffset = -1984;     // data would pass 24-bit offsets
inline constexpr int16_t resErrNoItemData = -1986;     // a template type has no item or no data
inline constexpr int16_t resErrNameTooLong = -1987;    // a name is longer than 255 bytes
inline constexpr int16_t resErrItemCount = -1988;      // a template type has not exactly 1 item
inline constexpr int16_t resErrModelTypes = -1989;     // the model has not exactly 3 types
inline constexpr int16_t resErrTemplateRefs = -1990;   // a template type lists several resources
inline constexpr int16_t resErrTemplateTypes = -1991;  // the template has not exactly 3 types
inline constexpr int16_t resErrModelMismatch = -1992;  // the model does not fit the template
inline constexpr int16_t resErrSwapBounds = -1993;     // a map structure lies outside the map
inline constexpr int16_t resErrSwapArgument = -1994;   // host-to-disk conversion: bad argument
inline constexpr int16_t resErrVerify = -1995;         // a written file failed verification
inline constexpr int16_t resErrCensus = -1996;         // the font-name census failed
inline constexpr int16_t resErrDataRead = -1997;       // a resource's data could not be read
inline constexpr int16_t resErrForkSize = -1998;       // the fork size could not be had
inline constexpr int16_t resErrMapBounds = -1999;      // a map structure lies outside the map

} // namespace fu
