#include "engine/UpdateJournal.h"

#include "platform/MacFiles.h"
#include "platform/Memory.h"
#include "platform/Paths.h"
#include "platform/Places.h"
#include "sfnt/Tools.h"

#include <algorithm>
#include <future>
#include <system_error>
#include <unistd.h>

namespace fu {
namespace {

constexpr uint64_t kLargestRecord = 16 << 10;
constexpr const char* kRecordSuffix = ".swap";
// About a millisecond of MD5: below it, starting a thread costs more than it saves.
constexpr size_t kSumSideBySideFrom = size_t{512} << 10;

constexpr const char* kKeys[] = {"font", "staged", "backup", "old", "new"};

bool plainValue(const std::string& value) {
    return value.find_first_of("\n\r\t") == std::string::npos &&
           value.find('\0') == std::string::npos;
}

bool absoluteClean(const std::string& path) {
    if (path.size() < 2 || path.front() != '/' || !plainValue(path)) return false;
    // No step up or sideways: a record names the files it names, nothing it could be bent to.
    size_t start = 1;
    while (start <= path.size()) {
        const size_t slash = std::min(path.find('/', start), path.size());
        const std::string part = path.substr(start, slash - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = slash + 1;
    }
    return true;
}

} // namespace

bool isStagedName(const std::string& name) {
    return name.starts_with(kStagedNewPrefix) || name.starts_with(kStagedOldPrefix) ||
           name.starts_with(".fu-move-");
}

std::string JournalRecord::text() const {
    const std::string* values[] = {&fontPath, &stagedPath, &backupPath, &oldDigest, &newDigest};
    std::string out = "fontupdater-swap 1\n";
    for (size_t i = 0; i < std::size(kKeys); ++i)
        out += std::string(kKeys[i]) + "\t" + *values[i] + "\n";
    return out;
}

std::optional<JournalRecord> JournalRecord::fromText(const std::string& text) {
    JournalRecord record;
    std::string* values[] = {&record.fontPath, &record.stagedPath, &record.backupPath,
                             &record.oldDigest, &record.newDigest};
    size_t position = 0;
    auto nextLine = [&](std::string& line) {
        const size_t end = text.find('\n', position);
        if (end == std::string::npos) return false;
        line = text.substr(position, end - position);
        position = end + 1;
        return true;
    };
    std::string line;
    if (!nextLine(line) || line != "fontupdater-swap 1") return std::nullopt;
    for (size_t i = 0; i < std::size(kKeys); ++i) {
        const std::string prefix = std::string(kKeys[i]) + "\t";
        if (!nextLine(line) || !line.starts_with(prefix)) return std::nullopt;
        *values[i] = line.substr(prefix.size());
    }
    if (position != text.size()) return std::nullopt;
    if (!absoluteClean(record.fontPath) || !absoluteClean(record.stagedPath) ||
        !absoluteClean(record.backupPath))
        return std::nullopt;
    if (platform::parentFolderOf(record.stagedPath) != platform::parentFolderOf(record.fontPath) ||
        !platform::lastPathComponent(record.stagedPath).starts_with(kStagedNewPrefix))
        return std::nullopt;
    for (const std::string* digest : {&record.oldDigest, &record.newDigest}) {
        if (digest->size() != 65 || !plainValue(*digest)) return std::nullopt;
    }
    return record;
}

namespace {

std::optional<std::string> digestOfBytes(const std::optional<platform::MacFileBytes>& bytes) {
    if (!bytes) return std::nullopt;
    auto data = Tools::md5StringFromDatePtr(bytes->data);
    auto companion = Tools::md5StringFromDatePtr(bytes->companion);
    if (!data || !companion) return std::nullopt;
    // A missing companion and an empty one are different pairs.
    return *data + (bytes->hasCompanion ? ":" : "-") + *companion;
}

} // namespace

std::optional<std::string> pairDigestOfBytes(const platform::MacFileBytes& bytes) {
    return digestOfBytes(bytes);
}

namespace {

struct RememberedDigest {
    platform::MacPairIdentity identity;
    std::string digest;
};

// The scopes alive on this thread, and what the outermost of them remembers.
thread_local int tScopes = 0;
thread_local std::vector<RememberedDigest> tRemembered;

struct ReadDigest {
    std::optional<std::string> digest;
    platform::MacPairIdentity identity; // all zero when the files changed while they were read
};

// The pair's buffers serve the next pair read.
void recycle(std::optional<platform::MacFileBytes>&& bytes) {
    if (!bytes) return;
    platform::MacFileBytes done = std::move(*bytes);
    platform::recycleBulkBuffer(std::move(done.data));
    platform::recycleBulkBuffer(std::move(done.companion));
}

template <typename Name> ReadDigest readPairDigest(const Name& file) {
    ReadDigest read;
    auto bytes = platform::readMacFileBytes(file, kLargestFontFile, &read.identity);
    read.digest = digestOfBytes(bytes);
    recycle(std::move(bytes));
    return read;
}

template <typename Name> std::optional<std::string> knownPairDigest(const Name& file) {
    if (tScopes == 0) return std::nullopt;
    if (const auto identity = platform::macPairIdentity(file)) {
        for (const RememberedDigest& known : tRemembered)
            if (known.identity == *identity) return known.digest;
    }
    return std::nullopt;
}

std::optional<std::string> remember(ReadDigest read) {
    if (tScopes > 0 && read.digest && read.identity.data.inode != 0)
        tRemembered.push_back({read.identity, *read.digest});
    return std::move(read.digest);
}

template <typename Name> std::optional<std::string> rememberedPairDigest(const Name& file) {
    if (auto known = knownPairDigest(file)) return known;
    return remember(readPairDigest(file));
}

} // namespace

std::pair<std::optional<std::string>, std::optional<std::string>>
pairDigests(const std::string& first, const std::string& second) {
    auto firstKnown = knownPairDigest(first);
    auto secondKnown = knownPairDigest(second);
    if (firstKnown || secondKnown) {
        return {firstKnown ? std::move(firstKnown) : pairDigest(first),
                secondKnown ? std::move(secondKnown) : pairDigest(second)};
    }
    // Both read here, one after the other, so the file-system calls keep their order; only the
    // summing, which is most of the time, runs side by side.
    platform::MacPairIdentity firstIdentity, secondIdentity;
    auto firstBytes = platform::readMacFileBytes(first, kLargestFontFile, &firstIdentity);
    auto secondBytes = platform::readMacFileBytes(second, kLargestFontFile, &secondIdentity);
    // A thread is worth starting only for pairs that take longer to sum than to start it.
    const auto sizeOf = [](const std::optional<platform::MacFileBytes>& bytes) {
        return bytes ? bytes->data.size() + bytes->companion.size() : 0;
    };
    std::future<std::optional<std::string>> secondSum;
    if (std::min(sizeOf(firstBytes), sizeOf(secondBytes)) >= kSumSideBySideFrom) {
        try {
            secondSum = std::async(std::launch::async,
                                   [&secondBytes] { return digestOfBytes(secondBytes); });
        } catch (const std::system_error&) {
            // Without a second thread, one after the other.
        }
    }
    ReadDigest firstRead{digestOfBytes(firstBytes), firstIdentity};
    ReadDigest secondRead{secondSum.valid() ? secondSum.get() : digestOfBytes(secondBytes),
                          secondIdentity};
    recycle(std::move(firstBytes));
    recycle(std::move(secondBytes));
    return {remember(std::move(firstRead)), remember(std::move(secondRead))};
}

PairDigestScope::PairDigestScope() { ++tScopes; }

PairDigestScope::~PairDigestScope() {
    if (--tScopes == 0) tRemembered.clear();
}

std::optional<std::string> pairDigest(const std::string& path) {
    return rememberedPairDigest(path);
}

std::optional<std::string> pairDigest(const platform::MacName& file) {
    return rememberedPairDigest(file);
}

std::optional<std::string> UpdateJournal::folderPath() {
    auto support = platform::applicationSupportFolder();
    if (!support) return std::nullopt;
    const std::string own = *support + "/" + platform::bundleIdentifier;
    const std::string journal = own + "/journal";
    if (!platform::listFolder(*support)) {
        const int16_t made = platform::createFolder(*support);
        if (made != 0 && !platform::listFolder(*support)) return std::nullopt;
    }
    // The records say which file to put where when a run is repaired: a folder somebody else may
    // write to, or a link to one, would let them choose.
    for (const std::string& folder : {own, journal})
        if (!platform::isUsable(platform::makePrivateFolder(folder))) return std::nullopt;
    return journal;
}

std::optional<std::string> UpdateJournal::openedFolder() const {
    if (!folder_) return folderPath();
    // Made private first, then opened for reading: it never holds a record while others may write.
    const platform::PrivateFolderStatus status = platform::makePrivateFolder(*folder_);
    if (status == platform::PrivateFolderStatus::Reused) return folder_;
    if (status != platform::PrivateFolderStatus::Made) return std::nullopt;
    if (platform::setFolderReadableByEveryone(*folder_) != 0) return std::nullopt;
    return folder_;
}

std::vector<std::pair<std::string, JournalRecord>> UpdateJournal::pending() {
    auto folder = folderPath();
    if (!folder) return {};
    return pending(*folder, platform::effectiveUserId());
}

std::vector<std::pair<std::string, JournalRecord>> UpdateJournal::pending(const std::string& folder,
                                                                          uint32_t owner) {
    std::vector<std::pair<std::string, JournalRecord>> records;
    auto names = platform::listFolder(folder);
    if (!names) return records;
    for (const std::string& name : *names) {
        if (!name.ends_with(kRecordSuffix)) continue;
        const std::string path = folder + "/" + name;
        auto bytes = platform::readFileOwnedBy(path, kLargestRecord, owner);
        if (!bytes) continue;
        auto record = JournalRecord::fromText(std::string(bytes->begin(), bytes->end()));
        if (record) records.emplace_back(path, std::move(*record));
    }
    return records;
}

void UpdateJournal::clearUnfinishedRecords(const std::string& folder) {
    auto names = platform::listFolder(folder);
    if (!names) return;
    for (const std::string& name : *names)
        if (name.starts_with(".fu-tmp-") &&
            platform::itemTypeOf(folder + "/" + name) == platform::ItemType::Regular)
            (void)platform::removeMacItem(folder + "/" + name);
}

bool UpdateJournal::begin(const JournalRecord& record, std::string& recordPath) {
    auto folder = openedFolder();
    if (!folder) return false;
    const std::string text = record.text();
    recordPath = *folder + "/" + std::to_string(::getpid()) + "-" + std::to_string(++sequence_) +
                 kRecordSuffix;
    return platform::writeReplacingPlainFile(recordPath, asBytes(text)) == 0;
}

void UpdateJournal::forget(const std::string& recordPath) {
    (void)platform::removeMacItem(recordPath);
}

void UpdateJournal::ended(const std::string& recordPath,
                          const std::vector<std::string>& foldersTouched) {
    ended_.push_back(recordPath);
    folders_.insert(foldersTouched.begin(), foldersTouched.end());
}

void UpdateJournal::finishRun() {
    bool synced = true;
    for (const std::string& folder : folders_)
        synced = platform::syncFolder(folder) == 0 && synced;
    // A record outlives a folder that did not sync: the next start looks at that font again.
    if (synced) {
        for (const std::string& record : ended_)
            forget(record);
    }
    ended_.clear();
    folders_.clear();
}

} // namespace fu
