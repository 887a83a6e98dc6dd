// Reading one resource's bytes straight out of a file's resource fork. The fork is opened
// read-only and closed again within the call.
#pragma once

#include "base/Bytes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace fu {

// Exactly `length` bytes at fork offset `offset`, or nullopt: an empty path, a zero offset or
// length, a fork that cannot be opened or is too short, and any read error all fail.
[[nodiscard]] std::optional<Bytes> readResourceData(const std::string& path, uint32_t offset,
                                                    uint32_t length);

} // namespace fu
