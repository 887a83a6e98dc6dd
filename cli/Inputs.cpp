#include "Commands.h"

#include "platform/linux/PosixFile.h"

#include <cstring>
#include <iostream>

namespace fu::cli {

std::optional<Bytes> readInputFile(const std::string& path) {
    int error = 0;
    auto bytes = platform::posix::readFileBytes(path, &error);
    if (!bytes) std::cerr << "fupdef: cannot read " << path << ": " << std::strerror(error) << '\n';
    return bytes;
}

std::optional<Bytes> readFontImage(const std::string& path) { return readInputFile(path); }

} // namespace fu::cli
