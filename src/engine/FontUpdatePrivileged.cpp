// Cache rebuild and restart. Definitions made for Linux carry shell text under the keys that
// held AppleScript, so every script the application would have run in-process runs here with
// /bin/sh -c, as the user; command lines run without any shell.
#include "engine/FontUpdate.h"

#include "definition/ScriptInfo.h"
#include "engine/Authorization.h"
#include "platform/Process.h"

#include <vector>

namespace fu {
namespace {

// logind lets the user of an active local session reboot without a password.
constexpr const char* restartScript = "systemctl reboot";

bool runShellAsUser(const std::string& script) {
    return platform::runProgram({"/bin/sh", "-c", script},
                                platform::ChildOutput::ToStandardError) == 0;
}

} // namespace

bool FontUpdate::clearFontCacheWithAuthorization(Authorization* authorization,
                                                 const ScriptInfo* scriptInfo,
                                                 ByteView definition) {
    if (!authorization || !scriptInfo) return false;
    return Authorization::clearFontCacheWithAuthorization(authorization, scriptInfo, definition) ==
           0;
}

bool FontUpdate::clearFontCacheUserWithScriptInfo(const ScriptInfo* scriptInfo) {
    if (!scriptInfo) return false;
    const auto remove = scriptInfo->scriptStringForKey("UserChacheRemove");
    if (!remove || !execSyncWithCommandString(*remove)) return false;
    // The cache is gone once the removal ran; restarting the font server is a courtesy.
    const auto shutdown = scriptInfo->scriptStringForKey("UserShutdown");
    if (!shutdown || !execSyncWithCommandString(*shutdown)) return true;
    if (const auto ping = scriptInfo->scriptStringForKey("UserPing"))
        (void)execSyncWithCommandString(*ping);
    return true;
}

bool FontUpdate::ASClearFontCacheUserWithScriptInfo(const ScriptInfo* scriptInfo) {
    if (!scriptInfo) return false;
    for (const char* key : {"ASATSChacheRemoveUser", "ASAATSShutdown", "ASAATSPing"}) {
        const auto script = scriptInfo->scriptStringForKey(key);
        if (!script || !runShellAsUser(*script)) return false;
    }
    return true;
}

bool FontUpdate::execSyncWithCommandString(const std::string& commandString) {
    if (commandString.empty()) return false;
    // Every single space separates, so two spaces in a row pass an empty argument.
    std::vector<std::string> argv;
    size_t start = 0;
    for (;;) {
        const size_t space = commandString.find(' ', start);
        argv.push_back(commandString.substr(start, space - start));
        if (space == std::string::npos) break;
        start = space + 1;
    }
    return platform::runProgram(argv, platform::ChildOutput::Discard) == 0;
}

bool FontUpdate::restartComputerWithScriptInfo(const ScriptInfo* scriptInfo, std::string* said) {
    if (said) said->clear();
    if (!scriptInfo) return false;
    const auto script = scriptInfo->scriptStringForKey("ASRestartComputer");
    if (!script) return false;
    if (!said) return runShellAsUser(*script);
    // Enough for a few lines of explanation; a chatty script is cut, never waited on.
    constexpr size_t sayLimit = 4096;
    return platform::runProgram({"/bin/sh", "-c", *script}, *said, sayLimit) == 0;
}

bool FontUpdate::restartComputer() { return runShellAsUser(restartScript); }

} // namespace fu
