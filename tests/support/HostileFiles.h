// Things a Fonts folder may hold that are no fonts and must cost the reader nothing: FIFOs and
// sockets where files belong, and companions that claim forks of gigabytes the disk never stores.
#pragma once

#include "base/Bytes.h"

#include <cstdint>
#include <string>

namespace fu::test {

// A FIFO nobody writes to: opening it to read without O_NONBLOCK waits for ever.
void makeFifo(const std::string& path);
// A bound Unix socket; the descriptor is closed at once, the name stays.
void makeSocket(const std::string& path);

// A companion (Finder info 'FFIL'/'DMOV' at 50, resource fork entry at 82) whose fork entry is
// `forkLength` bytes long and begins with `forkStart`. ftruncate makes the file that long, so
// the file system stores only its first block or so.
void writeSparseCompanion(const std::string& companionPath, uint64_t forkLength,
                          ByteView forkStart);

// A plausible resource fork header (256 bytes of data at 256, the map after them) whose map
// claims everything from there to the end of a fork of `forkLength` bytes.
[[nodiscard]] Bytes forkHeaderClaimingAMapOf(uint64_t forkLength);

// A sparse companion whose fork is `forkLength` bytes and whose map claims all of it past the
// header: the largest map a file that small on disk can claim.
void writeSparseSuitcaseCompanion(const std::string& companionPath, uint64_t forkLength);

// The first `count` bytes of a file, to show that reading it changed nothing.
[[nodiscard]] Bytes fileStart(const std::string& path, size_t count);

// Gives up root for the rest of a forked child's life (to the unprivileged "nobody"), so that
// modes that lock a user out lock the test out too; nothing for a process that is no root.
// False when the switch failed.
[[nodiscard]] bool actAsUnprivilegedUser();

} // namespace fu::test
