// Rights as a privileged helper process: started once through the elevation command, then kept
// on two pipes and asked one request at a time. Giving the rights up ends the helper.
#include "engine/Authorization.h"

#include "definition/ScriptInfo.h"
#include "engine/HelperPolicy.h"
#include "engine/HelperProtocol.h"
#include "platform/Places.h"
#include "platform/Process.h"
#include "platform/Text.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <utility>

namespace fu {
namespace {

constexpr const char* helperFileName = "fontupdater-helper";
constexpr const char* defaultElevation = "pkexec";
constexpr const char* tempScriptName = "tempscript.scpt";
constexpr auto helperExitTimeout = std::chrono::seconds(5);
// pkexec's own exit statuses: the dialog was dismissed, or the user may not have the rights.
constexpr int elevationDismissed = 126;
constexpr int elevationNotAuthorized = 127;

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) return std::nullopt;
    return std::string(value);
}

// Beside the running program (the build and the installation both put it there), else where
// FONTUPDATER_HELPER says.
std::optional<std::string> helperPath() {
    if (auto self = platform::currentExecutablePath()) {
        const auto candidate = std::filesystem::path(*self).parent_path() / helperFileName;
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error)) return candidate.string();
    }
    return environment("FONTUPDATER_HELPER");
}

bool isUsableText(const std::string& text) {
    return !text.empty() && platform::utf16Length(text).has_value();
}

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string expandTilde(const std::string& path) {
    if (path != "~" && !path.starts_with("~/")) return path;
    auto home = platform::homeFolder();
    return home ? *home + path.substr(1) : path;
}

} // namespace

struct Authorization::Helper {
    // A folder as the standard places spell it, and as the helper knows it (links resolved).
    struct Folder {
        std::string given;
        std::string canonical;
    };

    std::unique_ptr<platform::ChildProcess> process;
    std::vector<Folder> folders;

    ~Helper() {
        if (!process) return;
        if (auto quit = encodeHelperRequest({HelperVerb::Quit, {}, {}, {}}))
            (void)process->writeAll(*quit);
        process->finish(helperExitTimeout);
    }

    // The helper refuses every link on a path, including one above its folders (a home folder
    // reached through a link, for instance); so the part of a path that names one of its folders
    // is sent in the spelling the helper resolved. Links below the folders stay visible to it.
    [[nodiscard]] std::string spelledForHelper(const std::string& path) const {
        const std::string tidy = collapseSlashes(path);
        const Folder* best = nullptr;
        for (const auto& folder : folders)
            if (tidy.size() > folder.given.size() && tidy.starts_with(folder.given) &&
                tidy[folder.given.size()] == '/' &&
                (!best || folder.given.size() > best->given.size()))
                best = &folder;
        return best ? best->canonical + tidy.substr(best->given.size()) : tidy;
    }

    // The helper's answer; a helper that cannot be spoken to any more gives the rights up.
    [[nodiscard]] static int32_t request(std::unique_ptr<Helper>& helper,
                                         const HelperRequest& request) {
        const auto bytes = encodeHelperRequest(request);
        if (!bytes) return -1;
        std::optional<int32_t> status;
        if (helper->process->writeAll(*bytes))
            if (auto line = helper->process->readLine(helperMaxAnswerLength))
                status = parseHelperAnswer(*line);
        if (!status) {
            helper.reset();
            return errAuthorizationToolEnvironmentError;
        }
        return *status;
    }
};

namespace {

// The folders the helper may touch, from the standard places. The temporary folder is made only
// after the rights are granted; the dated backup folder is made later still, inside the Trash
// or on the Desktop, so those parents are given.
std::optional<std::vector<Authorization::Helper::Folder>> helperFolders(HelperFolders& arguments) {
    std::vector<Authorization::Helper::Folder> folders;
    auto add = [&](const std::optional<std::string>& given, std::vector<std::string>* list) {
        if (!given) return false;
        auto canonical = HelperPolicy::canonicalFolder(*given);
        if (!canonical) return false;
        folders.push_back({collapseSlashes(*given), *canonical});
        if (list)
            list->push_back(*canonical);
        else
            arguments.fonts = *canonical;
        return true;
    };
    if (!add(platform::computerFontsFolder(), nullptr)) return std::nullopt;
    if (auto support = platform::applicationSupportFolder())
        add(*support + "/" + platform::bundleIdentifier + ".temp", &arguments.temporary);
    add(platform::trashFilesFolder(), &arguments.backupParents);
    add(platform::desktopFolder(), &arguments.backupParents);
    return folders;
}

} // namespace

Authorization::Authorization() = default;
Authorization::~Authorization() = default;

bool Authorization::hasAuthRef() const {
    return authRef_ != nullptr;
}

int32_t Authorization::startAuthorization(Authorization* authorization) {
    if (!authorization) return -1;
    authorization->authRef_.reset();
    const auto helper = helperPath();
    HelperFolders arguments;
    auto folders = helperFolders(arguments);
    if (!helper || !folders) return errAuthorizationToolExecuteFailure;

    // The elevation command from the environment wins even for root, so that tests can always
    // put a recording launcher in its place.
    std::vector<std::string> argv;
    if (auto elevation = environment("FONTUPDATER_ELEVATE"))
        argv.push_back(*elevation);
    else if (!platform::isRunningAsRoot())
        argv.push_back(defaultElevation);
    argv.push_back(*helper);
    for (auto& argument : helperArguments(arguments))
        argv.push_back(std::move(argument));

    auto process = platform::ChildProcess::spawn(argv);
    if (!process) return errAuthorizationToolExecuteFailure;
    // Blocks while the password dialog is up; the helper speaks only once it runs with rights.
    const auto line = process->readLine(helperMaxAnswerLength);
    if (line == helperReadyLine) {
        authorization->authRef_ = std::make_unique<Helper>();
        authorization->authRef_->process = std::move(process);
        authorization->authRef_->folders = std::move(*folders);
        return 0;
    }
    const auto exitStatus = process->finish(helperExitTimeout);
    if (line) return errAuthorizationToolEnvironmentError;
    if (exitStatus == elevationDismissed) return errAuthorizationCanceled;
    if (exitStatus == elevationNotAuthorized) return errAuthorizationDenied;
    return errAuthorizationToolExecuteFailure;
}

bool Authorization::stopAuthorization(Authorization* authorization) {
    if (!authorization || !authorization->authRef_) return false;
    authorization->authRef_.reset();
    return true;
}

int32_t Authorization::runOsascriptWithAuthorizationWithScriptPath(Authorization* authorization,
                                                                   const std::string& scriptPath) {
    if (!authorization || !authorization->authRef_ || !isUsableText(scriptPath)) return -1;
    HelperRequest request{HelperVerb::Script, {}, {}, "exec /bin/sh " + shellQuoted(scriptPath)};
    return Helper::request(authorization->authRef_, request);
}

int32_t Authorization::runOsascriptWithAuthorizationWithInlineScript(Authorization* authorization,
                                                                     const std::string& script) {
    if (!authorization || !authorization->authRef_ || !isUsableText(script)) return -1;
    return Helper::request(authorization->authRef_, {HelperVerb::Script, {}, {}, script});
}

int32_t Authorization::runOsascriptWithAuthorization(Authorization* authorization,
                                                     const std::string& scriptDirPath,
                                                     const std::string& scriptString) {
    if (!authorization || !authorization->authRef_ || scriptDirPath.empty() ||
        !isUsableText(scriptString))
        return -1;
    const std::filesystem::path folder = expandTilde(scriptDirPath);
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) return -1;
    const std::string scriptPath = collapseSlashes((folder / tempScriptName).string());
    {
        std::ofstream out(scriptPath, std::ios::binary | std::ios::trunc);
        out << scriptString;
        out.close();
        if (!out) return -1;
    }
    const int32_t status = runOsascriptWithAuthorizationWithScriptPath(authorization, scriptPath);
    if (!std::filesystem::remove(scriptPath, error)) return -1;
    return status;
}

int32_t Authorization::moveFileWithAuthorization(Authorization* authorization,
                                                 const std::string& fromPath,
                                                 const std::string& toPath) {
    if (!authorization || !authorization->authRef_ || !isUsableText(fromPath) ||
        !isUsableText(toPath))
        return -1;
    const Helper& helper = *authorization->authRef_;
    HelperRequest request{
        HelperVerb::Move, helper.spelledForHelper(fromPath), helper.spelledForHelper(toPath), {}};
    return Helper::request(authorization->authRef_, request);
}

int32_t Authorization::swapFileWithAuthorization(Authorization* authorization, const std::string& newPath,
                                                 const std::string& fontPath, const std::string& backupPath) {
    if (!authorization || !authorization->authRef_ || !isUsableText(newPath) || !isUsableText(fontPath) ||
        !isUsableText(backupPath))
        return -1;
    const Helper& helper = *authorization->authRef_;
    HelperRequest request{HelperVerb::Swap, helper.spelledForHelper(newPath), helper.spelledForHelper(fontPath), {},
                          helper.spelledForHelper(backupPath)};
    return Helper::request(authorization->authRef_, request);
}

int32_t Authorization::clearFontCacheWithAuthorization(Authorization* authorization,
                                                       const ScriptInfo* scriptInfo) {
    if (!authorization || !authorization->authRef_ || !scriptInfo) return -1;
    const auto remove = scriptInfo->scriptStringForKey("OSAATSChacheRemoveAuth");
    if (!remove) return -1;
    if (int32_t status = runOsascriptWithAuthorizationWithInlineScript(authorization, *remove);
        status != 0)
        return status;
    const auto shutdown = scriptInfo->scriptStringForKey("OSAATSShutdownAuth");
    if (!shutdown || runOsascriptWithAuthorizationWithInlineScript(authorization, *shutdown) != 0)
        return 0;
    if (const auto ping = scriptInfo->scriptStringForKey("OSAATSPingAuth"))
        (void)runOsascriptWithAuthorizationWithInlineScript(authorization, *ping);
    return 0;
}

} // namespace fu
