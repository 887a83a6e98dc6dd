// fupdef search and apply: the wizard's search and update run for administrators and scripts,
// on the same UpdateManager, with progress on standard error.
#include "Commands.h"

#include "definition/DefinitionKey.h"
#include "engine/Authorization.h"
#include "engine/FontUpdate.h"
#include "engine/MessageInfo.h"
#include "engine/RunDisclosure.h"
#include "engine/StatusCodes.h"
#include "engine/UpdateManager.h"
#include "platform/MacFiles.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <iostream>

namespace fu::cli {

namespace {

using Json = nlohmann::ordered_json;

struct EngineOptions {
    std::string definition;
    std::string folder;
    std::vector<std::string> only;
    bool yes = false;
    bool json = false;
    std::string copyright = buildCopyrightString();
};

class PrintingDelegate : public UpdateManagerDelegate {
public:
    void processProgress(const UpdateResult& result) override {
        if (result.text) std::cerr << "[" << result.count << "] " << *result.text << '\n';
    }
    void processComplete(const UpdateResult& result) override { completion = result; }
    std::optional<UpdateResult> completion;
};

// The definition, loaded for the run; nullptr with a message when it is refused.
std::unique_ptr<EngineSession> loadSession(const EngineOptions& options) {
    std::unique_ptr<EngineSession> session =
        loadEngineSession(options.definition, options.copyright);
    if (!session) return nullptr;
    if (const auto warning = untrustedDefinitionWarning(session->context.definitionSignature))
        std::cerr << "fupdef: " << *warning << '\n';
    return session;
}

// What a run reported, or `otherwise` when it reported nothing of that family.
template <class Status>
Status completionStatus(const PrintingDelegate& delegate, Status otherwise) {
    const Status* status =
        delegate.completion ? std::get_if<Status>(&delegate.completion->status) : nullptr;
    return status ? *status : otherwise;
}

// The search as the checking screen runs it: StatusOK with the fonts found, or the status.
SearchStatus search(EngineSession& session, const EngineOptions& options,
                    PrintingDelegate& delegate) {
    UpdateContext& info = session.context;
    UpdateManager& manager = session.manager;
    manager.delegate = &delegate;
    if (options.folder.empty()) {
        manager.findUpdateNecessaryFont();
        return completionStatus(delegate, SearchStatus::SearchErrorGeneral);
    }
    info.setupUpdateFontInfo();
    const SearchStatus status =
        manager.findUpdateFontInfo(info.updateFontInfo.get(), info.updateSfntSetInfo.get(),
                                   info.updateTargetInfo.get(), options.folder);
    info.updateFontInfo->setRequestUpdateAll(status == SearchStatus::StatusOK &&
                                             info.updateFontInfo->countOfUpdateFontItemAll() > 0);
    return status;
}

template <class Status> std::string messageOf(Status status) {
    static const MessageInfo messages;
    return messages.messageOfStatusCode(status).value_or("");
}

Json fontJson(const UpdateFontItem& item) {
    return Json{{"resName", item.target.resName},
                {"japanFullName", item.target.japanFullName},
                {"domain", item.pathDomain == kComputerDomain ? "computer" : "user"},
                {"path", item.srcPath},
                {"subDirPath", item.subDirPath ? Json(*item.subDirPath) : Json(nullptr)},
                {"setIndex", item.sfntSetIndex},
                {"size", FontUpdate::sizeStringOfByteSize(
                             uint64_t(std::max<int64_t>(item.oldFileSize, 0)), false)}};
}

void printFound(const UpdateFontInfo& fonts, SearchStatus status, bool json) {
    if (json) {
        Json found = Json::array();
        for (const auto& item : fonts.updateFontItems)
            found.push_back(fontJson(*item));
        std::cout << Json{{"fonts", found},
                          {"status", code(status)},
                          {"message", messageOf(status)}}
                         .dump(2)
                  << '\n';
        return;
    }
    for (const auto& item : fonts.updateFontItems) {
        const Json font = fontJson(*item);
        std::cout << item->target.resName << "\t" << item->target.japanFullName << "\t"
                  << font["domain"].get<std::string>() << "\t" << item->srcPath << "\t"
                  << item->subDirPath.value_or("") << "\tset " << item->sfntSetIndex << "\t"
                  << font["size"].get<std::string>() << '\n';
    }
    std::cout << "status " << code(status);
    if (const std::string message = messageOf(status); !message.empty())
        std::cout << ": " << message;
    std::cout << "\n" << fonts.countOfUpdateFontItemAll() << " font(s) found\n";
}

// A run that a crash or a kill cut short is finished or undone before anything looks at fonts.
// The computer's fonts only the helper can repair: a command that changes fonts starts it for
// that (it repairs as it starts), one that only looks says what waits.
void repairFirst(bool withRights) {
    for (const std::string& line : FontUpdate::repairInterruptedUpdates())
        std::cerr << "修復: " << line << '\n';
    if (withRights && !FontUpdate::computerUpdatesAwaitingRepair().empty()) {
        Authorization rights;
        if (Authorization::startAuthorization(&rights) == 0)
            Authorization::stopAuthorization(&rights);
    }
    for (const std::string& line : FontUpdate::computerUpdatesAwaitingRepair())
        std::cerr << "修復: " << line << '\n';
}

int runSearch(const EngineOptions& options) {
    repairFirst(false);
    const std::unique_ptr<EngineSession> session = loadSession(options);
    if (!session) return 1;
    PrintingDelegate delegate;
    const SearchStatus status = search(*session, options, delegate);
    printFound(*session->context.updateFontInfo, status, options.json);
    return status == SearchStatus::StatusOK ? 0 : 1;
}

bool confirmed(const UpdateContext& info) {
    std::cerr << updateConfirmationText(info) << " [y/N] ";
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return answer == "y" || answer == "Y" || answer == "yes";
}

int runApply(const EngineOptions& options) {
    repairFirst(true);
    const std::unique_ptr<EngineSession> session = loadSession(options);
    if (!session) return 1;
    PrintingDelegate delegate;
    const SearchStatus status = search(*session, options, delegate);
    UpdateFontInfo& fonts = *session->context.updateFontInfo;
    if (status != SearchStatus::StatusOK) {
        printFound(fonts, status, options.json);
        return 1;
    }
    if (!options.only.empty())
        for (auto& item : fonts.updateFontItems)
            item->reqUpdate = std::find(options.only.begin(), options.only.end(), item->srcPath) !=
                              options.only.end();
    if (fonts.countOfUpdateFontItemRequestUpdate() == 0) {
        std::cerr << "fupdef: no font to update\n";
        return 1;
    }
    UpdateManager& manager = session->manager;
    // What runs is said before the password is asked for, also when nobody is asked.
    if (options.yes)
        std::cerr << updateConfirmationText(session->context) << '\n';
    else if (!confirmed(session->context)) {
        std::cerr << "fupdef: cancelled\n";
        return 1;
    }
    if (int32_t rights = manager.startAuthorization(); rights != 0) {
        manager.stopAuthorization();
        std::cerr << "fupdef: administrator rights were not granted (" << rights << ")\n";
        return 1;
    }
    delegate.completion.reset();
    manager.exeUpdateRequestedFont();
    const UpdateStatus outcome = completionStatus(delegate, UpdateStatus::UpdateErrorGeneral);

    Json results = Json::array();
    for (const auto& item : fonts.updateFontItems) {
        const ItemResult result = item->updateResult;
        const bool updated = result == ItemResult::StatusOK;
        const std::string message = updated ? "" : messageOf(fontMessageCodeOfItemResult(result));
        results.push_back({{"path", item->srcPath},
                           {"updated", updated},
                           {"result", code(result)},
                           {"message", message}});
        if (!options.json)
            std::cout << (updated ? "完了" : "未完") << "\t" << code(result) << "\t"
                      << item->srcPath << (message.empty() ? "" : "\t" + message) << '\n';
    }
    if (options.json)
        std::cout << Json{{"fonts", results},
                          {"outcome", code(outcome)},
                          {"message", messageOf(outcome)}}
                         .dump(2)
                  << '\n';
    else
        std::cout << "outcome " << code(outcome)
                  << (messageOf(outcome).empty() ? "" : ": " + messageOf(outcome)) << '\n';
    return outcome == UpdateStatus::StatusOK ? 0 : 1;
}

struct RestoreOptions {
    std::string backupFolder;
    bool yes = false;
    bool json = false;
};

int runRestore(const RestoreOptions& options) {
    repairFirst(true);
    if (!platform::listFolder(options.backupFolder)) {
        std::cerr << "fupdef: " << options.backupFolder << ": not a folder that can be read\n";
        return 1;
    }
    if (!options.yes) {
        std::cerr
            << "ゴミ箱の「" << options.backupFolder
            << "」のフォントを元の場所に戻します。今あるフォントは新しい「古いフォント項目」に移動します。よろしいですか？ [y/N] ";
        std::string answer;
        if (!std::getline(std::cin, answer) ||
            (answer != "y" && answer != "Y" && answer != "yes")) {
            std::cerr << "fupdef: cancelled\n";
            return 1;
        }
    }
    // The computer's fonts go back through the helper, with the administrator's password.
    Authorization rights;
    bool withRights = false;
    if (const auto computer = platform::listFolder(options.backupFolder + "/コンピュータ");
        computer && !computer->empty()) {
        if (const int32_t granted = Authorization::startAuthorization(&rights); granted != 0) {
            std::cerr << "fupdef: administrator rights were not granted (" << granted
                      << "); the computer's fonts stay as they are\n";
        } else {
            withRights = true;
        }
    }
    std::optional<std::string> newer;
    const auto restored = FontUpdate::restoreFontsOfBackupDirectory(options.backupFolder, newer,
                                                                    withRights ? &rights : nullptr);
    if (withRights) Authorization::stopAuthorization(&rights);
    bool allBack = !restored.empty();
    Json fonts = Json::array();
    for (const auto& font : restored) {
        const bool back = font.result == ItemResult::StatusOK;
        allBack = allBack && back;
        fonts.push_back(
            {{"path", font.fontPath}, {"restored", back}, {"result", code(font.result)}});
        if (!options.json)
            std::cout << (back ? "復元" : "未完") << "\t" << code(font.result) << "\t"
                      << font.fontPath << '\n';
    }
    if (options.json) {
        std::cout << Json{{"fonts", fonts}, {"newerFontsIn", newer ? Json(*newer) : Json(nullptr)}}
                         .dump(2)
                  << '\n';
    } else {
        if (restored.empty()) std::cout << "no font in " << options.backupFolder << '\n';
        if (newer) std::cout << "the fonts they replaced are in " << *newer << '\n';
    }
    return allBack ? 0 : 1;
}

void addCommonOptions(CLI::App* command, EngineOptions& options) {
    command->add_option("DEF", options.definition, ".fupdef definition")->required();
    command->add_option("--folder", options.folder, "search only this folder (as the user's)");
    command->add_flag("--json", options.json, "print JSON");
    command->add_option("--copyright", options.copyright, "copyright string that seeds the key")
        ->capture_default_str();
}

} // namespace

void addEngineCommands(CLI::App& app, int& exitCode) {
    auto searchOptions = std::make_shared<EngineOptions>();
    auto* search =
        app.add_subcommand("search", "Search the Fonts folders for fonts a definition updates");
    addCommonOptions(search, *searchOptions);
    search->callback([searchOptions, &exitCode] { exitCode = runSearch(*searchOptions); });

    auto applyOptions = std::make_shared<EngineOptions>();
    auto* apply =
        app.add_subcommand("apply", "Search, then update the fonts found (or those named)");
    addCommonOptions(apply, *applyOptions);
    apply->add_option("--only", applyOptions->only, "update only these found fonts (paths)");
    apply->add_flag("--yes", applyOptions->yes, "do not ask for confirmation");
    apply->callback([applyOptions, &exitCode] { exitCode = runApply(*applyOptions); });

    auto restoreOptions = std::make_shared<RestoreOptions>();
    auto* restore =
        app.add_subcommand("restore", "Put the fonts of one backup folder back in place");
    restore
        ->add_option("BACKUP-FOLDER", restoreOptions->backupFolder,
                     "a 古いフォント項目 folder in the Trash")
        ->required();
    restore->add_flag("--yes", restoreOptions->yes, "do not ask for confirmation");
    restore->add_flag("--json", restoreOptions->json, "print JSON");
    restore->callback([restoreOptions, &exitCode] { exitCode = runRestore(*restoreOptions); });
}

} // namespace fu::cli
