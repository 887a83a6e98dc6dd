#include "Commands.h"

#include "definition/DefinitionFile.h"
#include "definition/DefinitionPayload.h"
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

std::unique_ptr<EngineSession> loadEngineSession(const std::string& path,
                                                 const std::string& copyright) {
    auto session = std::make_unique<EngineSession>();
    session->context.appCopyrightStr = copyright;
    std::optional<Bytes> bytes = path.empty() ? std::nullopt : readDefinitionFile(path);
    const bool read = bytes && !bytes->empty();
    LoadedDefinition loaded;
    if (read) loaded = loadDefinition(std::move(*bytes), copyright, TrustStore::system());
    if (read && loaded.containerFailure == ContainerFailure::None &&
        loaded.payloadFailure != PayloadFailure::None) {
        std::cerr << "fupdef: " << path
                  << " refused: " << describePayloadFailure(loaded.payloadFailure) << '\n';
        return nullptr;
    }
    if (!read || !loaded.loaded()) {
        std::cerr << "fupdef: " << path
                  << ": the definition cannot be read (fupdef show tells why)\n";
        return nullptr;
    }
    session->context.adoptDefinition(loaded);
    return session;
}

std::optional<Bytes> readFontImage(const std::string& path) {
    // A suitcase keeps its font as an 'sfnt' resource in the fork; its data file is empty.
    constexpr uint32_t kSfnt = fourCC("sfnt");
    if (ResFile::resourceFileSizeOfPath(path).value_or(0) > 0) {
        ResFile resFile;
        if (ResFile::setupResItemListsOfPath(path, resFile) == ResStatus::resNoErr &&
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
