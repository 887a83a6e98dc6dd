// Reading a companion's layout straight from an open file, without loading its fork.
#pragma once

#include "platform/linux/AppleDouble.h"

namespace fu::appledouble {

[[nodiscard]] std::optional<Layout> readLayout(int fd, uint64_t fileSize);

} // namespace fu::appledouble
