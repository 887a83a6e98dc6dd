// The conversation between the application and fontupdater-helper. The helper is started with
// the folders it may touch on its command line, writes "READY" once it runs with its rights,
// then reads requests from its standard input and answers each with one line, "0" or a
// negative status. A script is answered "0" only when it exited with status 0.
//
// A request is a verb and its fields, each ended by a NUL byte, so nothing inside a field (paths
// hold spaces and line feeds) can pass for structure:
//   "MOVE\0/from\0/to\0"   move one Mac file with its companion
//   "SWAP\0/new\0/font\0/backup\0"
//                          put a fresh root-owned copy of the new pair in the font's place,
//                          the old pair kept under the backup name first
//   "RUN\0KEY\0LENGTH\0" and LENGTH bytes
//                          run the privileged script KEY of the definition that follows, whole;
//                          the helper checks its signature itself and looks the script up
//   "QUIT\0"               answer and end
// The helper takes no script text: a caller can only name a script that a trusted signer wrote.
// A request that cannot be parsed ends the session: after it nothing can be trusted to line up.
#pragma once

#include "engine/StatusCodes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fu {

inline constexpr std::string_view helperReadyLine = "READY";
inline constexpr size_t helperMaxPathLength = 4095; // PATH_MAX without its NUL
inline constexpr size_t helperMaxScriptKeyLength = 64;
// Definitions carry their fonts' tables; a family of large CJK fonts stays well below this.
inline constexpr size_t helperMaxDefinitionLength = size_t{256} << 20;
inline constexpr size_t helperMaxAnswerLength = 16;

// Statuses of the session, numbered after the Security framework's authorization codes so a
// caller sees one set of numbers on every system. A move may also answer a file-manager code.
// No helper runs.
inline constexpr int32_t errAuthorizationInvalidRef = -60002;
// The rights were refused, or the path is one the helper may not touch.
inline constexpr int32_t errAuthorizationDenied = -60005;
// The password dialog was dismissed.
inline constexpr int32_t errAuthorizationCanceled = -60006;
// The helper, or a script, could not be started.
inline constexpr int32_t errAuthorizationToolExecuteFailure = -60031;
// The helper stopped answering sensibly.
inline constexpr int32_t errAuthorizationToolEnvironmentError = -60032;
// paramErr: the request did not parse.
inline constexpr int32_t helperRequestInvalid = -50;
// A script ran and ended with a non-zero exit status, or was ended by a signal. The Security
// framework has no such code (a Mac tool's exit status is never seen), so this one is ours,
// outside that framework's range.
inline constexpr int32_t helperScriptFailed = -60100;

enum class HelperVerb { Move, Swap, RunScript, Quit };

struct HelperRequest {
    HelperVerb verb = HelperVerb::Quit;
    std::string from;            // Move; Swap: the new pair
    std::string to;              // Move; Swap: the installed font
    std::string scriptKey;       // RunScript
    std::string backup = {};     // Swap: the old pair's second name
    std::string definition = {}; // RunScript: the definition file's bytes
    bool operator==(const HelperRequest&) const = default;
};

enum class HelperParseState { Complete, Incomplete, Invalid };

struct HelperParse {
    HelperParseState state = HelperParseState::Incomplete;
    HelperRequest request;
    size_t consumed = 0; // length of the complete request
};

// The request at the start of the buffer. Incomplete until its last byte has arrived; Invalid as
// soon as the bytes can no longer become a request (unknown verb, empty or oversized field, a
// length that is not plain decimal).
[[nodiscard]] HelperParse parseHelperRequest(std::string_view buffer);
// nullopt when a field is empty, too long or holds a NUL.
[[nodiscard]] std::optional<std::string> encodeHelperRequest(const HelperRequest& request);

[[nodiscard]] std::string encodeHelperAnswer(int32_t status); // with its line feed
// One answer line without its line feed: "0", or "-" and digits without a leading zero.
[[nodiscard]] std::optional<int32_t> parseHelperAnswer(std::string_view line);
// What a swap's answer says of the font. The helper answers a per-font result, or a refusal of
// the session; anything that is not a per-font result (a refusal, a number that would wrap onto
// one) is a failed swap, never success.
[[nodiscard]] ItemResult itemResultOfSwapAnswer(int32_t answer);

// Starts with "/", has at least one component, and no empty, "." or ".." component, no NUL.
[[nodiscard]] bool isCleanAbsolutePath(std::string_view path);
// Runs of slashes made one, no trailing slash: a spelling change only, never a different place.
[[nodiscard]] std::string collapseSlashes(std::string_view path);

// The helper's command line: --fonts DIR once, --temp DIR and --backup-parent DIR any number of
// times. The roles only document the command line (which the elevation tool logs); every folder
// is checked alike.
struct HelperFolders {
    std::string fonts;
    std::vector<std::string> temporary;
    std::vector<std::string> backupParents;
    bool operator==(const HelperFolders&) const = default;
};

[[nodiscard]] std::vector<std::string> helperArguments(const HelperFolders& folders);
// nullopt for an unknown option, a missing value, a missing or repeated --fonts, or a folder
// that is not a clean absolute path.
[[nodiscard]] std::optional<HelperFolders>
parseHelperArguments(const std::vector<std::string>& arguments);

} // namespace fu
