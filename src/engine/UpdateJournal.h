// The record of font swaps in progress: one small file per font, written durably before the font
// is touched and dropped once the run's folders are synced, so that a run cut short (a crash, a
// kill, the power) is finished or undone from the files at the next start.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fu {

namespace platform {
struct MacName;
struct MacFileBytes;
} // namespace platform

struct JournalRecord {
    std::string fontPath;   // the installed font
    std::string stagedPath; // the new pair, staged beside it under a name no font scanner loads
    std::string backupPath; // the old pair's second name in the Trash
    std::string oldDigest;  // of the old pair, then of the new one (PairDigest)
    std::string newDigest;

    [[nodiscard]] std::string text() const;
    // Refuses anything but the form text() writes, with absolute paths and the staged name
    // beside the font.
    [[nodiscard]] static std::optional<JournalRecord> fromText(const std::string& text);
};

// The bytes of a font and its companion as one fingerprint; nullopt when the data file is
// missing or unreadable.
[[nodiscard]] std::optional<std::string> pairDigest(const std::string& path);
[[nodiscard]] std::optional<std::string> pairDigest(const platform::MacName& file);
[[nodiscard]] std::optional<std::string> pairDigestOfBytes(const platform::MacFileBytes& bytes);
// The digests of two pairs, read side by side where a second thread can be had: a swap needs
// the old font's and the new one's before it begins.
[[nodiscard]] std::pair<std::optional<std::string>, std::optional<std::string>>
pairDigests(const std::string& first, const std::string& second);

// While one lives on a thread, a pair fingerprinted there is not read again as long as its files
// keep their identity (the same files, their bytes unchanged): a swap renames and links the same
// two pairs and checks them at every step, and a font of tens of megabytes would be read and
// summed five times. Its life is one swap, so no file it remembers can be removed and its inode
// given to another file of the same size and the same time before it is asked again. Scopes nest;
// the outermost one holds the memory.
class PairDigestScope {
public:
    PairDigestScope();
    ~PairDigestScope();
    PairDigestScope(const PairDigestScope&) = delete;
    PairDigestScope& operator=(const PairDigestScope&) = delete;
};

// A font and its companion are read whole to be fingerprinted; nothing installed is larger.
inline constexpr uint64_t kLargestFontFile = 512ull << 20;

// Staged names start so: the search passes over them, fontconfig skips dot files.
inline constexpr const char* kStagedNewPrefix = ".fu-new-";
inline constexpr const char* kStagedOldPrefix = ".fu-old-";
[[nodiscard]] bool isStagedName(const std::string& name);

// The folder of the helper's own records, inside the computer's Fonts folder: a dot folder no font
// scanner enters, owned by the helper, readable by everyone so that a start without rights can
// say which computer font waits for a repair.
inline constexpr const char* kHelperJournalFolderName = ".fu-journal";

class UpdateJournal {
public:
    // The user's journal.
    UpdateJournal() = default;
    // A journal in the given folder, made when missing (the helper's); one found there that is
    // not the helper's alone takes no record.
    explicit UpdateJournal(std::string folder) : folder_(std::move(folder)) {}
    ~UpdateJournal() { finishRun(); }
    UpdateJournal(const UpdateJournal&) = delete;
    UpdateJournal& operator=(const UpdateJournal&) = delete;

    // The user's journal folder, made private when missing; nullopt without a data folder, and
    // when the one there (or the program's folder above it) is not the user's alone.
    [[nodiscard]] static std::optional<std::string> folderPath();
    // Records of swaps that did not finish, with their files. Records that are not ours (wrong
    // owner, writable by others, not plain files, too large, malformed) are left alone.
    [[nodiscard]] static std::vector<std::pair<std::string, JournalRecord>> pending();
    // The records in `folder` owned by `owner` and writable by no one else.
    [[nodiscard]] static std::vector<std::pair<std::string, JournalRecord>>
    pending(const std::string& folder, uint32_t owner);

    // Removes the half-written records a kill left in `folder` (written beside their name, then
    // renamed); those never described a swap that began.
    static void clearUnfinishedRecords(const std::string& folder);

    // Writes the record durably before the swap starts; false when it could not be kept.
    [[nodiscard]] bool begin(const JournalRecord& record, std::string& recordPath);
    // A swap given up before it touched the font: its record goes at once.
    static void forget(const std::string& recordPath);
    // A swap that ended: its folders are synced at the end of the run, then its record goes.
    void ended(const std::string& recordPath, const std::vector<std::string>& foldersTouched);
    // Syncs every folder the run's swaps touched, then drops their records.
    void finishRun();

private:
    [[nodiscard]] std::optional<std::string> openedFolder() const;

    std::optional<std::string> folder_;
    std::vector<std::string> ended_;
    std::set<std::string> folders_;
    unsigned sequence_ = 0;
};

} // namespace fu
