// fontupdater-helper: the part of an update run that holds administrator rights. Started through
// the elevation command with the folders it may touch, it first finishes or undoes the swaps its
// own journal says were cut short, says it is ready, then answers each request on standard input
// with one status line (engine/HelperProtocol.h). It moves and swaps Mac files between its folders,
// always beneath folder descriptors, and runs script texts; nothing else.
#include "engine/HelperPolicy.h"
#include "engine/FontUpdate.h"
#include "engine/HelperProtocol.h"
#include "engine/StatusCodes.h"
#include "engine/UpdateJournal.h"
#include "platform/MacFiles.h"
#include "platform/OSStatus.h"
#include "platform/Paths.h"
#include "platform/Process.h"

#include <cstdio>
#include <set>
#include <string>
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
        if (platform::itemTypeOf(file) == platform::ItemType::Regular) (void)platform::removeMacItem(file);
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
                    if (const std::string staged = folder + "/" + prefix + name; !platform::macFileExists(staged))
                        removeFile(platform::companionPath(staged));
            }
        }
    }
}

struct Session {
    const HelperPolicy& policy;
    UpdateJournal journal;
    FontUpdate::FolderOpener openFolder;
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
    const auto oldDigest = pairDigest(request.to);
    const auto newDigest = pairDigest(request.from);
    if (!oldDigest || !newDigest) return ItemReadOldFailed;
    const std::string folder = platform::parentFolderOf(request.to);
    const JournalRecord plan{request.to, folder + "/" + kStagedNewPrefix + platform::lastPathComponent(request.to),
                             request.backup, *oldDigest, *newDigest};
    std::string recordPath;
    if (!session.journal.begin(plan, recordPath)) return ItemMoveNewToFontsFailed;
    // A fresh copy, the helper's own: root's, 0644, whatever bits the caller's file had.
    const FontUpdate::SwapResult swapped = FontUpdate::swapPairOfJournalRecord(
        plan, request.from, FontUpdate::PairStaging::CopyForEveryone, session.openFolder);
    if (swapped.result == StatusOK)
        session.journal.ended(recordPath, {folder, platform::parentFolderOf(request.backup)});
    else if (!swapped.stuck)
        UpdateJournal::forget(recordPath);
    return swapped.result;
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
        if (const int32_t refusal = policy.checkSwap(request.from, request.to, request.backup); refusal != 0) {
            std::fprintf(stderr, "fontupdater-helper: refused to swap \"%s\" into \"%s\"\n", request.from.c_str(),
                         request.to.c_str());
            return refusal;
        }
        return swap(session, request);
    }
    case HelperVerb::Script: {
        // Standard output carries our answers, so the script's output goes to standard error.
        const int exitStatus = platform::runProgram({"/bin/sh", "-c", request.script},
                                                    platform::ChildOutput::ToStandardError);
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

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto folders = parseHelperArguments(arguments);
    const auto policy = folders ? HelperPolicy::withFolders(*folders) : std::nullopt;
    if (!policy) {
        std::fprintf(
            stderr,
            "usage: fontupdater-helper --fonts DIR [--temp DIR]... [--backup-parent DIR]...\n");
        return 2;
    }
    const std::string fonts = policy->folders().front();
    Session session{*policy, UpdateJournal(fonts + "/" + kHelperJournalFolderName),
                    [&policy](const std::string& folder) { return policy->openFolder(folder); }};
    const std::string journalFolder = fonts + "/" + kHelperJournalFolderName;
    UpdateJournal::clearUnfinishedRecords(journalFolder);
    for (const std::string& line : FontUpdate::repairInterruptedUpdatesOfJournal(
             UpdateJournal::pending(journalFolder, platform::effectiveUserId()), session.openFolder))
        std::fprintf(stderr, "fontupdater-helper: 修復: %s\n", line.c_str());
    std::set<std::string> unrepaired;
    for (const auto& [path, record] : UpdateJournal::pending(journalFolder, platform::effectiveUserId()))
        unrepaired.insert(record.stagedPath);
    clearStagedLeftovers(fonts, unrepaired);
    if (!writeLine(std::string(helperReadyLine) + "\n")) return 1;

    // A request is only complete at a NUL, so parsing waits for one; an oversized field is
    // caught by the parser before the buffer can grow without bound.
    constexpr size_t longestRequest = helperMaxScriptLength + 16;
    std::string buffer;
    for (int c; (c = std::getc(stdin)) != EOF;) {
        buffer.push_back(static_cast<char>(c));
        if (c != '\0' && buffer.size() <= longestRequest) continue;
        const HelperParse parse = parseHelperRequest(buffer);
        if (parse.state == HelperParseState::Incomplete) continue;
        if (parse.state == HelperParseState::Invalid) {
            writeLine(encodeHelperAnswer(helperRequestInvalid));
            return 1;
        }
        buffer.erase(0, parse.consumed);
        if (!writeLine(encodeHelperAnswer(carryOut(session, parse.request)))) return 1;
        if (parse.request.verb == HelperVerb::Quit) return 0;
    }
    return buffer.empty() ? 0 : 1;
}
