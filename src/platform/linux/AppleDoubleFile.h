// Reading a companion straight from an open file: its layout without loading its fork, or the
// whole of a small one to rewrite it.
#pragma once

#include "base/AppleDouble.h"
#include "platform/ForkStorage.h"

#include <string>

namespace fu::appledouble {

// Companions are read whole only to be rewritten, and only up to a fork at its longest plus a MiB
// for the other entries (the Finder info with the extended attributes macOS keeps there, dates).
inline constexpr uint64_t kMaxCompanionReadWhole =
    platform::kMaxResourceForkLength + (uint64_t{1} << 20);

[[nodiscard]] std::optional<Layout> readLayout(int fd, uint64_t fileSize);

// The first bytes of a companion read at once: they hold the descriptors and the Finder info of
// every companion we or macOS write, so most companions answer a search with one read.
inline constexpr size_t kHeadReadSize = 512;

// The same layout as readLayout, with the companion's first bytes (at most kHeadReadSize) left in
// `head` so that entries lying within them need no read of their own.
[[nodiscard]] std::optional<Layout> readLayoutAndHead(int fd, uint64_t fileSize, Bytes& head);

// The companion at `path` parsed whole; nullopt with an OSErr in `status` (ioErr when it does not
// parse, notAFileErr when it is no regular file, fsDataTooBigErr past kMaxCompanionReadWhole).
[[nodiscard]] std::optional<Document> readDocument(const std::string& path, int16_t& status);

} // namespace fu::appledouble
