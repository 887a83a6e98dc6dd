#include "platform/linux/AppleDoubleFile.h"

#include "platform/linux/PosixFile.h"

namespace fu::appledouble {

std::optional<Layout> readLayout(int fd, uint64_t fileSize) {
    Bytes prefix(kHeaderSize);
    if (platform::posix::preadFully(fd, prefix.data(), prefix.size(), 0) != prefix.size())
        return std::nullopt;
    auto count = announcedEntryCount(prefix);
    if (!count || headerSizeFor(*count) > fileSize) return std::nullopt;
    Bytes header(headerSizeFor(*count));
    if (platform::posix::preadFully(fd, header.data(), header.size(), 0) != header.size())
        return std::nullopt;
    return parseLayout(header, fileSize);
}

} // namespace fu::appledouble
