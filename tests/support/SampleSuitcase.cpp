// Layouts follow Inside Macintosh: Text, "Font Family Resource" ('FOND'), Macintosh Toolbox
// Essentials ('vers') and More Macintosh Toolbox, "Resource Manager" (the map).
#include "support/SampleSuitcase.h"

#include "base/ByteWriter.h"
#include "platform/FileAttributes.h"
#include "platform/ForkStorage.h"
#include "platform/OSStatus.h"
#include "platform/Text.h"
#include "sfnt/Tools.h"
#include "sfnt/VersResource.h"
#include "suitcase/ResStatus.h"

#include <algorithm>
#include <charconv>

using enum fu::ResStatus;

namespace fu::sample {
namespace {

constexpr uint32_t kFond = fourCC("FOND");
constexpr uint32_t kSfnt = fourCC("sfnt");
constexpr uint32_t kVers = fourCC("vers");
constexpr uint8_t kResPurgeable = 0x20;
constexpr uint32_t kClassicDataOffset = 256; // header, then 240 bytes the Resource Manager leaves
constexpr uint16_t kVersRegionJapan = 14;
constexpr uint8_t kVersStageFinal = 0x80;

std::unique_ptr<ResItem> makeItem(uint32_t type, int16_t id, std::optional<std::string> name,
                                  Bytes data) {
    auto item = std::make_unique<ResItem>();
    item->resType = type;
    item->resID = id;
    item->resName = std::move(name);
    item->resDataLength = static_cast<uint32_t>(data.size());
    item->setResData(std::move(data));
    return item;
}

// "1.2.3 (beta)" gives 1, 2, 3; missing numbers are 0.
VersResHeader versHeaderOf(const std::string& shortVersion) {
    VersResHeader header;
    header.stage = kVersStageFinal;
    header.region = kVersRegionJapan;
    const std::string number = Tools::versNumberStringFromVersString(shortVersion).value_or("");
    unsigned parts[3] = {0, 0, 0};
    size_t start = 0;
    for (unsigned& part : parts) {
        if (start >= number.size()) break;
        const size_t dot = std::min(number.find('.', start), number.size());
        std::from_chars(number.data() + start, number.data() + dot, part);
        start = dot + 1;
    }
    header.major = static_cast<uint8_t>(std::min(parts[0], 255u));
    header.minor = static_cast<uint8_t>(std::min(parts[1], 15u));
    header.bugFix = static_cast<uint8_t>(std::min(parts[2], 15u));
    return header;
}

std::string longVersionOf(const SampleSuitcaseOptions& options) {
    return options.longVersion.empty() ? options.shortVersion + ", (C) Font Updater sample"
                                       : options.longVersion;
}

} // namespace

Bytes makeFondResource(int16_t familyID, int16_t sfntResID) {
    ByteWriter fond(60);
    fond.writeU16(0x1000);   // ffFlags: ignore FractEnable; no width table
    fond.writeI16(familyID); // ffFamID
    fond.writeI16(0);        // ffFirstChar
    fond.writeI16(255);      // ffLastChar
    fond.writeI16(0x0C00);   // ffAscent, 4.12 fixed: 0.75 em
    fond.writeI16(-0x0400);  // ffDescent: -0.25 em
    fond.writeI16(0);        // ffLeading
    fond.writeI16(0x0400);   // ffWidMax: 0.25 em
    fond.writeI32(0);        // ffWTabOff: no width table
    fond.writeI32(0);        // ffKernOff: no kerning table
    fond.writeI32(0);        // ffStylOff: no style-mapping table
    for (int i = 0; i < 9; ++i)
        fond.writeI16(0); // ffProperty: no extra style widths
    fond.writeI16(0);     // ffIntl
    fond.writeI16(0);
    fond.writeI16(2); // ffVersion
    // Font association table: one outline font for every size and plain style.
    fond.writeI16(0);         // number of entries - 1
    fond.writeI16(0);         // fontSize 0: scalable
    fond.writeI16(0);         // fontStyle: plain
    fond.writeI16(sfntResID); // fontID
    return fond.take();
}

std::optional<Bytes> makeVersResource(const std::string& shortVersion,
                                      const std::string& longVersion) {
    const std::optional<Bytes> shortText = platform::utf8ToShiftJis(shortVersion);
    const std::optional<Bytes> longText = platform::utf8ToShiftJis(longVersion);
    if (!shortText || !longText) return std::nullopt;
    ResItem item;
    item.setResData(Bytes{0}); // the routine rewrites an existing resource
    if (!writeVersResItem(&item, versHeaderOf(shortVersion), *shortText, *longText))
        return std::nullopt;
    return *item.resData();
}

std::optional<Bytes> makeSampleTemplateMap(const std::string& resName, int16_t resID,
                                           const std::array<uint32_t, 3>& fondSfntVersLengths) {
    const std::optional<Bytes> name = platform::utf8ToShiftJis(resName);
    if (!name || name->empty() || name->size() > 255) return std::nullopt;

    constexpr uint16_t kTypeListOffset = kResMapHeaderSize;
    constexpr uint16_t kReferenceLists = 2 + 3 * kResTypeEntrySize; // from the type list
    uint32_t dataLength = 0;
    for (uint32_t length : fondSfntVersLengths)
        dataLength += length + 4;
    ResMap map;
    map.typeListOffset = kTypeListOffset;
    map.nameListOffset = kTypeListOffset + kReferenceLists + 3 * kResReferenceSize;
    map.byteLength = map.nameListOffset + 2 * static_cast<uint32_t>(name->size() + 1);
    map.dataOffset = kClassicDataOffset;
    map.mapOffset = kClassicDataOffset + dataLength;
    map.dataLength = dataLength;
    map.mapLength = map.byteLength;
    map.typeCountField = 2;

    // The 'sfnt' record goes last: record offsets are 24-bit, and a font of more than 16 MB must
    // not push another record's start beyond them.
    const uint32_t types[] = {kFond, kVers, kSfnt};
    const uint32_t lengths[] = {fondSfntVersLengths[0], fondSfntVersLengths[2],
                                fondSfntVersLengths[1]};
    uint32_t recordOffset = 0;
    uint16_t nameOffset = 0;
    for (uint16_t i = 0; i < 3; ++i) {
        ResMapType type;
        type.resType = types[i];
        type.countField = 0;
        type.referenceListOffset = kReferenceLists + i * kResReferenceSize;
        ResMapReference reference;
        reference.resID = types[i] == kVers ? 1 : resID;
        reference.dataOffset = recordOffset;
        recordOffset += lengths[i] + 4;
        if (types[i] != kVers) {
            reference.attributes = kResPurgeable;
            reference.nameOffset = nameOffset;
            reference.name = std::make_shared<const Bytes>(*name);
            nameOffset = static_cast<uint16_t>(nameOffset + name->size() + 1);
        }
        type.references.push_back(std::move(reference));
        map.types.push_back(std::move(type));
    }
    Bytes bytes;
    if (ResFile::swapResMapStructHostToBigFrom(map, bytes) != resNoErr) return std::nullopt;
    return bytes;
}

std::unique_ptr<ResFile> makeSampleSuitcaseModel(ByteView sfntImage,
                                                 const SampleSuitcaseOptions& options) {
    std::optional<Bytes> vers = makeVersResource(options.shortVersion, longVersionOf(options));
    if (!vers || sfntImage.empty()) return nullptr;
    Bytes fond = makeFondResource(options.resID, options.resID);
    std::optional<Bytes> templateMap = makeSampleTemplateMap(
        options.resName, options.resID,
        {static_cast<uint32_t>(fond.size()), static_cast<uint32_t>(sfntImage.size()),
         static_cast<uint32_t>(vers->size())});
    if (!templateMap) return nullptr;

    auto model = std::make_unique<ResFile>();
    model->suitcase = options.typeCode == fourCC("FFIL");
    model->resFileAttr = platform::FileAttributes{};
    model->resFileAttr->hfsTypeCode = options.typeCode;
    model->resFileAttr->hfsCreatorCode = options.creatorCode;
    model->orgResMapData = std::move(*templateMap);
    if (!model->addResItem(makeItem(kFond, options.resID, options.resName, std::move(fond))) ||
        !model->addResItem(makeItem(kSfnt, options.resID, options.resName,
                                    Bytes(sfntImage.begin(), sfntImage.end()))) ||
        !model->addResItem(makeItem(kVers, 1, std::nullopt, std::move(*vers))))
        return nullptr;
    return model;
}

ResStatus writeSampleSuitcase(const std::string& path, ByteView sfntImage,
                              const SampleSuitcaseOptions& options) {
    std::unique_ptr<ResFile> model = makeSampleSuitcaseModel(sfntImage, options);
    if (!model) return resErrArgument;
    const std::optional<std::string> mapInfo = ResFile::hexStringFromData(model->orgResMapData);
    if (!mapInfo) return resErrArgument;
    return ResFile::exportSuitcaseFile(path, *mapInfo, *model);
}

int16_t writeForkFile(const std::string& path, ByteView fork, uint32_t typeCode,
                      uint32_t creatorCode) {
    const size_t slash = path.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? "." : path.substr(0, std::max<size_t>(slash, 1));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (int16_t status = platform::createFileWithEmptyFork(folder, name); status != platform::noErr)
        return status;
    if (!fork.empty()) {
        platform::ScopedFork handle(path, platform::fsRdWrPerm);
        if (!handle.isOpen()) return handle.openStatus();
        if (ResStatus status =
                ResFile::writeResouceRefNum(handle.refNum(), platform::fsFromStart, 0, fork);
            status != resNoErr)
            return code(status);
    }
    platform::FileAttributes attributes;
    attributes.hfsTypeCode = typeCode;
    attributes.hfsCreatorCode = creatorCode;
    const platform::AttributeResult applied = platform::applyAttributes(path, attributes);
    return applied.ok ? platform::noErr : (applied.error ? applied.error : platform::ioErr);
}

std::optional<Bytes> readForkFile(const std::string& path) {
    platform::ScopedFork handle(path, platform::fsRdPerm);
    const std::optional<uint64_t> size =
        handle.isOpen() ? platform::forkSize(handle.refNum()) : std::nullopt;
    if (!size) return std::nullopt;
    Bytes fork(static_cast<size_t>(*size));
    if (!fork.empty() && ResFile::readResouceRefNum(handle.refNum(), platform::fsFromStart, 0,
                                                    fork.size(), fork) != resNoErr)
        return std::nullopt;
    return fork;
}

} // namespace fu::sample
