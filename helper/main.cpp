// fontupdater-helper: the part of an update run that holds administrator rights. Started through
// the elevation command with the folders it may touch, it says it is ready, then answers each
// request on standard input with one status line (engine/HelperProtocol.h). It moves Mac files
// between its folders and runs script texts; nothing else.
#include "engine/HelperPolicy.h"
#include "engine/FontUpdate.h"
#include "engine/HelperProtocol.h"
#include "engine/StatusCodes.h"
#include "engine/UpdateJournal.h"
#include "platform/MacFiles.h"
#include "platform/Paths.h"
#include "platform/Process.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace fu;

bool writeLine(const std::string& line) {
    return std::fwrite(line.data(), 1, line.size(), stdout) == line.size() &&
           std::fflush(stdout) == 0;
}

// A swap cut short between its two renames leaves half a staged pair beside the font, which no
// later swap of that font may ever come to remove: the helper clears its own staged names first.
void clearStagedLeftovers(const std::string& fontsFolder) {
    constexpr size_t kMostFolders = 10000;
    const auto removeFile = [](const std::string& file) {
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
                pending.push_back(path);
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

int32_t carryOut(const HelperPolicy& policy, const HelperRequest& request) {
    switch (request.verb) {
    case HelperVerb::Move:
        if (const int32_t refusal = policy.checkMove(request.from, request.to); refusal != 0) {
            std::fprintf(stderr, "fontupdater-helper: refused to move \"%s\" to \"%s\"\n",
                         request.from.c_str(), request.to.c_str());
            return refusal;
        }
        return platform::moveMacFile(request.from, request.to);
    case HelperVerb::Swap: {
        if (const int32_t refusal = policy.checkSwap(request.from, request.to, request.backup); refusal != 0) {
            std::fprintf(stderr, "fontupdater-helper: refused to swap \"%s\" into \"%s\"\n", request.from.c_str(),
                         request.to.c_str());
            return refusal;
        }
        // The digests are the helper's own: it trusts no fingerprint of its caller.
        const auto oldDigest = pairDigest(request.to);
        const auto newDigest = pairDigest(request.from);
        if (!oldDigest || !newDigest) return ItemReadOldFailed;
        const std::string folder = platform::parentFolderOf(request.to);
        const JournalRecord plan{request.to, folder + "/" + kStagedNewPrefix + platform::lastPathComponent(request.to),
                                 request.backup, *oldDigest, *newDigest};
        // A fresh copy, the helper's own: root's, 0644, whatever bits the caller's file had.
        const FontUpdate::SwapResult swap =
            FontUpdate::swapPairOfJournalRecord(plan, request.from, FontUpdate::PairStaging::CopyForEveryone);
        (void)platform::syncFolder(folder);
        (void)platform::syncFolder(platform::parentFolderOf(request.backup));
        return swap.result;
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
    clearStagedLeftovers(policy->folders().front());
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
        if (!writeLine(encodeHelperAnswer(carryOut(*policy, parse.request)))) return 1;
        if (parse.request.verb == HelperVerb::Quit) return 0;
    }
    return buffer.empty() ? 0 : 1;
}
