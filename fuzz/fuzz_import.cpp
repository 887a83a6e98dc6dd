// What `fupdef import` reads: MacBinary, AppleSingle or a bare fork, parsed and, when accepted,
// imported into a new Mac file whose data file, fork and codes must read back as parsed.
#include "FuzzFiles.h"

#include "platform/FileAttributes.h"
#include "platform/ForkStorage.h"
#include "platform/MacFiles.h"
#include "platform/OSStatus.h"
#include "suitcase/MacContainer.h"

#include <cstdlib>

using namespace fu;
using namespace fu::platform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const MacContainerResult parsed = parseMacContainer({data, size});
    if (!parsed.contents) {
        if (parsed.reason.empty()) std::abort();
        return 0;
    }
    const MacContainerContents& contents = *parsed.contents;

    const fuzz::InputFolder folder;
    const std::string output = folder / "Imported";
    const MacImportResult result = importMacContainer(contents, output, std::nullopt, std::nullopt);
    if (!result.ok) {
        if (result.reason.empty() || macFileExists(output)) std::abort();
        return 0;
    }
    if (fuzz::readWholeFile(output) != contents.dataFork) std::abort();
    if (fuzz::readWholeFork(output).value_or(Bytes{1}) != contents.resourceFork) std::abort();
    const std::optional<FileAttributes> attributes = readAttributes(output);
    if (!attributes) std::abort();
    const uint32_t type =
        contents.kind == MacContainerContents::RawFork ? fourCC("FFIL") : contents.type.value_or(0);
    if (contents.type || contents.kind == MacContainerContents::RawFork)
        if (attributes->hfsTypeCode != type) std::abort();
    if (openForkCount() != 0) std::abort();
    return 0;
}
