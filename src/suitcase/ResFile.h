// The model of one file's resource fork (lists of resources by type) and the library of fork
// routines around it: raw fork access, the map reader and its conversions, map info strings,
// suitcase census and verification, and the suitcase writer. Every routine that takes a path
// opens the fork itself and closes it before it returns.
#pragma once

#include "base/Bytes.h"
#include "platform/FileAttributes.h"
#include "platform/ForkStorage.h"
#include "suitcase/ResItemList.h"
#include "suitcase/ResMap.h"
#include "suitcase/ResStatus.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace fu {

class ResFile {
public:
    std::string resFilePath;
    std::optional<platform::FileAttributes> resFileAttr;
    std::vector<std::unique_ptr<ResItemList>> resItemLists; // in the order types first appear
    bool suitcase = false;                                  // HFS type code is 'FFIL'
    ResStatus loadStatus = ResStatus::resNoErr;
    Bytes orgResMapData; // the on-disk map as read at load time

    // ---- Model (ResFile.cpp) ----

    // Reads the attributes and, for an 'FFIL' file, the fork's map; the outcome is in
    // loadStatus (resErrNotSuitcase for any other file). nullptr only when memory runs out.
    [[nodiscard]] static std::unique_ptr<ResFile> initOfContentFile(const std::string& path);

    // Appends to the list of the item's type, creating the list after the existing ones.
    [[nodiscard]] bool addResItem(std::unique_ptr<ResItem> item);
    // The first item with this ID in the list of this type.
    [[nodiscard]] ResItem* resItemByResType(uint32_t resType, int16_t resID) const;
    [[nodiscard]] int64_t countOfResType(uint32_t resType) const;
    // nullptr when the index lies outside the list of this type.
    [[nodiscard]] ResItem* resItemByIndex(int64_t index, uint32_t resType) const;
    [[nodiscard]] ResItemList* resItemListByResType(uint32_t resType) const;
    [[nodiscard]] std::optional<std::chrono::sys_seconds> createDate() const;
    [[nodiscard]] std::optional<std::chrono::sys_seconds> modifyDate() const;
    // Drops every held resData; items read their file again when asked, so replaced data is lost.
    void freeAllResData();

    // Fills resFile from the fork at path: lists, items with their file locations (no data),
    // orgResMapData.
    [[nodiscard]] static ResStatus setupResItemListsOfPath(const std::string& path,
                                                           ResFile& resFile);

    // ---- Raw fork access (ResFileFork.cpp) ----

    // The on-disk map bytes, or nullopt.
    [[nodiscard]] static std::optional<Bytes> resourceMapInfoDataOfPath(const std::string& path);
    [[nodiscard]] static std::optional<Bytes>
    resourceMapInfoDataOfResRefNum(platform::ForkRefNum refNum);
    // The map as a map info string (uppercase hex), or nullopt.
    [[nodiscard]] static std::optional<std::string>
    resourceMapInfoStringOfPath(const std::string& path);

    // Reads byteCount bytes into buffer, looping until all came. Position mode
    // platform::fsFromStart counts posOffset from the start of the fork, fsAtMark continues at
    // the mark. resErrArgument for handle 0, count 0 or a buffer smaller than the count; a
    // platform read error (eofErr at the end of the fork) as it stands, by resStatusOfPlatform.
    [[nodiscard]] static ResStatus readResouceRefNum(platform::ForkRefNum refNum, int posMode,
                                                     int64_t posOffset, size_t byteCount,
                                                     std::span<uint8_t> buffer);
    // Writes all of bytes; the first write at the given position, the rest at the mark.
    [[nodiscard]] static ResStatus writeResouceRefNum(platform::ForkRefNum refNum, int posMode,
                                                      int64_t posOffset, ByteView bytes);

    // Reads exactly buffer.size() == length bytes at fork offset `offset`; resNoErr or
    // resErrDataRead.
    [[nodiscard]] static ResStatus readResourceDataOfPath(const std::string& path, uint32_t offset,
                                                          uint32_t length,
                                                          std::span<uint8_t> buffer);
    // The same into a buffer of its own, allocated only once the fork is known to hold the
    // bytes (a damaged length word can claim gigabytes).
    [[nodiscard]] static std::optional<Bytes>
    readResourceDataOfPath(const std::string& path, uint32_t offset, uint32_t length);

    // resNoErr with the fork size, or resErrForkSize with 0.
    [[nodiscard]] static ResStatus getResourceFileSizeOfPath(const std::string& path,
                                                             uint64_t& resFileSize);
    [[nodiscard]] static std::optional<uint64_t> resourceFileSizeOfPath(const std::string& path);

    // ---- Map conversions and map info strings (ResFileMap.cpp) ----

    // Uppercase hex, two digits per byte; nullopt for no bytes.
    [[nodiscard]] static std::optional<std::string> hexStringFromData(ByteView data);
    // nullopt for a text shorter than 2 or of odd length. Each two-character group is read as
    // hex from its start; a group that does not start with a hex digit gives 0.
    [[nodiscard]] static std::optional<Bytes> dataFromHexString(std::string_view text);

    // Parses an on-disk map (all of swapFrom) into swapTo, checking every structure against
    // the map's bounds: resNoErr, resErrSwapBounds (swapTo then holds what was parsed before the
    // failure), or resErrMemory.
    [[nodiscard]] static ResStatus swapResMapStructBigToHostFrom(ByteView swapFrom, ResMap& swapTo);
    // Writes a parsed or built map back to its on-disk form of swapFrom.byteLength bytes; bytes
    // no structure covers are zero. resErrSwapArgument for an empty map or a structure that does
    // not fit it.
    [[nodiscard]] static ResStatus swapResMapStructHostToBigFrom(const ResMap& swapFrom,
                                                                 Bytes& swapTo);

    // True when the access is non-empty, starts at or after the map's start and ends at or
    // before its end.
    [[nodiscard]] static bool checkResMapAddress(uint64_t resMapStart, uint64_t resMapLength,
                                                 uint64_t accessStart, uint64_t accessLength);

    // ---- Classification and verification (ResFileVerify.cpp) ----

    // A non-empty path whose attributes read and whose HFS type code is 'FFIL'.
    [[nodiscard]] static bool chekSuitcaseFile(const std::string& path);

    // Census over the map alone: how many 'FOND' and 'sfnt' resources are named resName
    // (canonically equal), and how many 'vers' resources have ID 1. resNoErr or
    // resErrCensus.
    [[nodiscard]] static ResStatus checkSuitcaseFontResName(const std::string& resName,
                                                            const std::string& path,
                                                            int64_t& fondCount, int64_t& sfntCount,
                                                            int64_t& versCount);
    [[nodiscard]] static ResStatus checkSuitcaseFontResName(const std::string& resName,
                                                            const ResMap& resMap,
                                                            int64_t& fondCount, int64_t& sfntCount,
                                                            int64_t& versCount);

    // The census for several names from one read of the map of an open fork: censuses[i] counts
    // what the census of names[i] alone counts. resNoErr or resErrCensus, which the census of every
    // name would answer alike, since nothing that fails a census depends on the name.
    struct FontResCensus {
        int64_t fondCount = 0;
        int64_t sfntCount = 0;
        int64_t versCount = 0;
    };
    class CensusNames;
    [[nodiscard]] static ResStatus checkSuitcaseFontResName(const CensusNames& names,
                                                            platform::ForkRefNum refNum,
                                                            std::vector<FontResCensus>& censuses);
    [[nodiscard]] static ResStatus checkSuitcaseFontResName(const CensusNames& names,
                                                            const ResMap& resMap,
                                                            std::vector<FontResCensus>& censuses);

    // resNoErr when the model holds exactly the template's three types, one resource each, with the
    // template's names; resErrModelMismatch otherwise. IDs and data are not compared.
    [[nodiscard]] static ResStatus checkResFile(const ResFile& resFile, const ResMap& resMap);

    // Reads a written suitcase back: attributes, map and every resource's bytes against what
    // the writer meant to write from resFile and the template (a map info string, or "*" for
    // resFile's orgResMapData). resNoErr or resErrVerify.
    [[nodiscard]] static ResStatus
    verifySuitcaseFile(const std::string& path, std::string_view resMapInfo, ResFile& resFile);
    [[nodiscard]] static ResStatus verifyDataOfSuitcaseFile(const std::string& path,
                                                            const ResMap& resMap, ResFile& resFile);
    // Compares the data record at fork position fileDataOffset (length word and bytes) with
    // resItemResData, 1024 bytes at a time. resNoErr or resErrVerify.
    [[nodiscard]] static ResStatus compareFileResRefNum(platform::ForkRefNum refNum,
                                                        uint64_t fileTotalLength,
                                                        uint64_t fileDataOffset,
                                                        ByteView resItemResData);
    // Both non-empty and the first src.size() bytes equal.
    [[nodiscard]] static bool compareSrcBufPtr(ByteView src, ByteView dst);

    // ---- Writer (ResFileWriter.cpp) ----

    // Writes resFile as a new suitcase at path (which must not exist) with the template map
    // (a map info string, or "*" for resFile's orgResMapData), applies resFileAttr, then
    // verifies the file. resNoErr when written and verified.
    [[nodiscard]] static ResStatus
    exportSuitcaseFile(const std::string& path, std::string_view resMapInfo, ResFile& resFile);
    // Builds the new map from the template and the model: header for fill
    // paramZeroFillByte and data totalNewResDataByte, IDs, data offsets, packed names.
    [[nodiscard]] static ResStatus setupValueOfNewResMapPtr(ResMap& newResMap,
                                                            uint32_t totalNewResDataByte,
                                                            const ResMap& paramResMap,
                                                            uint16_t paramZeroFillByte,
                                                            ResFile& resFile);
    // Writes the data records in the new map's type order: the first by posMode / posOffset,
    // the rest at the mark.
    [[nodiscard]] static ResStatus writeResourceDataRefNum(platform::ForkRefNum refNum, int posMode,
                                                           int64_t posOffset,
                                                           const ResMap& newResMap,
                                                           ResFile& resFile);

    // ---- File dates (ResFileDates.cpp) ----

    // Puts the given dates into resFileAttr; false without a date or without attributes.
    [[nodiscard]] static bool setCreDate(std::optional<std::chrono::sys_seconds> creDate,
                                         std::optional<std::chrono::sys_seconds> modDate,
                                         ResFile& resFile);
    // Both texts "yyyy/MM/dd HH:mm:ss" in Japan time; nothing changes unless both parse.
    [[nodiscard]] static bool setCreateDateString(std::string_view createDateString,
                                                  std::string_view modifyDateString,
                                                  ResFile& resFile);

private:
    // Where each type's list is in resItemLists, so that a map of thousands of types loads in
    // linear time. Lists appended since the last lookup are indexed by the next one; an entry
    // that no longer names a list of its type sends the lookup back to a scan.
    mutable std::unordered_map<uint32_t, size_t> listIndex_;
    mutable size_t indexedLists_ = 0;
};

// The names of a census of several at once, each held in its composed canonical form, in which
// canonically equivalent texts are equal; made once for every file the census is asked of. A
// name that is no valid text matches nothing, as it is equal to nothing.
class ResFile::CensusNames {
public:
    explicit CensusNames(const std::vector<std::string>& resNames);
    [[nodiscard]] size_t size() const { return composed_.size(); }

private:
    friend class ResFile;
    std::vector<std::optional<std::string>> composed_;
};

} // namespace fu
