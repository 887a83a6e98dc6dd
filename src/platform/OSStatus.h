// Status values the platform layer reports: the classic Mac OS file-manager codes, so that the
// suitcase layer can pass "a negative platform status" through unchanged on every system.
#pragma once

#include <cstdint>

namespace fu::platform {

inline constexpr int16_t noErr = 0;
inline constexpr int16_t dskFulErr = -34;
inline constexpr int16_t nsvErr = -35;
inline constexpr int16_t ioErr = -36;
inline constexpr int16_t bdNamErr = -37;
inline constexpr int16_t fnOpnErr = -38;
inline constexpr int16_t eofErr = -39;
inline constexpr int16_t posErr = -40;
inline constexpr int16_t tmfoErr = -42;
inline constexpr int16_t fnfErr = -43;
inline constexpr int16_t wPrErr = -44;
inline constexpr int16_t fLckdErr = -45;
inline constexpr int16_t dupFNErr = -48;
inline constexpr int16_t opWrErr = -49;
inline constexpr int16_t paramErr = -50;
inline constexpr int16_t rfNumErr = -51;
inline constexpr int16_t permErr = -54;
inline constexpr int16_t wrPermErr = -61;
inline constexpr int16_t memFullErr = -108;
inline constexpr int16_t dirNFErr = -120;
inline constexpr int16_t mapReadErr = -199;
// A folder, FIFO, socket or device where a file belongs.
inline constexpr int16_t notAFileErr = -1302;
inline constexpr int16_t fsDataTooBigErr = -1310;

// The closest file-manager code for a POSIX errno value (or for the platform's own "not a regular
// file").
[[nodiscard]] int16_t osErrFromErrno(int error);

// How many opens of a file this thread has seen fail for want of descriptors or kernel memory
// (EMFILE, ENFILE, ENOMEM). Readers above answer only that a file could not be read; a caller
// that must tell the process's own exhaustion from a damaged file compares the count before and
// after reading it.
[[nodiscard]] uint64_t openShortfallCount();

} // namespace fu::platform
