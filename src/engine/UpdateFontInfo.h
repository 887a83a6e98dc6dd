// The fonts a search found: one record per (file, target, set) hit, with what the update needs
// to build and place the new file and, afterwards, the outcome of its update.
#pragma once

#include "definition/UpdateTarget.h"
#include "engine/StatusCodes.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fu {

inline constexpr uint64_t kUserDomain = 1;     // the user's Fonts folder ("ユーザ")
inline constexpr uint64_t kComputerDomain = 2; // the computer's Fonts folder ("コンピュータ")
// The dated backup folder in the Trash that an update run puts the old fonts into.
inline constexpr const char* kBackupFolderName = "古いフォント項目";

class UpdateFontItem {
public:
    // The update target the font was found for, with its parsed forms. A copy, not a pointer
    // into the definition: a found font outlives the target list it came from when another
    // definition is loaded.
    UpdateTarget target; // target.checksum may be empty

    std::string srcPath;                   // the found file
    std::optional<std::string> dstPath;    // the new file in the temporary folder, once set
    std::optional<std::string> subDirPath; // folder relative to the searched Fonts folder
    uint64_t pathDomain = 0;               // kUserDomain or kComputerDomain; 0 = unset
    uint64_t sfntSetIndex = 0;
    bool reqUpdate = false;
    int64_t oldFileSize = 0;  // bytes of the resource fork
    int64_t upSizeOfFile = 0; // expected growth of the new file (may be negative)
    ItemResult updateResult = ItemResult::StatusOK; // per-font result of the last update
    // Where the update moved the old file, so that it can be put back if the new one cannot
    // take its place.
    std::optional<std::string> backupPath;

    // dstPath = folder joined with srcPath's last component; false (nothing changed) when either
    // is empty.
    [[nodiscard]] bool setDstPathWithTemporaryDirectoryPath(const std::string& folder);
    // Every field a file operation needs is there (checksum is not required).
    [[nodiscard]] static bool checkPropertys(const UpdateFontItem* item);
    // The record of a search hit: the target and where the file was found. The target must be
    // complete (UpdateTargetItem::checkPropertys).
    [[nodiscard]] static std::unique_ptr<UpdateFontItem>
    foundItem(const UpdateTarget& target, const std::string& path, const std::string& subPath,
              uint64_t domain, uint64_t setIndex, int64_t forkSize, int64_t growth);
};

class UpdateFontInfo {
public:
    std::vector<std::unique_ptr<UpdateFontItem>> updateFontItems; // empty = nil

    [[nodiscard]] bool addUpdateFontItem(std::unique_ptr<UpdateFontItem> item);
    [[nodiscard]] UpdateFontItem* updateFontItemAtIndex(int64_t index) const;
    [[nodiscard]] int64_t countOfUpdateFontItemAll() const {
        return int64_t(updateFontItems.size());
    }
    [[nodiscard]] int64_t countOfUpdateFontItemRequestUpdate() const;
    [[nodiscard]] int64_t countOfLocalDomainItemAll() const;
    [[nodiscard]] int64_t countOfLocalDomainItemRequestUpdate() const;
    [[nodiscard]] int64_t countOfUserDomainItemAll() const;
    [[nodiscard]] int64_t countOfUserDomainItemRequestUpdate() const;
    void setRequestUpdateAll(bool requested);
    // Drops the unrequested items for good; false only when the list is empty.
    bool rebuildOfUpdateFontItemRequestUpdate();
    // Bytes the requested fonts need: data size + fork size + expected growth; nil for no list.
    [[nodiscard]] std::optional<uint64_t> totalFileSizeOfRequestUpdate() const;

private:
    [[nodiscard]] int64_t countWhere(bool requestedOnly, uint64_t domain) const;
};

} // namespace fu
