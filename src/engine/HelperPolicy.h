// What fontupdater-helper may touch. A move takes one regular file (and its "._" companion)
// from one folder of the helper to another, one end in the computer Fonts folder; every path
// is absolute and clean, and no link is followed anywhere along it.
#pragma once

#include "engine/HelperProtocol.h"
#include "platform/MacFiles.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fu {

class HelperPolicy {
public:
    // The folders resolved once, at start. nullopt when the Fonts folder cannot be resolved;
    // another folder that cannot be is left out. Every folder but the Fonts folder must belong to
    // `callerId`, the user the helper works for, when opened (any owner for root).
    [[nodiscard]] static std::optional<HelperPolicy> withFolders(const HelperFolders& folders,
                                                                 unsigned long callerId);

    // 0 when the move may go ahead, errAuthorizationDenied otherwise.
    [[nodiscard]] int32_t checkMove(const std::string& fromPath, const std::string& toPath) const;
    // A swap takes a new pair from outside the Fonts folder into the place of a font inside it,
    // the old pair's second name outside it and free.
    [[nodiscard]] int32_t checkSwap(const std::string& newPath, const std::string& fontPath,
                                    const std::string& backupPath) const;

    // The folder with every link resolved; a folder that does not exist yet (the temporary
    // folder is made after the rights are granted) resolves through its parent.
    [[nodiscard]] static std::optional<std::string> canonicalFolder(const std::string& path);

    [[nodiscard]] const std::vector<std::string>& folders() const { return folders_; }

    // A folder inside one of the helper's folders (or one of them), opened beneath it without
    // crossing a link anywhere from the root of the file system down: the checks above read
    // paths, and a link swapped in after them must not lead any operation elsewhere. nullopt for
    // a folder outside, or reached through a link, or beneath a folder of the caller's that
    // belongs to somebody else.
    [[nodiscard]] std::optional<platform::MacFolder>
    openFolder(const std::string& folderPath) const;

    [[nodiscard]] bool insideFonts(const std::string& path) const;

private:
    HelperPolicy() = default;
    [[nodiscard]] bool insideFolders(const std::string& path) const;

    std::vector<std::string> folders_; // canonical; the Fonts folder first
    unsigned long callerId_ = 0;
};

} // namespace fu
