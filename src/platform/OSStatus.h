// Status values the platform layer reports: the classic Mac OS file-manager codes, so that the
// suitcase layer can pass "a negative platform status" through unchanged on every system.
#pragma once

#include <cstdint>

namespace fu::platform {

enum OSErr : int16_t {
    noErr = 0,
    dskFulErr = -34,
    nsvErr = -35,
    ioErr = -36,
    bdNamErr = -37,
    fnOpnErr = -38,
    eofErr = -39,
    posErr = -40,
    tmfoErr = -42,
    fnfErr = -43,
    wPrErr = -44,
    fLckdErr = -45,
    dupFNErr = -48,
    opWrErr = -49,
    paramErr = -50,
    rfNumErr = -51,
    permErr = -54,
    wrPermErr = -61,
    memFullErr = -108,
    dirNFErr = -120,
    mapReadErr = -199,
    fsDataTooBigErr = -1310,
};

// The closest file-manager code for a POSIX errno value.
[[nodiscard]] int16_t osErrFromErrno(int error);

} // namespace fu::platform
