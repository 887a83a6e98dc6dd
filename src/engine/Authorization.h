// Administrator rights for one update run. On Linux the rights are a privileged helper process
// (fontupdater-helper), started once through the elevation command and kept on a pipe; moving
// a file and running a definition's script with rights are requests to it, each answered with a
// status. While the helper runs, other programs of the user cannot look into this process.
#pragma once

#include "base/Bytes.h"

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

    // The helper runs the script `scriptKey` of the definition (its file's bytes) once it has
    // checked the signature itself; without a trusted one it runs only the fixed cache rebuild,
    // for the cache removal. 0 = ran and exited with status 0, helperScriptFailed when it exited
    // otherwise, errAuthorizationDenied when refused.
    [[nodiscard]] static int32_t runDefinitionScriptWithAuthorization(Authorization* authorization,
                                                                      ByteView definition,
                                                                      const std::string& scriptKey);
    // Moves a Mac file (with its companion) with rights; 0 = the helper carried the request out.
    [[nodiscard]] static int32_t moveFileWithAuthorization(Authorization* authorization,
                                                           const std::string& fromPath,
                                                           const std::string& toPath);
    // The helper swaps the new pair into the font's place, the old pair kept under the backup
    // name first; answers its status (0, a per-font failure, or a session code).
    [[nodiscard]] static int32_t swapFileWithAuthorization(Authorization* authorization,
                                                           const std::string& newPath,
                                                           const std::string& fontPath,
                                                           const std::string& backupPath);
    // "OSAATSChacheRemoveAuth", then "OSAATSShutdownAuth", then "OSAATSPingAuth"; 0 = success.
    [[nodiscard]] static int32_t clearFontCacheWithAuthorization(Authorization* authorization,
                                                                 const ScriptInfo* scriptInfo,
                                                                 ByteView definition);

    struct Helper; // the running helper process: the platform's "authorization reference"

private:
    std::unique_ptr<Helper> authRef_;
    friend struct AuthorizationAccess;
};

} // namespace fu
