// MacBinary (the MacBinary I, II and III documents), AppleSingle (Apple's AppleSingle/AppleDouble
// developer notes, version 1 and version 2 as in RFC 1740) and bare resource forks (Inside
// Macintosh: More Macintosh Toolbox, "Resource File Format").
//
// What a container may get wrong and still be read:
// - MacBinary: a last fork without its padding to 128 bytes; a Get Info comment after the
//   resource fork (ignored). MacBinary II and III must carry a correct header CRC; MacBinary I
//   has none, so it is only taken when every zero field is zero and the file ends within the
//   padding of its last fork.
// - AppleSingle: entries in any order, with gaps, and entries we do not use; a filler that is not
//   zero (macOS writes "Mac OS X" there). Refused: entries outside the file or over the header, a
//   second copy of an entry we use, entry ID 0.
// - A bare fork is only checked for a consistent 16-byte header here; the map is the fork
//   reader's business.
#include "suitcase/MacContainer.h"

#include "base/AppleDouble.h"
#include "base/ByteReader.h"
#include "base/Hex.h"
#include "base/MacDates.h"
#include "platform/FileAttributes.h"
#include "platform/ForkStorage.h"
#include "platform/MacFiles.h"
#include "platform/OSStatus.h"
#include "platform/Text.h"
#include "suitcase/ResForkRecords.h"

#include <algorithm>
#include <string_view>

namespace fu {

namespace {

using Contents = MacContainerContents;
namespace ad = appledouble;
using std::chrono::sys_seconds;

constexpr size_t kMacBinaryHeaderSize = 128;
constexpr size_t kMacBinaryCrcCovered = 124;
constexpr uint8_t kMacBinary3Version = 130; // bytes 122 and 123 count versions: II 129, III 130
constexpr uint32_t kMacBinary1MaxForkLength = 0x007FFFFF;

MacContainerResult refuse(std::string reason) { return {std::nullopt, std::move(reason)}; }

std::string hex(uint32_t value, int digits) { return "0x" + hexNumber(value, digits); }

// CRC-16/XMODEM: CCITT polynomial 0x1021, initial value 0, no reflection, no final XOR.
uint16_t crc16Xmodem(ByteView bytes) {
    uint16_t crc = 0;
    for (uint8_t byte : bytes) {
        crc ^= static_cast<uint16_t>(byte << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

uint64_t padded128(uint64_t length) { return (length + 127) / 128 * 128; }

// Classic Mac dates: unsigned seconds since 1904-01-01 in the writer's local time, which the
// file does not record; we take them as UTC. Zero means "never set".
std::optional<sys_seconds> macDate(uint32_t value) {
    if (value == 0) return std::nullopt;
    return dateFromMacSeconds(value);
}

// File names are in the Mac script the file was named in; MacBinary III records it, and
// everything else is taken as Mac Roman.
std::optional<std::string> decodeMacName(ByteView bytes, uint8_t script) {
    constexpr uint8_t smJapanese = 1;
    if (script == smJapanese) return platform::shiftJisToUtf8(bytes);
    return platform::decodeCharset(bytes, "macos-0_2-10.2");
}

bool allZero(ByteView bytes) {
    for (uint8_t byte : bytes)
        if (byte != 0) return false;
    return true;
}

// --- MacBinary -----------------------------------------------------------------------------

enum class MacBinaryClaim { None, Version1, Version2Or3 };

// Header fields at their MacBinary offsets.
struct MacBinaryHeader {
    uint8_t zero0 = 0, nameLength = 0;
    ByteView name;
    uint32_t fileType = 0, fileCreator = 0;
    uint8_t zero74 = 0, zero82 = 0;
    uint32_t dataForkLength = 0, resourceForkLength = 0;
    uint32_t creationDate = 0, modificationDate = 0;
    uint32_t signature = 0;
    uint8_t script = 0;
    uint16_t secondaryHeaderLength = 0;
    uint8_t writerVersion = 0, readerVersion = 0;
    uint16_t crc = 0;
    ByteView header;
};

std::optional<MacBinaryHeader> readMacBinaryHeader(const ByteReader& file) {
    MacBinaryHeader h;
    if (!file.bytesAt(0, kMacBinaryHeaderSize, h.header)) return std::nullopt;
    const ByteReader r(h.header);
    // Every read below lies inside the 128 bytes just taken.
    if (!(r.u8At(0, h.zero0) && r.u8At(1, h.nameLength) && r.u32At(65, h.fileType) &&
          r.u32At(69, h.fileCreator) && r.u8At(74, h.zero74) && r.u8At(82, h.zero82) &&
          r.u32At(83, h.dataForkLength) && r.u32At(87, h.resourceForkLength) &&
          r.u32At(91, h.creationDate) && r.u32At(95, h.modificationDate) &&
          r.u32At(102, h.signature) && r.u8At(106, h.script) &&
          r.u16At(120, h.secondaryHeaderLength) && r.u8At(122, h.writerVersion) &&
          r.u8At(123, h.readerVersion) && r.u16At(124, h.crc)))
        return std::nullopt;
    if (h.nameLength >= 1 && h.nameLength <= 63 && !r.bytesAt(2, h.nameLength, h.name))
        return std::nullopt;
    return h;
}

// What the header says it is, before anything is checked beyond the fields every version has.
MacBinaryClaim macBinaryClaim(const MacBinaryHeader& h) {
    if (h.zero0 != 0 || h.zero74 != 0 || h.nameLength < 1 || h.nameLength > 63)
        return MacBinaryClaim::None;
    const bool laterVersion =
        h.signature == fourCC("mBIN") || h.writerVersion != 0 || h.readerVersion != 0 || h.crc != 0;
    return laterVersion ? MacBinaryClaim::Version2Or3 : MacBinaryClaim::Version1;
}

MacContainerResult parseMacBinaryHeader(const ByteReader& file, const MacBinaryHeader& h,
                                        MacBinaryClaim claim) {
    Contents contents;
    std::string label;
    if (claim == MacBinaryClaim::Version2Or3) {
        const bool version3 = h.signature == fourCC("mBIN");
        contents.kind = version3 ? Contents::MacBinary3 : Contents::MacBinary2;
        label = version3 ? "MacBinary III" : "MacBinary II";
        const uint16_t computed = crc16Xmodem(h.header.first(kMacBinaryCrcCovered));
        if (computed != h.crc)
            return refuse(label + ": header CRC " + hex(h.crc, 4) + " does not match the header (" +
                          hex(computed, 4) + ")");
        if (h.readerVersion > kMacBinary3Version)
            return refuse(label + ": written for a MacBinary version newer than III (byte 123 is " +
                          std::to_string(h.readerVersion) + ")");
        if (h.zero82 != 0) return refuse(label + ": header byte 82 is not zero");
    } else {
        contents.kind = Contents::MacBinary1;
        label = "MacBinary I";
        const ByteReader header(h.header);
        ByteView tail;
        if (h.zero82 != 0 || !header.bytesAt(99, kMacBinaryHeaderSize - 99, tail) || !allZero(tail))
            return refuse(label + ": header bytes 82 and 99 to 127 are not all zero");
        if (h.dataForkLength > kMacBinary1MaxForkLength ||
            h.resourceForkLength > kMacBinary1MaxForkLength)
            return refuse(label + ": fork lengths above 8 MB");
    }

    const uint64_t dataStart = kMacBinaryHeaderSize + padded128(h.secondaryHeaderLength);
    const uint64_t resourceStart = dataStart + padded128(h.dataForkLength);
    const uint64_t end =
        h.resourceForkLength ? resourceStart + h.resourceForkLength : dataStart + h.dataForkLength;
    if (end > file.size())
        return refuse(label + ": the forks (" + std::to_string(h.dataForkLength) + " and " +
                      std::to_string(h.resourceForkLength) +
                      " bytes) run past the end of the file (" + std::to_string(file.size()) +
                      " bytes)");
    if (claim == MacBinaryClaim::Version1 && file.size() > padded128(end))
        return refuse(label + ": " + std::to_string(file.size() - padded128(end)) +
                      " bytes follow the forks");

    ByteView dataFork, resourceFork;
    if (!file.bytesAt(dataStart, h.dataForkLength, dataFork) ||
        (h.resourceForkLength && !file.bytesAt(resourceStart, h.resourceForkLength, resourceFork)))
        return refuse(label + ": the forks run past the end of the file");
    contents.dataFork.assign(dataFork.begin(), dataFork.end());
    contents.resourceFork.assign(resourceFork.begin(), resourceFork.end());
    contents.name = decodeMacName(h.name, contents.kind == Contents::MacBinary3 ? h.script : 0);
    contents.type = h.fileType;
    contents.creator = h.fileCreator;
    contents.created = macDate(h.creationDate);
    contents.modified = macDate(h.modificationDate);
    return {std::move(contents), {}};
}

// --- AppleSingle ---------------------------------------------------------------------------

bool isMacintoshHome(ByteView homeFileSystem) {
    constexpr std::string_view macintosh = "Macintosh";
    return toString(homeFileSystem).starts_with(macintosh);
}

// A name that is valid UTF-8 is taken as it is (macOS writes UTF-8); otherwise Mac Roman.
std::optional<std::string> decodeRealName(ByteView bytes) {
    std::string text = toString(bytes);
    if (platform::utf16Length(text)) return text;
    return decodeMacName(bytes, 0);
}

// --- import --------------------------------------------------------------------------------

int16_t writeWholeResourceFork(const std::string& path, ByteView fork) {
    platform::ScopedFork handle(path, platform::fsRdWrPerm);
    if (!handle.isOpen()) return handle.openStatus();
    size_t written = 0;
    while (written < fork.size()) {
        const auto transfer =
            platform::writeFork(handle.refNum(), platform::fsFromStart,
                                static_cast<int64_t>(written), fork.subspan(written));
        written += transfer.actualCount;
        if (transfer.status != platform::noErr) return transfer.status;
        if (transfer.actualCount == 0) return platform::ioErr;
    }
    return platform::noErr;
}

} // namespace

MacContainerResult parseMacBinary(ByteView bytes) {
    const ByteReader file(bytes);
    auto header = readMacBinaryHeader(file);
    if (!header) return refuse("MacBinary: shorter than the 128-byte header");
    const MacBinaryClaim claim = macBinaryClaim(*header);
    if (claim == MacBinaryClaim::None)
        return refuse("MacBinary: header bytes 0 and 74 must be zero and the name 1 to 63 bytes");
    return parseMacBinaryHeader(file, *header, claim);
}

MacContainerResult parseAppleSingle(ByteView bytes) {
    if (ad::magicOf(bytes) != ad::kAppleSingleMagic)
        return refuse("AppleSingle: no AppleSingle magic number");
    const std::optional<ad::Header> header = ad::readHeader(bytes);
    if (!header) return refuse("AppleSingle: the header is cut short");
    const uint32_t version = header->version;
    const uint16_t count = header->entryCount;
    if (version != ad::kVersion1 && version != ad::kVersion2)
        return refuse("AppleSingle: version " + hex(version, 8) + " is neither 1 nor 2");
    if (!rangeFits(bytes.size(), ad::kHeaderSize, size_t(count) * ad::kDescriptorSize))
        return refuse("AppleSingle: " + std::to_string(count) +
                      " entry descriptors run past the end of the file");

    const ByteReader reader(bytes);
    Contents contents;
    contents.kind = Contents::AppleSingle;
    std::vector<uint32_t> used;
    for (uint16_t i = 0; i < count; ++i) {
        const std::optional<ad::EntryDescriptor> descriptor = ad::readDescriptor(bytes, i);
        if (!descriptor) return refuse("AppleSingle: the entry descriptors are cut short");
        const auto [id, offset, length] = *descriptor;
        ByteView entry;
        if (!reader.bytesAt(offset, length, entry))
            return refuse("AppleSingle: entry " + std::to_string(id) + " (" +
                          std::to_string(length) + " bytes at " + std::to_string(offset) +
                          ") lies outside the file");
        if (id == 0) return refuse("AppleSingle: entry ID 0 is invalid");
        if (length > 0 && offset < ad::headerSizeFor(count))
            return refuse("AppleSingle: entry " + std::to_string(id) + " overlaps the header");

        const bool isUsed = id == ad::DataForkEntry || id == ad::ResourceForkEntry ||
                            id == ad::RealNameEntry || id == ad::FinderInfoEntry ||
                            (id == ad::FileDatesEntry && version == ad::kVersion2) ||
                            (id == ad::FileInfoEntry && version == ad::kVersion1);
        if (!isUsed) {
            contents.ignoredEntries.push_back(id);
            continue;
        }
        for (uint32_t seen : used)
            if (seen == id)
                return refuse("AppleSingle: entry " + std::to_string(id) + " appears twice");
        used.push_back(id);

        switch (id) {
        case ad::DataForkEntry: contents.dataFork.assign(entry.begin(), entry.end()); break;
        case ad::ResourceForkEntry: contents.resourceFork.assign(entry.begin(), entry.end()); break;
        case ad::RealNameEntry: contents.name = decodeRealName(entry); break;
        case ad::FinderInfoEntry: {
            const auto codes =
                entry.size() < ad::kFinderInfoSize ? std::nullopt : ad::parseFinderCodes(entry);
            if (!codes) {
                contents.ignoredEntries.push_back(id);
                break;
            }
            contents.type = codes->type;
            contents.creator = codes->creator;
            break;
        }
        case ad::FileDatesEntry: {
            const std::optional<ad::FileDates> dates = ad::parseFileDates(entry);
            if (!dates) {
                contents.ignoredEntries.push_back(id);
                break;
            }
            contents.created = dateFromAppleDouble(dates->creation);
            contents.modified = dateFromAppleDouble(dates->modification);
            break;
        }
        case ad::FileInfoEntry: {
            // Other home file systems (ProDOS, MS-DOS, Unix) lay version 1's file info out
            // differently and are not read.
            const auto info =
                isMacintoshHome(header->filler) ? ad::parseMacFileInfo(entry) : std::nullopt;
            if (!info) {
                contents.ignoredEntries.push_back(id);
                break;
            }
            contents.created = macDate(info->creation);
            contents.modified = macDate(info->modification);
            break;
        }
        }
    }
    return {std::move(contents), {}};
}

bool isPlausibleResourceFork(ByteView bytes, std::string* reason) {
    auto fail = [reason](std::string why) {
        if (reason) *reason = std::move(why);
        return false;
    };
    const std::optional<ResForkHeader> header = readResForkHeader(bytes);
    if (!header) return fail("shorter than the 16-byte resource fork header");
    const auto [dataOffset, mapOffset, dataLength, mapLength] = *header;
    if (dataOffset < kResForkHeaderSize || mapOffset < kResForkHeaderSize)
        return fail("the resource data or map starts inside the fork header");
    if (!rangeFits(bytes.size(), dataOffset, dataLength))
        return fail("the resource data (" + std::to_string(dataLength) + " bytes at " +
                    std::to_string(dataOffset) + ") runs past the end of the file (" +
                    std::to_string(bytes.size()) + " bytes)");
    if (!rangeFits(bytes.size(), mapOffset, mapLength))
        return fail("the resource map (" + std::to_string(mapLength) + " bytes at " +
                    std::to_string(mapOffset) + ") runs past the end of the file (" +
                    std::to_string(bytes.size()) + " bytes)");
    if (mapLength < kResMapHeaderSize)
        return fail("the resource map is " + std::to_string(mapLength) +
                    " bytes, shorter than its 28-byte header");
    if (uint64_t(dataOffset) < uint64_t(mapOffset) + mapLength &&
        uint64_t(mapOffset) < uint64_t(dataOffset) + dataLength)
        return fail("the resource data and the resource map overlap");
    return true;
}

MacContainerResult parseMacContainer(ByteView bytes) {
    const ByteReader file(bytes);
    if (const std::optional<uint32_t> magic = ad::magicOf(bytes)) {
        if (*magic == ad::kAppleSingleMagic) return parseAppleSingle(bytes);
        if (*magic == ad::kMagic)
            return refuse("an AppleDouble header file (a \"._\" companion) holds no data fork; "
                          "copy the Mac file together with its companion instead");
    }
    ByteView start;
    if (file.bytesAt(0, std::min<size_t>(bytes.size(), 256), start) &&
        toString(start).find("(This file must be converted with BinHex") != std::string::npos)
        return refuse("BinHex 4.0 files are not supported; decode it to MacBinary first");

    std::string macBinaryReason;
    if (auto header = readMacBinaryHeader(file)) {
        const MacBinaryClaim claim = macBinaryClaim(*header);
        if (claim == MacBinaryClaim::Version2Or3) return parseMacBinaryHeader(file, *header, claim);
        if (claim == MacBinaryClaim::Version1) {
            // MacBinary I has no signature: when its checks fail the bytes may still be a fork.
            auto result = parseMacBinaryHeader(file, *header, claim);
            if (result.contents) return result;
            macBinaryReason = result.reason;
        }
    }

    std::string forkReason;
    if (!isPlausibleResourceFork(bytes, &forkReason)) {
        if (!macBinaryReason.empty())
            return refuse("neither a resource fork (" + forkReason + ") nor " + macBinaryReason);
        return refuse("not MacBinary, AppleSingle or a resource fork: " + forkReason);
    }
    Contents contents;
    contents.kind = Contents::RawFork;
    contents.resourceFork.assign(bytes.begin(), bytes.end());
    return {std::move(contents), {}};
}

const char* macContainerKindName(MacContainerContents::Kind kind) {
    switch (kind) {
    case Contents::MacBinary1: return "MacBinary I";
    case Contents::MacBinary2: return "MacBinary II";
    case Contents::MacBinary3: return "MacBinary III";
    case Contents::AppleSingle: return "AppleSingle";
    case Contents::RawFork: return "resource fork";
    }
    return "?";
}

MacImportResult importMacContainer(ByteView sourceBytes, const std::string& outputPath,
                                   std::optional<uint32_t> overrideType,
                                   std::optional<uint32_t> overrideCreator) {
    auto parsed = parseMacContainer(sourceBytes);
    if (!parsed.contents) return {false, 0, std::move(parsed.reason), std::nullopt};
    return importMacContainer(*parsed.contents, outputPath, overrideType, overrideCreator);
}

MacImportResult importMacContainer(const MacContainerContents& contents,
                                   const std::string& outputPath,
                                   std::optional<uint32_t> overrideType,
                                   std::optional<uint32_t> overrideCreator) {
    MacImportResult result;
    result.kind = contents.kind;
    const auto slash = outputPath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : outputPath.substr(0, slash);
    const std::string name = slash == std::string::npos ? outputPath : outputPath.substr(slash + 1);
    // Said before anything is made: a fork that long would be written only to be refused.
    if (contents.resourceFork.size() > platform::kMaxResourceForkLength) {
        result.status = platform::fsDataTooBigErr;
        result.reason = "the resource fork holds " + std::to_string(contents.resourceFork.size()) +
                        " bytes, more than a resource fork can";
        return result;
    }
    if (int16_t status = platform::createFileWithEmptyFork(folder, name);
        status != platform::noErr) {
        result.status = status;
        result.reason = status == platform::dupFNErr ? outputPath + " already exists"
                                                     : "cannot create " + outputPath;
        return result;
    }
    // From here on the new file is ours: any failure removes it, so no half file is left.
    auto fail = [&](int16_t status, const std::string& what) {
        result.status = status;
        result.reason = what;
        if (platform::removeMacItem(outputPath) != platform::noErr)
            result.reason += "; the incomplete " + outputPath + " could not be removed";
        return result;
    };

    if (int16_t status = writeWholeResourceFork(outputPath, contents.resourceFork);
        status != platform::noErr)
        return fail(status, "writing the resource fork failed");
    if (int16_t status = platform::writeDataFork(outputPath, contents.dataFork);
        status != platform::noErr)
        return fail(status, "writing the data fork failed");

    platform::FileAttributes attributes;
    const bool bareFork = contents.kind == Contents::RawFork;
    attributes.hfsTypeCode = overrideType ? overrideType
                             : bareFork   ? fourCC("FFIL")
                                          : contents.type;
    attributes.hfsCreatorCode = overrideCreator ? overrideCreator
                                : bareFork      ? fourCC("DMOV")
                                                : contents.creator;
    attributes.creationDate = contents.created;
    attributes.modificationDate = contents.modified;
    // Dates are applied after the data fork is written, which sets its modification time.
    auto applied = platform::applyAttributes(outputPath, attributes);
    if (!applied.ok && applied.error == platform::paramErr &&
        (attributes.creationDate || attributes.modificationDate)) {
        // A date the file system cannot hold (the companion's dates span 1931 to 2068) is left
        // out rather than failing the whole import.
        attributes.creationDate.reset();
        attributes.modificationDate.reset();
        applied = platform::applyAttributes(outputPath, attributes);
    }
    if (!applied.ok) return fail(applied.error, "setting type, creator and dates failed");
    result.ok = true;
    return result;
}

} // namespace fu
