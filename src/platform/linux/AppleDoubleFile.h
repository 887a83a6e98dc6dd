// Reading a companion straight from an open file: its layout without loading its fork, or the
// whole of a small one to rewrite it.
#pragma once

#include "platform/linux/AppleDouble.h"

#include <string>

namespace fu::appledouble {

[[nodiscard]] std::optional<Layout> readLayout(int fd, uint64_t fileSize);

// The companion at `path` parsed whole; nullopt with an OSErr in `status` (ioErr when it does not
// parse, notAFileErr when it is no regular file).
[[nodiscard]] std::optional<Document> readDocument(const std::string& path, int16_t& status);

} // namespace fu::appledouble
