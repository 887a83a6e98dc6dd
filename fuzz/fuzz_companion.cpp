// A whole companion file through the platform layer: the input is the `._name` file beside an
// empty data file. Its attributes and fork read or are refused; a fork that opens reads whole,
// reads back the same after being written over itself, keeps its bytes when more are appended,
// and travels with its attributes when the pair moves.
#include "FuzzFiles.h"

#include "platform/FileAttributes.h"
#include "platform/ForkStorage.h"
#include "platform/MacFiles.h"
#include "platform/OSStatus.h"

#include <cstdlib>

namespace {

using namespace fu;
using namespace fu::platform;

void writeAt(const std::string& path, uint64_t offset, ByteView bytes) {
    const ScopedFork fork(path, fsRdWrPerm);
    if (!fork.isOpen()) std::abort(); // it opened for reading a moment ago
    const ForkTransfer written = writeFork(fork.refNum(), fsFromStart, int64_t(offset), bytes);
    if (written.status == fsDataTooBigErr) return;
    if (written.status != noErr || written.actualCount != bytes.size()) std::abort();
}

bool sameCodes(const std::optional<FileAttributes>& a, const std::optional<FileAttributes>& b) {
    return a.has_value() == b.has_value() &&
           (!a || (a->hfsTypeCode == b->hfsTypeCode && a->hfsCreatorCode == b->hfsCreatorCode));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fuzz::InputFolder folder;
    const std::string file = folder / "Font";
    if (!fuzz::writeWholeFile(file, {}) || !fuzz::writeWholeFile(folder / "._Font", {data, size}))
        std::abort();

    const std::optional<FileAttributes> attributes = readAttributes(file);
    std::optional<Bytes> fork = fuzz::readWholeFork(file);
    if (!fork) {
        if (openForkCount() != 0) std::abort();
        return 0;
    }

    writeAt(file, 0, *fork);
    if (fuzz::readWholeFork(file) != fork || !sameCodes(readAttributes(file), attributes))
        std::abort();

    static constexpr uint8_t kTail[] = {'T', 'A', 'I', 'L'};
    if (fork->size() + sizeof kTail <= kMaxResourceForkLength) {
        writeAt(file, fork->size(), kTail);
        fork->insert(fork->end(), std::begin(kTail), std::end(kTail));
        if (fuzz::readWholeFork(file) != fork) std::abort();
    }
    const std::optional<FileAttributes> beforeMove = readAttributes(file);

    const std::string moved = folder / "Moved";
    if (moveMacFile(file, moved) == noErr) {
        if (macFileExists(file) || fuzz::readWholeFork(moved) != fork ||
            !sameCodes(readAttributes(moved), beforeMove))
            std::abort();
    }
    if (openForkCount() != 0) std::abort();
    return 0;
}
