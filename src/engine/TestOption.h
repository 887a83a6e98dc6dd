// Settings for testing the wizard on a developer's machine. The application never makes one,
// so every option is off in use.
#pragma once

#include <cstdint>

namespace fu {

struct TestOption {
    bool noSysVerCheck = false; // skip the supported-system check of the read-me screen
    bool noSuppSys = false;     // read by nothing
    bool tempOnDesk = false;    // temporary folder on the Desktop
    bool notRemoveTemp = false; // keep the temporary folder after a run
    bool oldMoveToDesk = false; // backup folder on the Desktop instead of the Trash
    bool mulFontSize = false;   // multiply the space needed by mulValue
    uint64_t mulValue = 2;
    bool freeSize = false; // take freeSizeValue megabytes as the free space
    uint64_t freeSizeValue = 1;
};

} // namespace fu
