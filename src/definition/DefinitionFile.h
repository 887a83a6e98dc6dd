// Reading a definition file whole: definitions run to tens of megabytes, so the bytes arrive in
// one read into a buffer of the file's size.
#pragma once

#include "base/Bytes.h"

#include <optional>
#include <string>

namespace fu {

// nullopt when the file cannot be opened or read, is not a regular file, or is larger than a
// container's 32-bit length field can describe (EFBIG); *error then says which.
[[nodiscard]] std::optional<Bytes> readDefinitionFile(const std::string& path,
                                                      int* error = nullptr);

} // namespace fu
