// Synthetic font suitcases ('FOND', 'sfnt', 'vers' in a resource fork), written through the
// suitcase writer so that its map building and verification run for every sample.
#pragma once

#include "base/Bytes.h"
#include "suitcase/ResFile.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace fu::sample {

struct SampleSuitcaseOptions {
    std::string resName = "SampleGothic"; // names the 'FOND' and the 'sfnt' (Shift_JIS)
    std::string shortVersion = "1.0.0";   // its numbers fill the 'vers' record too
    std::string longVersion;              // empty: shortVersion + ", (C) Font Updater sample"
    int16_t resID = 16384;                // 'FOND' and 'sfnt' ID ('vers' is always 1)
    uint32_t typeCode = fourCC("FFIL");
    uint32_t creatorCode = fourCC("DMOV");
};

// A Font Family record for one TrueType face: the 52-byte family header and a font association
// table with the single entry {size 0, style 0, sfntResID}.
[[nodiscard]] Bytes makeFondResource(int16_t familyID, int16_t sfntResID);

// A 'vers' resource with the numbers of shortVersion, region 14 (Japan), final stage; nullopt
// when a string does not encode as Shift_JIS or is longer than 255 bytes.
[[nodiscard]] std::optional<Bytes> makeVersResource(const std::string& shortVersion,
                                                    const std::string& longVersion);

// The map of a suitcase holding 'FOND' and 'sfnt' (ID resID, named resName) and 'vers' 1 with
// data of the given lengths, laid out FOND, vers, sfnt, whose data area starts at fork offset 256
// as the classic Resource Manager lays files out. nullopt when resName does not encode.
[[nodiscard]] std::optional<Bytes>
makeSampleTemplateMap(const std::string& resName, int16_t resID,
                      const std::array<uint32_t, 3>& fondSfntVersLengths);

// The model of a sample suitcase (items hold their data; attributes carry type and creator)
// with orgResMapData set to its template map. nullptr when a text cannot be encoded.
[[nodiscard]] std::unique_ptr<ResFile>
makeSampleSuitcaseModel(ByteView sfntImage, const SampleSuitcaseOptions& options);

// Writes a new suitcase at path with ResFile::exportSuitcaseFile; its status (0 when written
// and verified), or ResStatus::resErrArgument when a text cannot be encoded.
[[nodiscard]] ResStatus writeSampleSuitcase(const std::string& path, ByteView sfntImage,
                                            const SampleSuitcaseOptions& options = {});

// A new Mac file at path whose resource fork holds exactly `fork`, with the given type and
// creator: 0 or a platform status.
[[nodiscard]] int16_t writeForkFile(const std::string& path, ByteView fork,
                                    uint32_t typeCode = fourCC("FFIL"),
                                    uint32_t creatorCode = fourCC("DMOV"));

// The whole resource fork of a Mac file, or nullopt.
[[nodiscard]] std::optional<Bytes> readForkFile(const std::string& path);

} // namespace fu::sample
