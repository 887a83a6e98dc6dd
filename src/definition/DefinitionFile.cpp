#include "definition/DefinitionFile.h"

#include "platform/Memory.h"

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <limits>

namespace fu {

std::optional<Bytes> readDefinitionFile(const std::string& path) {
    try {
        // The size is asked once; the bytes then come in one read, never through a buffer
        // that grows.
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        if (!in) return std::nullopt;
        const std::streamoff size = in.tellg();
        if (size < 0 || !in.seekg(0)) return std::nullopt;
        if (static_cast<uint64_t>(size) > std::numeric_limits<uint32_t>::max()) {
            errno = EFBIG;
            return std::nullopt;
        }
        Bytes bytes = platform::reserveBulkBuffer(static_cast<size_t>(size));
        bytes.resize(static_cast<size_t>(size));
        // A file that shrank since fails here; one that grew shows in the container's length
        // field.
        if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) {
            if (errno == 0) errno = EIO;
            return std::nullopt;
        }
        return bytes;
    } catch (const std::exception&) {
        errno = ENOMEM;
        return std::nullopt;
    }
}

} // namespace fu
