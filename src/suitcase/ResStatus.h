// The suitcase layer's status codes: the one place where their numbers are fixed. resNoErr is
// success; callers test for it and for nothing else unless a routine names a code. They are an
// enum class of their own, so that a suitcase status is never taken for a per-font result or a
// platform code by accident. Routines that pass a platform file-manager code on as it stands
// wrap it with resStatusOfPlatform, which keeps its number.
#pragma once

#include <cstdint>
#include <iosfwd>

namespace fu {

enum class ResStatus : int16_t {
    resNoErr = 0,
    resErrArgument = -1968,       // missing or invalid argument
    resErrNoFileManager = -1969,  // no file services (writer)
    resErrNameEncoding = -1969,   // a name does not encode as Shift_JIS
    resErrMemory = -1970,         // out of memory
    resErrNameDecoding = -1970,   // a name in the map is not Shift_JIS
    resErrNoTemplate = -1971,     // map template missing or empty
    resErrTemplateLength = -1972, // rebuilt map size differs from template
    resErrCreate = -1973,         // the new file could not be created
    resErrOpenFork = -1974,       // the fork could not be opened
    resErrWrite = -1976,          // writing the new file failed
    resErrAttributes = -1977,     // attributes could not be applied
    resErrMapRead = -1978,        // the map could not be read
    resErrLengthWord = -1979,     // a data length word could not be read
    resErrNotSuitcase = -1981,    // load status: type is not 'FFIL'
    resErrNoAttributes = -1982,   // load status: suitcase without attributes
    resErrFileTooLarge = -1983,   // the new fork would pass 32-bit sizes
    resErrDataOffset = -1984,     // data would pass 24-bit offsets
    resErrNoItemData = -1986,     // a template type has no item or no data
    resErrNameTooLong = -1987,    // a name is longer than 255 bytes
    resErrItemCount = -1988,      // a template type has not exactly 1 item
    resErrModelTypes = -1989,     // the model has not exactly 3 types
    resErrTemplateRefs = -1990,   // a template type lists several resources
    resErrTemplateTypes = -1991,  // the template has not exactly 3 types
    resErrModelMismatch = -1992,  // the model does not fit the template
    resErrSwapBounds = -1993,     // a map structure lies outside the map
    resErrSwapArgument = -1994,   // host-to-disk conversion: bad argument
    resErrVerify = -1995,         // a written file failed verification
    resErrCensus = -1996,         // the font-name census failed
    resErrDataRead = -1997,       // a resource's data could not be read
    resErrForkSize = -1998,       // the fork size could not be had
    resErrMapBounds = -1999,      // a map structure lies outside the map
};

// The number, where a status is printed or compared with a platform code.
[[nodiscard]] constexpr int16_t code(ResStatus status) { return static_cast<int16_t>(status); }

// A platform file-manager code passed on as it stands (noErr becomes resNoErr).
[[nodiscard]] constexpr ResStatus resStatusOfPlatform(int16_t platformCode) {
    return ResStatus{platformCode};
}

// "-1995 resErrVerify"; both names for the two numbers that have two, none for a platform code.
std::ostream& operator<<(std::ostream& out, ResStatus status);

} // namespace fu
