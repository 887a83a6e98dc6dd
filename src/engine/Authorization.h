// Administrator rights for one update run. On Linux the rights are a privileged helper process
// (fontupdater-helper), started once through the elevation command and kept on a pipe; moving
// a file and running a script with rights are requests to it, each answered with a status.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace fu {

class ScriptInfo;

class Authorization {
public:
    Authorization();
    ~Authorization(); // gives the rights up if still held
    Authorization(const Authorization&) = delete;
    Authorization& operator=(const Authorization&) = delete;

    // True while the rights are held (the helper runs).
    [[nodiscard]] bool hasAuthRef() const;

    // 0 when granted; otherwise the refusal (the user cancelled, no helper, ...). -1 for null.
    [[nodiscard]] static int32_t startAuthorization(Authorization* authorization);
    // False when there were no rights to give up.
    static bool stopAuthorization(Authorization* authorization);

    // Scripts run by the shell with rights; 0 = the script ran and exited with status 0,
    // helperScriptFailed when it exited otherwise.
    [[nodiscard]] static int32_t runOsascriptWithAuthorizationWithScriptPath(Authorization* authorization,
                                                                           const std::string& scriptPath);
    [[nodiscard]] static int32_t runOsascriptWithAuthorizationWithInlineScript(Authorization* authorization,
                                                                             const std::string& script);
    // Writes the script to "tempscript.scpt" in the folder, runs it, deletes it.
    [[nodiscard]] static int32_t runOsascriptWithAuthorization(Authorization* authorization,
                                                               const std::string& scriptDirPath,
                                                               const std::string& scriptString);
    // Moves a Mac file (with its companion) with rights; 0 = the helper carried the request out.
    [[nodiscard]] static int32_t moveFileWithAuthorization(Authorization* authorization, const std::string& fromPath,
                                                           const std::string& toPath);
    // The helper swaps the new pair into the font's place, the old pair kept under the backup
    // name first; answers its status (0, a per-font failure, or a session code).
    [[nodiscard]] static int32_t swapFileWithAuthorization(Authorization* authorization,
                                                           const std::string& newPath,
                                                           const std::string& fontPath,
                                                           const std::string& backupPath);
    // "OSAATSChacheRemoveAuth", then "OSAATSShutdownAuth", then "OSAATSPingAuth"; 0 = success.
    [[nodiscard]] static int32_t clearFontCacheWithAuthorization(Authorization* authorization,
                                                                 const ScriptInfo* scriptInfo);

    struct Helper; // the running helper process: the platform's "authorization reference"

private:
    std::unique_ptr<Helper> authRef_;
    friend struct AuthorizationAccess;
};

} // namespace fu
