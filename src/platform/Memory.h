// Memory for bulk data: buffers of a definition's or a font's size, tens of megabytes, which the
// system is asked to back with large pages.
#pragma once

#include "base/Bytes.h"

#include <cstddef>

namespace fu::platform {

// An empty buffer with room for `capacity` bytes. Filling it within that room neither moves it
// nor loses the advice. With small pages, a buffer of 40 MB costs ten thousand page faults and as
// many TLB misses on every pass; with large ones, twenty.
[[nodiscard]] Bytes reserveBulkBuffer(size_t capacity);

} // namespace fu::platform
