#include "Commands.h"

#include "platform/linux/PosixFile.h"
#include "suitcase/ResFile.h"

#include <iostream>

namespace fu::cli {

std::optional<Bytes> readInputFile(const std::string& path) {
    int error = 0;
    auto bytes = platform::posix::readFileBytes(path, &error);
    if (!bytes)
        std::cerr << "fupdef: cannot read " << path << ": " << platform::posix::errorText(error)
                  << '\n';
    return bytes;
}

std::optional<Bytes> readFontImage(const std::string& path) {
    // A suitcase keeps its font as an 'sfnt' resource in the fork; its data file is empty.
    constexpr uint32_t kSfnt = fourCC("sfnt");
    if (ResFile::resourceFileSizeOfPath(path).value_or(0) > 0) {
        ResFile resFile;
        if (ResFile::setupResItemListsOfPath(path, resFile) == 0 &&
            resFile.countOfResType(kSfnt) > 0) {
            ResItem* item = resFile.resItemByIndex(0, kSfnt);
            if (resFile.countOfResType(kSfnt) > 1)
                std::cerr << "fupdef: " << path << " holds " << resFile.countOfResType(kSfnt)
                          << " 'sfnt' resources; using the first (ID " << item->resID << ")\n";
            if (const Bytes* data = item->resData()) return *data;
            std::cerr << "fupdef: cannot read the 'sfnt' resource of " << path << '\n';
            return std::nullopt;
        }
    }
    return readInputFile(path);
}

} // namespace fu::cli
