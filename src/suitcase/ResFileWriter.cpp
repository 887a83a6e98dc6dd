// Writing a suitcase without a resource manager: the map is built from a template map and the
// model, and the fork is written in one pass as header, zero fill, data records and map. The
// result is read back and verified before it counts as written.
#include "suitcase/ResFile.h"

#include "base/ByteWriter.h"
#include "platform/OSStatus.h"
#include "platform/Text.h"
#include "suitcase/ResFileLayout.h"
#include "suitcase/ResStatus.h"

#include <limits>
#include <new>

namespace fu {

using enum ResStatus;

ResStatus ResFile::setupValueOfNewResMapPtr(ResMap& newResMap, uint32_t totalNewResDataByte,
                                            const ResMap& paramResMap, uint16_t paramZeroFillByte,
                                            ResFile& resFile) {
    if (newResMap.byteLength == 0 || paramResMap.byteLength == 0) return resErrArgument;
    try {
        const uint32_t byteLength = newResMap.byteLength;
        newResMap = ResMap{};
        newResMap.byteLength = byteLength;
        newResMap.dataOffset = uint32_t{paramZeroFillByte} + kResForkHeaderSize;
        newResMap.mapOffset = newResMap.dataOffset + totalNewResDataByte;
        newResMap.dataLength = totalNewResDataByte;
        newResMap.mapLength = paramResMap.mapLength;
        newResMap.nextMapHandle = paramResMap.nextMapHandle;
        newResMap.fileRefNum = paramResMap.fileRefNum;
        newResMap.mapAttributes = paramResMap.mapAttributes;
        newResMap.typeListOffset = paramResMap.typeListOffset;
        newResMap.nameListOffset = paramResMap.nameListOffset;

        if (resFile.resItemLists.size() != 3) return resErrModelTypes;
        if (paramResMap.typeCountField != 2 || paramResMap.types.size() != 3)
            return resErrTemplateTypes;
        newResMap.typeCountField = 2;

        uint64_t dataOffset = 0;
        uint32_t nameOffset = 0;
        for (const ResMapType& templateType : paramResMap.types) {
            if (resFile.countOfResType(templateType.resType) != 1) return resErrItemCount;
            if (templateType.countField != 0 || templateType.references.size() != 1)
                return resErrTemplateRefs;
            ResMapType type;
            type.resType = templateType.resType;
            type.countField = 0;
            type.referenceListOffset = templateType.referenceListOffset;

            ResItem* item = resFile.resItemByIndex(0, templateType.resType);
            const Bytes* data = item ? item->resData() : nullptr;
            if (!data || data->empty()) return resErrNoItemData;
            if (dataOffset + data->size() > kResMaxDataOffset) return resErrDataOffset;

            const ResMapReference& templateReference = templateType.references.front();
            ResMapReference reference;
            reference.resID = item->resID;
            reference.attributes = templateReference.attributes;
            reference.dataOffset = static_cast<uint32_t>(dataOffset);
            reference.handle = templateReference.handle;
            if (item->resName && !item->resName->empty()) {
                std::optional<Bytes> name = platform::utf8ToShiftJis(*item->resName);
                if (!name || name->empty()) return resErrNameEncoding;
                if (name->size() > 255) return resErrNameTooLong;
                reference.nameOffset = static_cast<uint16_t>(nameOffset);
                nameOffset += static_cast<uint32_t>(name->size()) + 1;
                reference.name = std::make_shared<const Bytes>(std::move(*name));
            } else {
                reference.nameOffset = kResMapNoName;
            }
            dataOffset += kResDataLengthSize + data->size();
            type.references.push_back(std::move(reference));
            newResMap.types.push_back(std::move(type));
        }
        return resNoErr;
    } catch (const std::bad_alloc&) {
        return resErrMemory;
    }
}

ResStatus ResFile::writeResourceDataRefNum(platform::ForkRefNum refNum, int posMode,
                                           int64_t posOffset, const ResMap& newResMap,
                                           ResFile& resFile) {
    uint64_t running = 0;
    bool first = true;
    for (const ResMapType& type : newResMap.types) {
        if (resFile.countOfResType(type.resType) != 1 || type.countField != 0 ||
            type.references.size() != 1)
            return resErrArgument;
        ResItem* item = resFile.resItemByIndex(0, type.resType);
        if (!item || type.references.front().dataOffset != running) return resErrArgument;
        const Bytes* data = item->resData();
        if (!data || data->empty() || data->size() > std::numeric_limits<uint32_t>::max())
            return resErrArgument;

        int mode = platform::fsAtMark;
        int64_t offset = 0;
        if (first) {
            if (posMode == platform::fsFromStart) {
                mode = platform::fsFromStart;
                offset = static_cast<int64_t>(running) + posOffset;
            } else if (posMode != platform::fsAtMark) {
                return resErrArgument;
            }
        }
        ByteWriter lengthWord(kResDataLengthSize);
        lengthWord.writeU32(static_cast<uint32_t>(data->size()));
        if (ResStatus status = writeResouceRefNum(refNum, mode, offset, lengthWord.bytes());
            status != resNoErr)
            return status;
        if (ResStatus status = writeResouceRefNum(refNum, platform::fsAtMark, 0, *data);
            status != resNoErr)
            return status;
        running += kResDataLengthSize + data->size();
        first = false;
    }
    return resNoErr;
}

namespace {

// The fork as planned before anything touches the disk.
struct PlannedFork {
    Bytes map; // on-disk form; its first 16 bytes are the fork header
    uint16_t fill = 0;
    ResMap newMap;
};

ResStatus planFork(std::string_view resMapInfo, ResFile& resFile, PlannedFork& plan) {
    std::optional<Bytes> templateData;
    if (resMapInfo == "*") {
        templateData = resFile.orgResMapData;
    } else {
        if (resMapInfo.empty()) return resErrArgument;
        templateData = ResFile::dataFromHexString(resMapInfo);
        if (!templateData) return resErrNoTemplate;
    }
    if (templateData->empty()) return resErrNoTemplate;

    ResMap templateMap;
    if (ResStatus status = ResFile::swapResMapStructBigToHostFrom(*templateData, templateMap);
        status != resNoErr)
        return status;
    if (ResStatus status = ResFile::checkResFile(resFile, templateMap); status != resNoErr)
        return status;

    // A template whose header copy implies no usable fill cannot place the data area.
    const std::optional<uint16_t> fill = detail::zeroFillOfTemplate(templateMap);
    if (!fill) return resErrArgument;
    const detail::SuitcaseSizes sizes = detail::suitcaseSizesOfResFile(resFile);
    // The new names must take exactly the template's bytes: the template fixes every offset.
    if (sizes.mapSize != templateMap.byteLength) return resErrTemplateLength;
    if (uint64_t{templateMap.byteLength} + sizes.totalData + *fill + kResForkHeaderSize >
        std::numeric_limits<uint32_t>::max())
        return resErrFileTooLarge;

    plan.fill = *fill;
    plan.newMap.byteLength = templateMap.byteLength;
    if (ResStatus status = ResFile::setupValueOfNewResMapPtr(
            plan.newMap, static_cast<uint32_t>(sizes.totalData), templateMap, *fill, resFile);
        status != resNoErr)
        return status;
    return ResFile::swapResMapStructHostToBigFrom(plan.newMap, plan.map);
}

ResStatus writeFork(const std::string& path, const PlannedFork& plan, ResFile& resFile) {
    platform::ScopedFork fork(path, platform::fsRdWrPerm);
    if (!fork.isOpen()) return resErrOpenFork;
    const ByteView map(plan.map);
    if (ResFile::writeResouceRefNum(fork.refNum(), platform::fsFromStart, 0,
                                    map.first(kResForkHeaderSize)) != resNoErr)
        return resErrWrite;
    // A template with its data right after the header has no fill to write.
    if (plan.fill > 0) {
        const Bytes zeros(plan.fill, 0);
        if (ResFile::writeResouceRefNum(fork.refNum(), platform::fsAtMark, 0, zeros) != resNoErr)
            return resErrWrite;
    }
    if (ResFile::writeResourceDataRefNum(fork.refNum(), platform::fsAtMark, 0, plan.newMap,
                                         resFile) != resNoErr ||
        ResFile::writeResouceRefNum(fork.refNum(), platform::fsAtMark, 0, map) != resNoErr)
        return resErrWrite;
    return resNoErr;
}

} // namespace

ResStatus ResFile::exportSuitcaseFile(const std::string& path, std::string_view resMapInfo,
                                      ResFile& resFile) {
    if (path.empty()) return resErrArgument;
    try {
        PlannedFork plan;
        if (ResStatus status = planFork(resMapInfo, resFile, plan); status != resNoErr)
            return status;

        const size_t slash = path.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "."
                                   : slash == 0               ? "/"
                                                              : path.substr(0, slash);
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        if (platform::createFileWithEmptyFork(folder, name) != platform::noErr) return resErrCreate;
        if (ResStatus status = writeFork(path, plan, resFile); status != resNoErr) return status;

        if (resFile.resFileAttr) {
            const platform::AttributeResult applied =
                platform::applyAttributes(path, *resFile.resFileAttr);
            if (!applied.ok || applied.error != platform::noErr) return resErrAttributes;
        }
        return verifySuitcaseFile(path, resMapInfo, resFile);
    } catch (const std::bad_alloc&) {
        return resErrMemory;
    }
}

} // namespace fu
