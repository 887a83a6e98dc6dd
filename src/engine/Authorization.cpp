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
#include <utility>

namespace fu {
namespace {

constexpr const char* helperFileName = "fontupdater-helper";
constexpr const char* defaultElevation = "/usr/bin/pkexec";
constexpr auto helperExitTimeout = std::chrono::seconds(5);
// pkexec's own exit statuses: the dialog was dismissed, or the user may not have the rights.
constexpr int elevationDismissed = 126;
constexpr int elevationNotAuthorized = 127;

// Only a build for tests takes anything from the environment.
[[maybe_unused]] std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) return std::nullopt;
    return std::string(value);
}

// Beside the running program (the build and the installation both put it there); a build for
// tests may also be told where by FONTUPDATER_HELPER.
std::optional<std::string> helperPath() {
    if (auto self = platform::currentExecutablePath()) {
        const auto candidate = std::filesystem::path(*self).parent_path() / helperFileName;
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error)) return candidate.string();
    }
#ifdef FU_TEST_BUILD
    return environment("FONTUPDATER_HELPER");
#else
    return std::nullopt;
#endif
}

// The command that gives the helper its rights. A build for tests puts a recording launcher in
// its place when FONTUPDATER_ELEVATE names one, even for root; any other build ignores it, so
// that nobody's environment can choose what runs with the administrator's password.
std::vector<std::string> elevationCommand() {
#ifdef FU_TEST_BUILD
    if (auto elevation = environment("FONTUPDATER_ELEVATE")) return {*elevation};
#endif
    if (platform::isRunningAsRoot()) return {};
    return {defaultElevation};
}

bool isUsableText(const std::string& text) {
    return !text.empty() && platform::utf16Length(text).has_value();
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
    bool wasInspectable = true;

    ~Helper() {
        if (process) {
            if (auto quit = encodeHelperRequest({HelperVerb::Quit, {}, {}, {}}))
                (void)process->writeAll(*quit);
            process->finish(helperExitTimeout);
        }
        process.reset(); // the pipes are closed before others may look at us again
        if (wasInspectable) platform::setInspectableBySameUser(true);
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

bool Authorization::hasAuthRef() const { return authRef_ != nullptr; }

int32_t Authorization::startAuthorization(Authorization* authorization) {
    if (!authorization) return -1;
    authorization->authRef_.reset();
    const auto helper = helperPath();
    HelperFolders arguments;
    auto folders = helperFolders(arguments);
    if (!helper || !folders) return errAuthorizationToolExecuteFailure;

    std::vector<std::string> argv = elevationCommand();
    argv.push_back(*helper);
    for (auto& argument : helperArguments(arguments))
        argv.push_back(std::move(argument));

    // Before the pipes exist: another program of the user could otherwise open them through
    // /proc and speak to the helper in our name.
    auto held = std::make_unique<Helper>();
    held->wasInspectable = platform::isInspectableBySameUser();
    platform::setInspectableBySameUser(false);
    held->process = platform::ChildProcess::spawn(argv);
    if (!held->process) return errAuthorizationToolExecuteFailure;
    // Blocks while the password dialog is up; the helper speaks only once it runs with rights.
    const auto line = held->process->readLine(helperMaxAnswerLength);
    if (line == helperReadyLine) {
        held->folders = std::move(*folders);
        authorization->authRef_ = std::move(held);
        return 0;
    }
    const auto exitStatus = held->process->finish(helperExitTimeout);
    held->process.reset();
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

int32_t Authorization::runDefinitionScriptWithAuthorization(Authorization* authorization,
                                                            ByteView definition,
                                                            const std::string& scriptKey) {
    if (!authorization || !authorization->authRef_ || definition.empty() || scriptKey.empty())
        return -1;
    HelperRequest request{HelperVerb::RunScript, {}, {}, scriptKey};
    request.definition = toString(definition);
    return Helper::request(authorization->authRef_, request);
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

int32_t Authorization::swapFileWithAuthorization(Authorization* authorization,
                                                 const std::string& newPath,
                                                 const std::string& fontPath,
                                                 const std::string& backupPath) {
    if (!authorization || !authorization->authRef_ || !isUsableText(newPath) ||
        !isUsableText(fontPath) || !isUsableText(backupPath))
        return -1;
    const Helper& helper = *authorization->authRef_;
    HelperRequest request{HelperVerb::Swap,
                          helper.spelledForHelper(newPath),
                          helper.spelledForHelper(fontPath),
                          {},
                          helper.spelledForHelper(backupPath)};
    return Helper::request(authorization->authRef_, request);
}

int32_t Authorization::clearFontCacheWithAuthorization(Authorization* authorization,
                                                       const ScriptInfo* scriptInfo,
                                                       ByteView definition) {
    if (!authorization || !authorization->authRef_ || !scriptInfo) return -1;
    // The helper runs its own reading of the definition; what is looked up here only decides
    // which steps there are, as the scripts the user was shown.
    if (!scriptInfo->scriptStringForKey("OSAATSChacheRemoveAuth")) return -1;
    const auto run = [&](const char* key) {
        return runDefinitionScriptWithAuthorization(authorization, definition, key);
    };
    if (int32_t status = run("OSAATSChacheRemoveAuth"); status != 0) return status;
    if (!scriptInfo->scriptStringForKey("OSAATSShutdownAuth") || run("OSAATSShutdownAuth") != 0)
        return 0;
    if (scriptInfo->scriptStringForKey("OSAATSPingAuth")) (void)run("OSAATSPingAuth");
    return 0;
}

} // namespace fu
