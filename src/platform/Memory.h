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
// many TLB misses on every pass; with large ones, twenty.
[[nodiscard]] Bytes reserveBulkBuffer(size_t capacity);

// A regular file's whole contents in one read into a bulk buffer of its size. Links, FIFOs and
// devices are refused, and a file larger than `limit` is refused (EFBIG) before anything is
// allocated for it. On failure *error holds errno, or -1 for an item that is not a regular file.
[[nodiscard]] std::optional<Bytes> readBulkFile(const std::string& path, uint64_t limit, int* error);

// Words for an error answered by readBulkFile.
[[nodiscard]] std::string bulkFileErrorText(int error);

} // namespace fu::platform
