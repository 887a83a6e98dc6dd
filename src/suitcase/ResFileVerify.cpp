// Is a file a suitcase, does it hold the font in question (a census over the map alone), and
// does a freshly written suitcase hold exactly what was meant to be written.
#include "suitcase/ResFile.h"

#include "base/ByteReader.h"
#include "platform/Text.h"
#include "suitcase/ResFileLayout.h"
#include "suitcase/ResStatus.h"

#include <algorithm>
#include <array>
#include <limits>
#include <new>
#include <unordered_map>

namespace fu {

using enum ResStatus;

namespace {

constexpr uint32_t kSuitcaseType = fourCC("FFIL");
constexpr uint32_t kFondType = fourCC("FOND");
constexpr uint32_t kSfntType = fourCC("sfnt");
constexpr uint32_t kVersType = fourCC("vers");
// Verification streams every resource through one buffer of this size.
constexpr size_t kCompareBlock = 1024;

// Map length bytes at the map offset; the fork must hold them before anything is allocated.
std::optional<Bytes> readMapOfHeader(platform::ForkRefNum refNum, uint64_t forkLength,
                                     const ResForkHeader& header) {
    if (header.mapLength == 0 || header.mapLength > kResMapMaxLength ||
        !rangeFits(forkLength, header.mapOffset, header.mapLength))
        return std::nullopt;
    Bytes map(header.mapLength);
    if (ResFile::readResouceRefNum(refNum, platform::fsFromStart, header.mapOffset, map.size(),
                                   map) != resNoErr)
        return std::nullopt;
    return map;
}

// A resource name against a given text: decoded from Shift_JIS, canonically equivalent
// sequences equal.
bool nameMatches(const Bytes& shiftJisName, const std::string& text) {
    const std::optional<std::string> name = platform::shiftJisToUtf8(shiftJisName);
    return name && platform::canonicallyEqual(*name, text);
}

} // namespace

bool ResFile::chekSuitcaseFile(const std::string& path) {
    if (path.empty()) return false;
    const std::optional<platform::FileAttributes> attributes = platform::readAttributes(path);
    return attributes && attributes->hfsTypeCode == kSuitcaseType;
}

namespace {

// The map a census reads, from an open fork whose header is sane and whose map lies within it.
ResStatus censusMapOfFork(platform::ForkRefNum refNum, ResMap& map) {
    const std::optional<uint64_t> size = platform::forkSize(refNum);
    if (!size || *size < kResForkHeaderSize) return resErrCensus;
    const std::optional<ResForkHeader> read = detail::readResForkHeaderOfRefNum(refNum);
    if (!read) return resErrCensus;
    const ResForkHeader& header = *read;
    if (header.dataOffset == 0 || header.mapOffset == 0 || header.dataLength == 0 ||
        header.mapLength == 0 || header.dataOffset == header.mapOffset)
        return resErrCensus;
    const bool fits = header.dataOffset < header.mapOffset
                          ? rangeFits(*size, header.mapOffset, header.mapLength)
                          : rangeFits(*size, header.dataOffset, header.dataLength);
    if (!fits) return resErrCensus;
    const std::optional<Bytes> mapData = readMapOfHeader(refNum, *size, header);
    if (!mapData || ResFile::swapResMapStructBigToHostFrom(*mapData, map) != resNoErr)
        return resErrCensus;
    return resNoErr;
}

} // namespace

ResStatus ResFile::checkSuitcaseFontResName(const std::string& resName, const std::string& path,
                                            int64_t& fondCount, int64_t& sfntCount,
                                            int64_t& versCount) {
    fondCount = sfntCount = versCount = 0;
    if (path.empty()) return resErrCensus;
    try {
        platform::ScopedFork fork(path, platform::fsRdPerm);
        if (!fork.isOpen()) return resErrCensus;
        ResMap map;
        if (censusMapOfFork(fork.refNum(), map) != resNoErr ||
            checkSuitcaseFontResName(resName, map, fondCount, sfntCount, versCount) != resNoErr)
            return resErrCensus;
        return resNoErr;
    } catch (const std::bad_alloc&) {
        return resErrCensus;
    }
}

ResStatus ResFile::checkSuitcaseFontResName(const std::string& resName, const ResMap& resMap,
                                            int64_t& fondCount, int64_t& sfntCount,
                                            int64_t& versCount) {
    fondCount = sfntCount = versCount = 0;
    try {
        std::vector<FontResCensus> censuses;
        const ResStatus status = checkSuitcaseFontResName(CensusNames({resName}), resMap, censuses);
        if (!censuses.empty()) {
            fondCount = censuses.front().fondCount;
            sfntCount = censuses.front().sfntCount;
            versCount = censuses.front().versCount;
        }
        return status;
    } catch (const std::bad_alloc&) {
        return resErrMapBounds;
    }
}

ResFile::CensusNames::CensusNames(const std::vector<std::string>& resNames) {
    composed_.reserve(resNames.size());
    for (const std::string& name : resNames)
        composed_.push_back(platform::toNFC(name));
}

ResStatus ResFile::checkSuitcaseFontResName(const CensusNames& names, platform::ForkRefNum refNum,
                                            std::vector<FontResCensus>& censuses) {
    try {
        censuses.assign(names.size(), {});
        ResMap map;
        if (censusMapOfFork(refNum, map) != resNoErr ||
            checkSuitcaseFontResName(names, map, censuses) != resNoErr)
            return resErrCensus;
        return resNoErr;
    } catch (const std::bad_alloc&) {
        return resErrCensus;
    }
}

// One walk for every name: each distinct resource name is decoded and composed once and compared
// with every name, where canonicallyEqual would normalise both for each name and each reference.
ResStatus ResFile::checkSuitcaseFontResName(const CensusNames& names, const ResMap& resMap,
                                            std::vector<FontResCensus>& censuses) {
    try {
        censuses.assign(names.size(), {});
        // Which of the names each distinct name of the map equals; nullopt: it does not decode.
        std::unordered_map<const Bytes*, std::optional<std::vector<bool>>> matches;
        if (static_cast<uint16_t>(resMap.typeCountField + 1) < 3) return resErrCensus;
        for (const ResMapType& type : resMap.types) {
            if (type.resType == 0) return resErrCensus;
            for (const ResMapReference& reference : type.references) {
                if (type.resType == kVersType) {
                    if (reference.resID == 1)
                        for (FontResCensus& census : censuses)
                            ++census.versCount;
                    continue;
                }
                if (type.resType != kFondType && type.resType != kSfntType) continue;
                if (reference.nameOffset == kResMapNoName || !reference.name) return resErrCensus;
                auto [known, fresh] = matches.try_emplace(reference.name.get());
                if (fresh) {
                    const std::optional<std::string> name =
                        platform::shiftJisToUtf8(*reference.name);
                    if (name) {
                        const std::optional<std::string> composed = platform::toNFC(*name);
                        std::vector<bool>& equal = known->second.emplace(censuses.size(), false);
                        for (size_t i = 0; i < censuses.size(); ++i)
                            equal[i] =
                                composed && names.composed_[i] && *composed == *names.composed_[i];
                    }
                }
                if (!known->second) return resErrCensus;
                for (size_t i = 0; i < censuses.size(); ++i)
                    if ((*known->second)[i])
                        ++(type.resType == kFondType ? censuses[i].fondCount
                                                     : censuses[i].sfntCount);
            }
        }
    } catch (const std::bad_alloc&) {
        return resErrMapBounds;
    }
    return resNoErr;
}

ResStatus ResFile::checkResFile(const ResFile& resFile, const ResMap& resMap) {
    if (resMap.typeCount() != static_cast<int64_t>(resFile.resItemLists.size()) ||
        resFile.resItemLists.size() != 3)
        return resErrModelMismatch;
    try {
        for (const ResMapType& type : resMap.types) {
            const int64_t modelCount = resFile.countOfResType(type.resType);
            if (modelCount != type.referenceCount() || modelCount != 1) return resErrModelMismatch;
            for (size_t j = 0; j < type.references.size(); ++j) {
                const ResMapReference& reference = type.references[j];
                const ResItem* item = resFile.resItemByIndex(static_cast<int64_t>(j), type.resType);
                if (!item) return resErrModelMismatch;
                const bool itemNamed = item->resName && !item->resName->empty();
                if (reference.nameOffset == kResMapNoName) {
                    if (itemNamed) return resErrModelMismatch;
                } else if (!itemNamed || !reference.name ||
                           !nameMatches(*reference.name, *item->resName)) {
                    return resErrModelMismatch;
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return resErrModelMismatch;
    }
    return resNoErr;
}

ResStatus ResFile::verifySuitcaseFile(const std::string& path, std::string_view resMapInfo,
                                      ResFile& resFile) {
    if (path.empty()) return resErrVerify;
    try {
        const std::optional<platform::FileAttributes> attributes = platform::readAttributes(path);
        if (!attributes || attributes->hfsTypeCode != kSuitcaseType) return resErrVerify;
        std::optional<Bytes> templateData;
        if (resMapInfo == "*")
            templateData = resFile.orgResMapData;
        else
            templateData = dataFromHexString(resMapInfo);
        if (!templateData || templateData->empty()) return resErrVerify;
        ResMap templateMap;
        if (swapResMapStructBigToHostFrom(*templateData, templateMap) != resNoErr ||
            checkResFile(resFile, templateMap) != resNoErr)
            return resErrVerify;
        return verifyDataOfSuitcaseFile(path, templateMap, resFile);
    } catch (const std::bad_alloc&) {
        return resErrVerify;
    }
}

ResStatus ResFile::verifyDataOfSuitcaseFile(const std::string& path, const ResMap& resMap,
                                            ResFile& resFile) {
    if (path.empty() || resMap.byteLength == 0) return resErrVerify;
    const std::optional<uint16_t> fill = detail::zeroFillOfTemplate(resMap);
    if (!fill) return resErrVerify;

    ResMap expected;
    Bytes expectedBytes;
    uint64_t forkLength = 0;
    try {
        const detail::SuitcaseSizes sizes = detail::suitcaseSizesOfResFile(resFile);
        forkLength = sizes.mapSize + sizes.totalData + *fill + kResForkHeaderSize;
        if (forkLength > std::numeric_limits<uint32_t>::max()) return resErrVerify;
        expected.byteLength = static_cast<uint32_t>(sizes.mapSize);
        if (setupValueOfNewResMapPtr(expected, static_cast<uint32_t>(sizes.totalData), resMap,
                                     *fill, resFile) != resNoErr ||
            swapResMapStructHostToBigFrom(expected, expectedBytes) != resNoErr)
            return resErrVerify;
    } catch (const std::bad_alloc&) {
        return resErrMemory;
    }

    try {
        platform::ScopedFork fork(path, platform::fsRdPerm);
        if (!fork.isOpen()) return resErrVerify;
        const std::optional<uint64_t> size = platform::forkSize(fork.refNum());
        if (!size || *size == 0 || *size != forkLength) return resErrVerify;

        const std::optional<ResForkHeader> header =
            detail::readResForkHeaderOfRefNum(fork.refNum());
        if (!header || header->dataOffset != expected.dataOffset ||
            header->mapOffset != expected.mapOffset || header->dataLength != expected.dataLength ||
            header->mapLength != expected.mapLength)
            return resErrVerify;
        if (header->mapLength != expected.byteLength) return resErrVerify;
        const std::optional<Bytes> mapData = readMapOfHeader(fork.refNum(), *size, *header);
        ResMap onDisk;
        if (!mapData || swapResMapStructBigToHostFrom(*mapData, onDisk) != resNoErr ||
            *mapData != expectedBytes)
            return resErrVerify;

        for (const ResMapType& type : expected.types) {
            ResItem* item = resFile.resItemByIndex(0, type.resType);
            const Bytes* data = item ? item->resData() : nullptr;
            if (!data || data->empty()) return resErrVerify;
            for (const ResMapReference& reference : type.references) {
                const uint64_t position = uint64_t{expected.dataOffset} + reference.dataOffset;
                if (!rangeFits(*size, position, kResDataLengthSize)) return resErrVerify;
                if (ResStatus status = compareFileResRefNum(fork.refNum(), *size, position, *data);
                    status != resNoErr)
                    return status;
            }
        }
        return resNoErr;
    } catch (const std::bad_alloc&) {
        return resErrVerify;
    }
}

ResStatus ResFile::compareFileResRefNum(platform::ForkRefNum refNum, uint64_t fileTotalLength,
                                        uint64_t fileDataOffset, ByteView resItemResData) {
    if (refNum == 0 || fileDataOffset == 0 || resItemResData.empty()) return resErrVerify;
    if (fileDataOffset > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
        return resErrVerify;
    std::array<uint8_t, kResDataLengthSize> word{};
    uint32_t length = 0;
    if (readResouceRefNum(refNum, platform::fsFromStart, static_cast<int64_t>(fileDataOffset),
                          word.size(), word) != resNoErr ||
        !ByteReader(word).readU32(length))
        return resErrVerify;
    if (length == 0 ||
        !rangeFits(fileTotalLength, fileDataOffset, kResDataLengthSize + uint64_t{length}) ||
        resItemResData.size() != length)
        return resErrVerify;

    std::array<uint8_t, kCompareBlock> block{};
    size_t done = 0;
    while (done < length) {
        // Whole blocks first, then the remainder; every read continues at the mark.
        const size_t count = std::min(kCompareBlock, size_t{length} - done);
        const std::span<uint8_t> buffer(block.data(), count);
        if (readResouceRefNum(refNum, platform::fsAtMark, 0, count, buffer) != resNoErr ||
            !compareSrcBufPtr(buffer, resItemResData.subspan(done, count)))
            return resErrVerify;
        done += count;
    }
    return resNoErr;
}

bool ResFile::compareSrcBufPtr(ByteView src, ByteView dst) {
    if (src.empty() || dst.empty() || dst.size() < src.size()) return false;
    return std::equal(src.begin(), src.end(), dst.begin());
}

} // namespace fu
