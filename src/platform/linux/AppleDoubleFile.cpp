#include "platform/linux/AppleDoubleFile.h"

#include "platform/OSStatus.h"
#include "platform/linux/PosixFile.h"

#include <algorithm>

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

std::optional<Layout> readLayoutAndHead(int fd, uint64_t fileSize, Bytes& head) {
    head.resize(static_cast<size_t>(std::min<uint64_t>(fileSize, kHeadReadSize)));
    head.resize(platform::posix::preadFully(fd, head.data(), head.size(), 0));
    if (head.size() < kHeaderSize) return std::nullopt;
    auto count = announcedEntryCount(head);
    if (!count || headerSizeFor(*count) > fileSize) return std::nullopt;
    if (headerSizeFor(*count) <= head.size()) return parseLayout(head, fileSize);
    return readLayout(fd, fileSize);
}

std::optional<Document> readDocument(const std::string& path, int16_t& status) {
    int error = 0;
    auto bytes = platform::posix::readFileBytes(path, &error, kMaxCompanionReadWhole);
    if (!bytes) {
        status = platform::osErrFromErrno(error);
        return std::nullopt;
    }
    auto document = parseDocument(*bytes);
    status = document ? platform::noErr : platform::ioErr;
    return document;
}

} // namespace fu::appledouble
