// Memory for bulk data: buffers of a definition's or a font's size, tens of megabytes, which the
// system is asked to back with large pages, and whole-file reads into them.
#pragma once

#include "base/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace fu::platform {

// An empty buffer with room for `capacity` bytes. Filling it within that room neither moves it
// nor loses the advice. With small pages, a buffer of 40 MB costs ten thousand page faults and as
// many TLB misses on every pass; with large ones, twenty. A bulk-sized request is served from a
// recycled buffer when one has the room, and otherwise rounded up to whole large pages, so that
// the buffer can take the next file of about its size.
[[nodiscard]] Bytes reserveBulkBuffer(size_t capacity);

// Hands back a buffer that is done with, to be refilled by a later reserveBulkBuffer. Its pages
// are already backed: the first touch of fresh memory (a fault and a zeroing per page, dearer
// still in a virtual machine) costs more than the copy or read into it. A few bulk-sized buffers
// are kept; smaller ones, and any beyond that, are simply freed.
void recycleBulkBuffer(Bytes&& buffer);

// Frees the buffers kept for reuse: at the end of a run, so that an idle program does not hold
// the memory of the fonts it has finished with.
void releaseSpareBulkBuffers();

// How many bytes the kept buffers hold room for.
[[nodiscard]] size_t spareBulkBytes();

// A regular file's whole contents in one read into a bulk buffer of its size. Links, FIFOs and
// devices are refused, and a file larger than `limit` is refused (EFBIG) before anything is
// allocated for it. On failure *error holds errno, or -1 for an item that is not a regular file.
[[nodiscard]] std::optional<Bytes> readBulkFile(const std::string& path, uint64_t limit,
                                                int* error);

// Words for an error answered by readBulkFile.
[[nodiscard]] std::string bulkFileErrorText(int error);

} // namespace fu::platform
