#include "engine/UpdateFontInfo.h"

#include "platform/FileAttributes.h"
#include "suitcase/ResFile.h"

namespace fu {

bool UpdateFontItem::setDstPathWithTemporaryDirectoryPath(const std::string& folder) {
    if (folder.empty() || srcPath.empty()) return false;
    const auto slash = srcPath.find_last_of('/');
    const std::string name = slash == std::string::npos ? srcPath : srcPath.substr(slash + 1);
    if (name.empty()) return false;
    dstPath = (folder.back() == '/' ? folder : folder + "/") + name;
    return true;
}

bool UpdateFontItem::checkPropertys(const UpdateFontItem* item) {
    if (!item) return false;
    const UpdateTarget& target = item->target;
    for (const std::string* field :
         {&target.resName, &target.japanFullName, &target.oVersStr, &target.nVersStr,
          &item->srcPath, &target.nSfntCDate, &target.nSfntMDate, &target.nFileCDate,
          &target.nFileMDate, &target.nResMapInfo})
        if (field->empty()) return false;
    return item->dstPath && !item->dstPath->empty() && item->pathDomain != 0;
}

std::unique_ptr<UpdateFontItem> UpdateFontItem::foundItem(const UpdateTarget& target,
                                                          const std::string& path,
                                                          const std::string& subPath,
                                                          uint64_t domain, uint64_t setIndex,
                                                          int64_t forkSize, int64_t growth) {
    auto item = std::make_unique<UpdateFontItem>();
    item->target = target;
    item->srcPath = path;
    if (!subPath.empty()) item->subDirPath = subPath;
    item->pathDomain = domain;
    item->sfntSetIndex = setIndex;
    item->oldFileSize = forkSize;
    item->upSizeOfFile = growth;
    return item;
}

bool UpdateFontInfo::addUpdateFontItem(std::unique_ptr<UpdateFontItem> item) {
    if (!item) return false;
    updateFontItems.push_back(std::move(item));
    return true;
}

UpdateFontItem* UpdateFontInfo::updateFontItemAtIndex(int64_t index) const {
    if (index < 0 || index >= countOfUpdateFontItemAll()) return nullptr;
    return updateFontItems[size_t(index)].get();
}

int64_t UpdateFontInfo::countWhere(bool requestedOnly, uint64_t domain) const {
    int64_t count = 0;
    for (const auto& item : updateFontItems)
        if ((!requestedOnly || item->reqUpdate) && (domain == 0 || item->pathDomain == domain))
            ++count;
    return count;
}

int64_t UpdateFontInfo::countOfUpdateFontItemRequestUpdate() const { return countWhere(true, 0); }
int64_t UpdateFontInfo::countOfLocalDomainItemAll() const {
    return countWhere(false, kComputerDomain);
}
int64_t UpdateFontInfo::countOfLocalDomainItemRequestUpdate() const {
    return countWhere(true, kComputerDomain);
}
int64_t UpdateFontInfo::countOfUserDomainItemAll() const { return countWhere(false, kUserDomain); }
int64_t UpdateFontInfo::countOfUserDomainItemRequestUpdate() const {
    return countWhere(true, kUserDomain);
}

void UpdateFontInfo::setRequestUpdateAll(bool requested) {
    for (auto& item : updateFontItems)
        item->reqUpdate = requested;
}

bool UpdateFontInfo::rebuildOfUpdateFontItemRequestUpdate() {
    if (updateFontItems.empty()) return false;
    std::erase_if(updateFontItems, [](const auto& item) { return !item->reqUpdate; });
    return true;
}

std::optional<uint64_t> UpdateFontInfo::totalFileSizeOfRequestUpdate() const {
    if (updateFontItems.empty()) return std::nullopt;
    int64_t total = 0;
    for (const auto& item : updateFontItems) {
        if (!item->reqUpdate || item->srcPath.empty()) continue;
        auto attributes = platform::readAttributes(item->srcPath);
        if (!attributes) continue;
        const auto fork = ResFile::resourceFileSizeOfPath(item->srcPath);
        total +=
            int64_t(attributes->size.value_or(0)) + int64_t(fork.value_or(0)) + item->upSizeOfFile;
    }
    // A shrinking update can make the sum negative; no space is needed then.
    return total > 0 ? uint64_t(total) : 0;
}

} // namespace fu
