// The resource map reader over a fork held in memory: whatever the bytes, nothing may crash;
// a map that converts must write back so that every structure reads the same again, and the
// census runs over whatever was parsed.
#include "base/ByteReader.h"
#include "suitcase/ResFile.h"
#include "suitcase/ResForkRecords.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace fu;
    const ByteView input(data, size);
    const std::optional<ResForkHeader> header = readResForkHeader(input);
    if (!header) return 0;
    // A header that does not place a map inside the fork: take the whole input as a map, so the
    // fuzzer reaches the map parser either way.
    const std::optional<ByteReader> mapReader =
        ByteReader(input).child(header->mapOffset, header->mapLength);
    const ByteView mapBytes = mapReader ? mapReader->data() : input;

    ResMap map;
    const ResStatus status = ResFile::swapResMapStructBigToHostFrom(mapBytes, map);
    int64_t fond = 0, sfnt = 0, vers = 0;
    (void)ResFile::checkSuitcaseFontResName("Test TTF", map, fond, sfnt, vers);
    if (status != ResStatus::resNoErr) return 0;

    Bytes written;
    if (ResFile::swapResMapStructHostToBigFrom(map, written) != ResStatus::resNoErr) std::abort();
    if (written.size() != mapBytes.size()) std::abort();
    // Bytes no structure covers come back as zero; every other byte as it was.
    for (size_t i = 0; i < written.size(); ++i)
        if (written[i] != 0 && written[i] != mapBytes[i]) std::abort();
    ResMap again;
    Bytes rewritten;
    if (ResFile::swapResMapStructBigToHostFrom(written, again) != ResStatus::resNoErr ||
        !(again == map) ||
        ResFile::swapResMapStructHostToBigFrom(again, rewritten) != ResStatus::resNoErr ||
        rewritten != written)
        std::abort();

    if (!mapBytes.empty() &&
        ResFile::dataFromHexString(ResFile::hexStringFromData(mapBytes).value_or("")) !=
            Bytes(mapBytes.begin(), mapBytes.end()))
        std::abort();
    return 0;
}
