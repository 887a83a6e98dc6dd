// Operations on Mac files: every one carries the file's companion ("._name") along, so the
// resource fork and Finder info travel with the data.
#pragma once

#include "base/Bytes.h"
#include "platform/FileAttributes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fu::platform {

enum class PrivateFolderStatus;

// An open folder. A name given with it is one component inside it, so nothing done to that name
// can be led elsewhere by a link swapped in along the folder's path after it was opened.
class MacFolder {
public:
    // The folder at `path`, links on the way followed: for the user's own folders.
    [[nodiscard]] static std::optional<MacFolder> open(const std::string& path,
                                                       int* error = nullptr);
    // A folder reached from `root` by a relative path that stays beneath it and crosses no link,
    // not even one that would lead back inside; "" is the root itself.
    [[nodiscard]] static std::optional<MacFolder>
    openBeneath(const MacFolder& root, const std::string& relative, int* error = nullptr);

    MacFolder(MacFolder&& other) noexcept;
    MacFolder& operator=(MacFolder&& other) noexcept;
    MacFolder(const MacFolder&) = delete;
    MacFolder& operator=(const MacFolder&) = delete;
    ~MacFolder();

    [[nodiscard]] int descriptor() const { return fd_; }
    // The path it was opened by, for messages and records; the folder may have moved since.
    [[nodiscard]] const std::string& path() const { return path_; }
    [[nodiscard]] uint32_t ownerId() const { return owner_; }

private:
    friend PrivateFolderStatus makePrivateFolder(const std::string& path,
                                                 std::optional<MacFolder>* opened, int* error);
    MacFolder(int fd, std::string path, uint32_t owner)
        : fd_(fd), path_(std::move(path)), owner_(owner) {}
    int fd_ = -1;
    std::string path_;
    uint32_t owner_ = 0;
};

// A one-component name inside an open folder.
struct MacName {
    const MacFolder& folder;
    std::string name;
    [[nodiscard]] MacName companion() const { return {folder, "._" + name}; }
};

[[nodiscard]] std::string companionPath(const std::string& path);
[[nodiscard]] bool isCompanionName(std::string_view name);

// True when the item exists (a dangling link counts as existing).
[[nodiscard]] bool macFileExists(const std::string& path);
[[nodiscard]] bool macFileExists(const MacName& file);

// Moves a file and its companion; fails with dupFNErr when the destination name is taken.
// Both files are synced first and the companion is renamed before the data file, so a reader
// never sees the new data without its fork. Across file systems it copies, syncs, renames and
// then removes the source.
[[nodiscard]] int16_t moveMacFile(const std::string& sourcePath,
                                  const std::string& destinationPath);
// Without syncFolders the two folders' entries are left for the caller to sync (once per run);
// the files themselves are synced all the same.
[[nodiscard]] int16_t moveMacFile(const MacName& source, const MacName& destination,
                                  bool syncFolders = true);

// A second, durable name for a file and its companion in another folder: hard links where the
// two folders share a file system, else synced copies. The source stays where it is; the
// destination name must be free. The destination folder is synced.
[[nodiscard]] int16_t backupMacFile(const std::string& sourcePath,
                                    const std::string& destinationPath);
[[nodiscard]] int16_t backupMacFile(const MacName& source, const MacName& destination);

// Fresh synced copies of a file and its companion, owned by the caller, readable by everyone and
// writable by the owner only (0644), whatever the source's mode bits and the umask. With
// `onlyFrom`, each source file must be that user's and have no other name (no hard link to
// somebody else's file), else permErr.
[[nodiscard]] int16_t copyMacFileForEveryone(const std::string& sourcePath,
                                             const std::string& destinationPath);
[[nodiscard]] int16_t copyMacFileForEveryone(const MacName& source, const MacName& destination,
                                             std::optional<uint32_t> onlyFrom = std::nullopt);

// Puts a staged file and its companion in place of another in the same folder by two atomic
// renames, companion first, so the name always holds a whole pair: the old one, then the new.
// Nothing is synced; syncFolder makes the result durable.
[[nodiscard]] int16_t replaceMacFile(const std::string& stagedPath,
                                     const std::string& destinationPath);
[[nodiscard]] int16_t replaceMacFile(const MacFolder& folder, const std::string& stagedName,
                                     const std::string& destinationName);

// Syncs a folder's entries (names made, renamed or removed in it).
[[nodiscard]] int16_t syncFolder(const std::string& path);
[[nodiscard]] int16_t syncFolder(const MacFolder& folder);

// The bytes of a file and of its companion (empty when it has none); nullopt when the data file
// cannot be read or exceeds the limit.
struct MacFileBytes {
    Bytes data;
    Bytes companion;
    bool hasCompanion = false;
    bool operator==(const MacFileBytes&) const = default;
};

// What tells a pair's two files from any others without reading them: for each, the device, the
// inode, the size and the time of the last change to its bytes (all zero for a missing
// companion). A rename or a link keeps a pair's identity; a copy, a write or a truncation changes
// it.
struct MacPairIdentity {
    struct File {
        uint64_t device = 0, inode = 0, size = 0;
        int64_t modifiedSeconds = 0, modifiedNanoseconds = 0;
        bool operator==(const File&) const = default;
    };
    File data, companion;
    bool hasCompanion = false;
    bool operator==(const MacPairIdentity&) const = default;
};
// The identity as the pair stands now; nullopt when the data file is not a regular file or
// either cannot be examined.
[[nodiscard]] std::optional<MacPairIdentity> macPairIdentity(const std::string& path);
[[nodiscard]] std::optional<MacPairIdentity> macPairIdentity(const MacName& file);

// The bytes, and when `identity` is given, the identity of the very files they were read from
// (all zero when a file changed size while it was read).
[[nodiscard]] std::optional<MacFileBytes> readMacFileBytes(const std::string& path, uint64_t limit,
                                                           MacPairIdentity* identity = nullptr);
[[nodiscard]] std::optional<MacFileBytes> readMacFileBytes(const MacName& file, uint64_t limit,
                                                           MacPairIdentity* identity = nullptr);

// The kind of the item itself (a link is not followed); nullopt when it is not there or cannot
// be examined, *error then holding errno.
[[nodiscard]] std::optional<ItemType> itemTypeOf(const MacName& item, int* error = nullptr);

// Removes the regular file and its companion, either one alone too; a missing one is no error,
// a folder is never removed.
[[nodiscard]] int16_t removeMacFilePair(const MacName& file);

// Removes a file with its companion, or a folder with everything in it.
[[nodiscard]] int16_t removeMacItem(const std::string& path);

// Replaces the contents of an existing file's data fork and syncs it; the resource fork and
// Finder info are left as they are.
[[nodiscard]] int16_t writeDataFork(const std::string& path, ByteView bytes);

// Writes a new plain file (no companion), synced; an existing item is never replaced.
[[nodiscard]] int16_t writeNewPlainFile(const std::string& path, ByteView bytes);

// Replaces a small plain file durably: written beside it, synced, renamed over it, the folder
// synced.
[[nodiscard]] int16_t writeReplacingPlainFile(const std::string& path, ByteView bytes);

// A plain file of the user's own that nobody else may write, of at most `limit` bytes; nullopt
// for anything else (a link, another owner, a file open to others).
[[nodiscard]] std::optional<Bytes> readOwnPrivateFile(const std::string& path, uint64_t limit);
// The same for a file that must be `owner`'s.
[[nodiscard]] std::optional<Bytes> readFileOwnedBy(const std::string& path, uint64_t limit,
                                                   uint32_t owner);
[[nodiscard]] uint32_t effectiveUserId();

// Creates one folder level; the parent must exist. A private folder is for the owner alone
// (the Trash is one).
[[nodiscard]] int16_t createFolder(const std::string& path, bool privateFolder = false);

// What became of a folder that must be the owner's alone: made or found fit, or why the one
// found there was refused.
enum class PrivateFolderStatus {
    Made,         // created now, 0700 whatever the umask
    Reused,       // already there: a real folder of the effective user's that nobody else may write
    IsLink,       // a symbolic link stands there, wherever it leads
    NotFolder,    // something else stands there
    ForeignOwner, // a folder of another user's
    OpenToOthers, // a folder of ours that its group or everyone may write
    Failed,       // could not be made or examined; the error says why
};

[[nodiscard]] constexpr bool isUsable(PrivateFolderStatus status) {
    return status == PrivateFolderStatus::Made || status == PrivateFolderStatus::Reused;
}

// Makes the folder at `path` for the effective user alone, or takes the one there when it is fit
// (see Reused); one that is not is left exactly as it is, never repaired: its contents may already
// be somebody else's. The checks are made on the folder opened without following a link, not on
// what a look at the name said before; `opened` receives that folder when it is usable, for
// callers that go on working through it. The parent must exist. *error holds errno for Failed.
[[nodiscard]] PrivateFolderStatus makePrivateFolder(const std::string& path,
                                                    std::optional<MacFolder>* opened = nullptr,
                                                    int* error = nullptr);

// A folder of ours made readable (never writable) by everyone, 0755; refused for a link.
[[nodiscard]] int16_t setFolderReadableByEveryone(const std::string& path);

// Names of a folder's entries, shallow, in the file system's order, without companions.
[[nodiscard]] std::optional<std::vector<std::string>> listFolder(const std::string& path);

} // namespace fu::platform
