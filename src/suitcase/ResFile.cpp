#include "suitcase/ResFile.h"

#include "base/ByteReader.h"
#include "platform/OSStatus.h"
#include "platform/Text.h"
#include "suitcase/ResFileLayout.h"
#include "suitcase/ResStatus.h"

#include <array>
#include <limits>
#include <new>
#include <unordered_map>

namespace fu {

using enum ResStatus;

namespace {
constexpr uint32_t kSuitcaseType = fourCC("FFIL");
}

std::unique_ptr<ResFile> ResFile::initOfContentFile(const std::string& path) {
    std::unique_ptr<ResFile> resFile(new (std::nothrow) ResFile);
    if (!resFile) return nullptr;
    try {
        resFile->resFilePath = path;
        if (!path.empty()) {
            resFile->resFileAttr = platform::readAttributes(path);
            if (resFile->resFileAttr)
                resFile->suitcase = resFile->resFileAttr->hfsTypeCode == kSuitcaseType;
        }
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (resFile->suitcase && resFile->resFileAttr)
        resFile->loadStatus = setupResItemListsOfPath(path, *resFile);
    else
        resFile->loadStatus = resFile->suitcase ? resErrNoAttributes : resErrNotSuitcase;
    return resFile;
}

bool ResFile::addResItem(std::unique_ptr<ResItem> item) {
    if (!item) return false;
    if (ResItemList* list = resItemListByResType(item->resType))
        return list->addResItem(std::move(item));
    std::unique_ptr<ResItemList> list = ResItemList::initWithResType(item->resType);
    if (!list || !list->addResItem(std::move(item))) return false;
    try {
        resItemLists.push_back(std::move(list));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

ResItemList* ResFile::resItemListByResType(uint32_t resType) const {
    try {
        if (indexedLists_ > resItemLists.size()) {
            listIndex_.clear();
            indexedLists_ = 0;
        }
        for (; indexedLists_ < resItemLists.size(); ++indexedLists_)
            listIndex_.try_emplace(resItemLists[indexedLists_]->resType, indexedLists_);
        const auto found = listIndex_.find(resType);
        if (found == listIndex_.end()) return nullptr;
        if (ResItemList* list = resItemLists[found->second].get(); list->resType == resType)
            return list;
    } catch (const std::bad_alloc&) {
    }
    // The lists were reordered behind the index's back, or it could not grow: scan them.
    for (const auto& list : resItemLists)
        if (list->resType == resType) return list.get();
    return nullptr;
}

ResItem* ResFile::resItemByResType(uint32_t resType, int16_t resID) const {
    const ResItemList* list = resItemListByResType(resType);
    return list ? list->resItemByResID(resID) : nullptr;
}

int64_t ResFile::countOfResType(uint32_t resType) const {
    const ResItemList* list = resItemListByResType(resType);
    return list ? list->countOfResItem() : 0;
}

ResItem* ResFile::resItemByIndex(int64_t index, uint32_t resType) const {
    const ResItemList* list = resItemListByResType(resType);
    return list ? list->resItemAtIndex(index) : nullptr;
}

std::optional<std::chrono::sys_seconds> ResFile::createDate() const {
    return resFileAttr ? resFileAttr->creationDate : std::nullopt;
}

std::optional<std::chrono::sys_seconds> ResFile::modifyDate() const {
    return resFileAttr ? resFileAttr->modificationDate : std::nullopt;
}

void ResFile::freeAllResData() {
    for (const auto& list : resItemLists)
        list->freeAllResData();
}

namespace {

// The items of one parsed map, read against an open fork for their length words. A name the map
// shares between references is decoded once, and its text shared by their items.
ResStatus buildItems(platform::ForkRefNum refNum, const std::string& path, const ResMap& map,
                     uint32_t dataAreaOffset, ResFile& resFile) {
    std::unordered_map<const Bytes*, ResName> decoded;
    // After a clean conversion every structure below is complete; these checks only keep a
    // half-built map from being walked.
    if (map.typeCountField == kResMapNone) return resNoErr;
    if (static_cast<int64_t>(map.types.size()) != map.typeCount()) return resErrMapBounds;
    for (const ResMapType& type : map.types) {
        if (static_cast<int64_t>(type.references.size()) != type.referenceCount())
            return resErrMapBounds;
        for (const ResMapReference& reference : type.references) {
            ResName name;
            if (reference.nameOffset != kResMapNoName) {
                if (!reference.name) return resErrMapBounds;
                auto [known, fresh] = decoded.try_emplace(reference.name.get());
                if (fresh) known->second = platform::shiftJisToUtf8(*reference.name);
                if (!known->second) return resErrNameDecoding;
                name = known->second;
            }
            const uint64_t position = uint64_t{dataAreaOffset} + reference.dataOffset;
            std::array<uint8_t, kResDataLengthSize> word{};
            if (position > std::numeric_limits<uint32_t>::max() - word.size() ||
                ResFile::readResouceRefNum(refNum, platform::fsFromStart,
                                           static_cast<int64_t>(position), word.size(),
                                           word) != resNoErr)
                return resErrLengthWord;
            uint32_t length = 0;
            if (!ByteReader(word).readU32(length)) return resErrLengthWord;

            auto item = std::make_unique<ResItem>();
            item->resType = type.resType;
            item->resID = reference.resID;
            item->resAttr = reference.attributes;
            item->resName = std::move(name);
            item->resDataFileOffset = static_cast<uint32_t>(position + word.size());
            item->resDataLength = length;
            item->resDataFilePath = path;
            // A full list only means memory ran out; the walk goes on as the map says.
            (void)resFile.addResItem(std::move(item));
        }
    }
    return resNoErr;
}

} // namespace

ResStatus ResFile::setupResItemListsOfPath(const std::string& path, ResFile& resFile) {
    resFile.orgResMapData.clear();
    if (path.empty()) return resErrArgument;
    platform::ScopedFork fork(path, platform::fsRdPerm);
    if (!fork.isOpen()) return resErrOpenFork;
    std::optional<Bytes> mapData = resourceMapInfoDataOfResRefNum(fork.refNum());
    if (!mapData || mapData->empty()) return resErrMapRead;
    ResMap map;
    if (ResStatus status = swapResMapStructBigToHostFrom(*mapData, map); status != resNoErr)
        return status;
    // Data positions come from the map's copy of the header. Writers that leave the copy zeroed
    // (.dfont files among them) mean the fork header's: a zero data offset can never be right,
    // since the header itself lies there.
    uint32_t dataAreaOffset = map.dataOffset;
    if (dataAreaOffset == 0) {
        const std::optional<ResForkHeader> header =
            detail::readResForkHeaderOfRefNum(fork.refNum());
        if (!header) return resErrMapRead;
        dataAreaOffset = header->dataOffset;
    }
    try {
        if (ResStatus status = buildItems(fork.refNum(), path, map, dataAreaOffset, resFile);
            status != resNoErr)
            return status;
        resFile.orgResMapData = std::move(*mapData);
    } catch (const std::bad_alloc&) {
        return resErrMapBounds;
    }
    return resNoErr;
}

} // namespace fu
