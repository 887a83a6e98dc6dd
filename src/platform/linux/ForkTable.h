// The Linux backend's own way into the table of open forks: a read-only fork of a companion that
// another part of the backend has already opened and read the layout of, so that the search opens
// each companion once. The range is decided exactly as openFork decides it for fsRdPerm.
#pragma once

#include "base/AppleDouble.h"
#include "platform/ForkStorage.h"
#include "platform/linux/PosixFile.h"

#include <cstdint>
#include <optional>

namespace fu::platform {

struct ForkRange {
    uint64_t offset = 0;
    uint64_t length = 0;
};

// Where the fork that openFork(fsRdPerm) reads lies in a companion of this layout and size:
// noErr, or fsDataTooBigErr for a fork longer than kMaxResourceForkLength. A companion without a
// fork entry holds an empty fork.
[[nodiscard]] int16_t readOnlyForkRange(const appledouble::Layout& layout, uint64_t companionSize,
                                        ForkRange& range);

// A handle on `range` of an open companion, which the handle then owns; an invalid descriptor is
// a file without a companion, whose fork is empty. nullopt with tmfoErr when too many forks are
// open.
[[nodiscard]] std::optional<ForkRefNum> adoptReadOnlyFork(posix::Fd companion, ForkRange range,
                                                          int16_t* status = nullptr);

} // namespace fu::platform
