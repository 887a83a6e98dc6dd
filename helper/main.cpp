// fontupdater-helper: the part of an update run that holds administrator rights. Started through
// the elevation command with the folders it may touch, it first finishes or undoes the swaps its
// own journal says were cut short, says it is ready, then answers each request on standard input
// with one status line (engine/HelperProtocol.h). It moves and swaps Mac files between its folders,
// always beneath folder descriptors, and runs the cache script of a definition it has verified
// itself; nothing else. Whoever started it is trusted for nothing: not its environment, not its
// working folder, not the computer's Fonts folder it names.
#include "definition/DefinitionKey.h"
#include "engine/FontUpdate.h"
#include "engine/HelperPolicy.h"
#include "engine/HelperProtocol.h"
#include "engine/PrivilegedScript.h"
#include "engine/StatusCodes.h"
#include "engine/UpdateJournal.h"
#include "platform/MacFiles.h"
#include "platform/OSStatus.h"
#include "platform/Paths.h"
#include "platform/Places.h"
#include "platform/Process.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace fu;

bool writeLine(const std::string& line) {
    return std::fwrite(line.data(), 1, line.size(), stdout) == line.size() &&
           std::fflush(stdout) == 0;
}

// A swap cut short leaves a staged pair (or half of one) beside the font, which no later swap of
// that font may ever come to remove: once its journal is repaired, the helper clears its own
// staged names, except those of records it could not repair.
void clearStagedLeftovers(const std::string& fontsFolder, const std::set<std::string>& keep) {
    constexpr size_t kMostFolders = 10000;
    const auto removeFile = [&keep](const std::string& file) {
        if (keep.contains(file) || keep.contains(platform::parentFolderOf(file) + "/" +
                                                 platform::lastPathComponent(file).substr(2)))
            return;
        if (platform::itemTypeOf(file) == platform::ItemType::Regular)
            (void)platform::removeMacItem(file);
    };
    std::vector<std::string> pending{fontsFolder};
    for (size_t seen = 0; !pending.empty() && seen < kMostFolders; ++seen) {
        const std::string folder = pending.back();
        pending.pop_back();
        const auto names = platform::listFolder(folder);
        if (!names) continue;
        for (const std::string& name : *names) {
            const std::string path = folder + "/" + name;
            if (platform::itemTypeOf(path) == platform::ItemType::Directory) {
                if (name != kHelperJournalFolderName) pending.push_back(path);
            } else if (isStagedName(name)) {
                removeFile(path);
                removeFile(platform::companionPath(path));
            } else {
                // The listing hides companions: a staged companion alone is found by its font.
                for (const char* prefix : {kStagedNewPrefix, kStagedOldPrefix})
                    if (const std::string staged = folder + "/" + prefix + name;
                        !platform::macFileExists(staged))
                        removeFile(platform::companionPath(staged));
            }
        }
    }
}

struct Session {
    const HelperPolicy& policy;
    UpdateJournal journal;
    FontUpdate::FolderOpener openFolder;
    TrustStore trust;
};

// A move into the computer's folder puts there a fresh copy of the helper's own (root's, 0644),
// never the caller's file with the caller's owner and bits; out of it, the font simply moves.
int32_t move(Session& session, const std::string& from, const std::string& to) {
    auto fromFolder = session.openFolder(platform::parentFolderOf(from));
    auto toFolder = session.openFolder(platform::parentFolderOf(to));
    if (!fromFolder || !toFolder) return errAuthorizationDenied;
    const platform::MacName source{*fromFolder, platform::lastPathComponent(from)};
    const platform::MacName destination{*toFolder, platform::lastPathComponent(to)};
    if (!session.policy.insideFonts(to)) return platform::moveMacFile(source, destination);
    const platform::MacName staged{*toFolder, kStagedNewPrefix + destination.name};
    (void)platform::removeMacFilePair(staged);
    int16_t result = platform::copyMacFileForEveryone(source, staged, fromFolder->ownerId());
    if (result == platform::noErr) result = platform::moveMacFile(staged, destination);
    if (result != platform::noErr) {
        (void)platform::removeMacFilePair(staged);
        return result;
    }
    (void)platform::removeMacFilePair(source);
    return platform::noErr;
}

int32_t swap(Session& session, const HelperRequest& request) {
    // The digests are the helper's own: it trusts no fingerprint of its caller.
    const PairDigestScope digests;
    const auto [oldDigest, newDigest] = pairDigests(request.to, request.from);
    if (!oldDigest || !newDigest) return code(ItemResult::ItemReadOldFailed);
    const std::string folder = platform::parentFolderOf(request.to);
    const JournalRecord plan{
        request.to, folder + "/" + kStagedNewPrefix + platform::lastPathComponent(request.to),
        request.backup, *oldDigest, *newDigest};
    std::string recordPath;
    if (!session.journal.begin(plan, recordPath)) return code(ItemResult::ItemMoveNewToFontsFailed);
    // A fresh copy, the helper's own: root's, 0644, whatever bits the caller's file had.
    const FontUpdate::SwapResult swapped = FontUpdate::swapPairOfJournalRecord(
        plan, request.from, FontUpdate::PairStaging::CopyForEveryone, session.openFolder);
    if (swapped.result == ItemResult::StatusOK)
        session.journal.ended(recordPath, {folder, platform::parentFolderOf(request.backup)});
    else if (!swapped.stuck)
        UpdateJournal::forget(recordPath);
    return code(swapped.result);
}

int32_t carryOut(Session& session, const HelperRequest& request) {
    const HelperPolicy& policy = session.policy;
    switch (request.verb) {
    case HelperVerb::Move:
        if (const int32_t refusal = policy.checkMove(request.from, request.to); refusal != 0) {
            std::fprintf(stderr, "fontupdater-helper: refused to move \"%s\" to \"%s\"\n",
                         request.from.c_str(), request.to.c_str());
            return refusal;
        }
        return move(session, request.from, request.to);
    case HelperVerb::Swap: {
        if (const int32_t refusal = policy.checkSwap(request.from, request.to, request.backup);
            refusal != 0) {
            std::fprintf(stderr, "fontupdater-helper: refused to swap \"%s\" into \"%s\"\n",
                         request.from.c_str(), request.to.c_str());
            return refusal;
        }
        return swap(session, request);
    }
    case HelperVerb::RunScript: {
        const PrivilegedCommand command = privilegedCommandOfDefinition(
            asBytes(request.definition), request.scriptKey, session.trust, buildCopyrightString());
        if (command.refusal != 0) {
            std::fprintf(stderr, "fontupdater-helper: refused to run \"%s\"\n",
                         request.scriptKey.c_str());
            return command.refusal;
        }
        std::fprintf(stderr, "fontupdater-helper: running \"%s\" (%s)\n", request.scriptKey.c_str(),
                     describeSignature(command.signature).c_str());
        // Standard output carries our answers, so the script's output goes to standard error.
        const int exitStatus =
            platform::runProgram(command.argv, platform::ChildOutput::ToStandardError);
        if (exitStatus < 0) return errAuthorizationToolExecuteFailure;
        if (exitStatus == 0) return 0;
        // A script that fails has not done its work (a cache left unrebuilt), so the caller
        // must hear of it; the status itself is for the log.
        std::fprintf(stderr, "fontupdater-helper: script ended with status %d\n", exitStatus);
        return helperScriptFailed;
    }
    case HelperVerb::Quit:
        // The folders of the session's swaps are synced once, at its end; till then their
        // records stay.
        session.journal.finishRun();
        return 0;
    }
    return helperRequestInvalid;
}

// The user the helper works for: pkexec names the one who authenticated in PKEXEC_UID (set by
// pkexec itself, after it cleared what the caller gave); started otherwise, it is our real user.
unsigned long callerUserId() {
    if (const char* pkexecUid = std::getenv("PKEXEC_UID")) {
        char* end = nullptr;
        errno = 0;
        const unsigned long uid = std::strtoul(pkexecUid, &end, 10);
        if (errno == 0 && end && *end == '\0' && end != pkexecUid) return uid;
    }
    return ::getuid();
}

// Nothing of the caller's process carries over into the helper's own or its children: the
// environment (pkexec clears most of it, a test launcher none), the umask and the working folder.
void leaveCallersSetting() {
    ::clearenv();
    ::setenv("PATH", "/usr/sbin:/usr/bin:/sbin:/bin", 1);
    ::umask(022);
    if (::chdir("/") != 0) std::perror("fontupdater-helper: chdir /");
}

// The computer's Fonts folder is the helper's own to know. Only a build made for tests takes
// the one its caller names, so that a sandbox can stand in for it.
bool isComputerFontsFolder(const std::string& canonicalFonts) {
#ifdef FU_TEST_BUILD
    (void)canonicalFonts;
    return true;
#else
    const auto own = HelperPolicy::canonicalFolder(platform::defaultComputerFontsFolder);
    return own && *own == canonicalFonts;
#endif
}

// One request from the buffer, or nullopt when it needs more bytes; false in `valid` when the
// bytes can no longer become one.
std::optional<HelperRequest> takeRequest(std::string& buffer, bool& valid) {
    const HelperParse parse = parseHelperRequest(buffer);
    valid = parse.state != HelperParseState::Invalid;
    if (parse.state != HelperParseState::Complete) return std::nullopt;
    HelperRequest request = parse.request;
    buffer.erase(0, parse.consumed);
    return request;
}

} // namespace

int main(int argc, char** argv) {
    const unsigned long caller = callerUserId();
    leaveCallersSetting();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto folders = parseHelperArguments(arguments);
    const auto policy = folders ? HelperPolicy::withFolders(*folders, caller) : std::nullopt;
    if (!policy) {
        std::fprintf(
            stderr,
            "usage: fontupdater-helper --fonts DIR [--temp DIR]... [--backup-parent DIR]...\n");
        return 2;
    }
    const std::string fonts = policy->folders().front();
    if (!isComputerFontsFolder(fonts)) {
        std::fprintf(stderr, "fontupdater-helper: \"%s\" is not the computer's Fonts folder\n",
                     fonts.c_str());
        return 2;
    }
    Session session{*policy, UpdateJournal(fonts + "/" + kHelperJournalFolderName),
                    [&policy](const std::string& folder) { return policy->openFolder(folder); },
                    TrustStore::system()};
    const std::string journalFolder = fonts + "/" + kHelperJournalFolderName;
    UpdateJournal::clearUnfinishedRecords(journalFolder);
    for (const std::string& line : FontUpdate::repairInterruptedUpdatesOfJournal(
             UpdateJournal::pending(journalFolder, platform::effectiveUserId()),
             session.openFolder))
        std::fprintf(stderr, "fontupdater-helper: 修復: %s\n", line.c_str());
    std::set<std::string> unrepaired;
    for (const auto& [path, record] :
         UpdateJournal::pending(journalFolder, platform::effectiveUserId()))
        unrepaired.insert(record.stagedPath);
    clearStagedLeftovers(fonts, unrepaired);
    if (!writeLine(std::string(helperReadyLine) + "\n")) return 1;

    // The parser refuses an oversized field or length before its bytes arrive, so the buffer
    // never holds much more than the largest request.
    std::string buffer;
    std::array<char, 1 << 16> chunk{};
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        buffer.append(chunk.data(), size_t(got));
        bool valid = true;
        while (auto request = takeRequest(buffer, valid)) {
            if (!writeLine(encodeHelperAnswer(carryOut(session, *request)))) return 1;
            if (request->verb == HelperVerb::Quit) return 0;
        }
        if (!valid) {
            writeLine(encodeHelperAnswer(helperRequestInvalid));
            return 1;
        }
    }
    // A caller gone without QUIT still has its swaps synced before their records go, as the
    // journal ends.
    return buffer.empty() ? 0 : 1;
}
