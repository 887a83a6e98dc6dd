#include "definition/DefinitionFile.h"

#include "platform/Memory.h"

#include <cstdint>
#include <limits>

namespace fu {

std::optional<Bytes> readDefinitionFile(const std::string& path, int* error) {
    // A file that changes while it is read shows in the container's length field or digests.
    return platform::readBulkFile(path, std::numeric_limits<uint32_t>::max(), error);
}

} // namespace fu
