// fupdef inspect and build: the authoring tools' check-target records of suitcase files, and
// updated fonts built into an output folder, from a searched folder or from completed records.
#include "Commands.h"
#include "RecordsJson.h"

#include "definition/DefinitionKey.h"
#include "engine/FontUpdate.h"
#include "engine/UpdateManager.h"
#include "sfnt/SfntData.h"
#include "suitcase/ResFile.h"
#include "tools/CheckTargetInfo.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <iostream>

namespace fu::cli {

namespace {

using Json = nlohmann::ordered_json;

struct InspectOptions {
    std::vector<std::string> files;
    std::string definition;
    bool json = false;
    std::string copyright = buildCopyrightString();
};

struct BuildOptions {
    std::string definition;
    std::string src;
    std::string records;
    std::string dst;
    std::string copyright = buildCopyrightString();
};

// Without a definition there is no set to match; the record still tells what the file holds.
int16_t inspectWithoutSets(CheckTargetInfo& list, const std::string& path) {
    const std::optional<std::string> mapInfo = ResFile::resourceMapInfoStringOfPath(path);
    if (!mapInfo) return -1;
    auto item = std::make_unique<CheckTargetItem>();
    item->resMapInfo = item->nResMapInfo = mapInfo;
    const SfntData noTables;
    if (FontUpdate::setCheckTargetItem(item.get(), &noTables, path) != 0) return -1;
    item->filePath = path;
    return list.addCheckTargetItem(std::move(item)) ? 0 : -1;
}

int runInspect(const InspectOptions& options) {
    std::unique_ptr<EngineSession> session;
    if (!options.definition.empty() &&
        !(session = loadEngineSession(options.definition, options.copyright)))
        return 1;
    CheckTargetInfo list;
    int exitCode = 0;
    for (const std::string& path : options.files) {
        const int16_t answer = session ? FontUpdate::setCheckTargetInfo(
                                             &list, session->context.updateSfntSetInfo.get(), path)
                                       : inspectWithoutSets(list, path);
        if (answer != 0) {
            std::cerr << "fupdef: " << path
                      << ": cannot be inspected (no readable resource map or resources)\n";
            exitCode = 1;
        }
    }
    if (list.checkExistsFontNameAndFullName())
        std::cerr << "fupdef: two files hold the same font (equal fondResName and japanFullName)\n";

    const std::optional<PropertyDictionary> dictionary = list.dictionary();
    const Json document =
        dictionary ? toJson(*dictionary) : Json{{"checkTargetItems", Json::array()}};
    if (options.json) {
        std::cout << document.dump(2) << '\n';
        return exitCode;
    }
    size_t index = 0;
    for (const Json& record : document["checkTargetItems"]) {
        std::cout << "[" << index++ << "] " << record.value("filePath", "") << '\n';
        for (const auto& [key, value] : record.items())
            if (key != "filePath")
                std::cout << "  " << key << ": "
                          << (value.is_string() ? value.get<std::string>() : value.dump()) << '\n';
    }
    return exitCode;
}

class LogCompletion : public CreateFontCompleteDelegate {
public:
    void createFontComplete(const std::string& logText) override { completions.push_back(logText); }
    std::vector<std::string> completions;
};

int buildFromFolder(UpdateManager& manager, const UpdateContext& info,
                    const BuildOptions& options) {
    LogCompletion completion;
    size_t printed = 0;
    auto printNewLines = [&] {
        std::cout << manager.createFontLogText.substr(printed) << std::flush;
        printed = manager.createFontLogText.size();
    };
    const bool started = manager.createUserFontWithUpdateTargetInfo(
        info.updateTargetInfo.get(), options.src, options.dst, &completion);
    printNewLines();
    if (!started) return 1;
    while (manager.createFontStepPending()) {
        manager.createFont();
        printNewLines();
    }
    // A batch that reached its end may still have failed fonts on the way; scripts must see that.
    const std::string& log = manager.createFontLogText;
    const bool finished = log.ends_with("[終了]\n") && log.find("[エラー]") == std::string::npos;
    return finished && completion.completions.size() == 1 ? 0 : 1;
}

int buildFromRecords(UpdateManager& manager, UpdateContext& info, const BuildOptions& options) {
    auto bytes = readInputFile(options.records);
    if (!bytes) return 1;
    const std::optional<PropertyValue> document = propertiesFromJsonText(*bytes);
    info.checkTargetInfo =
        CheckTargetInfo::initWithDictionary(document ? document->dictionary() : nullptr);
    if (!info.checkTargetInfo || info.checkTargetInfo->countOfCheckTargetItem() == 0) {
        std::cerr << "fupdef: " << options.records
                  << ": no check-target records (\"checkTargetItems\")\n";
        return 1;
    }
    if (!manager.createNewFontWithDstDirPath(options.dst)) {
        std::cerr << "fupdef: the fonts were not built";
        if (!info.checkTargetInfo->verifyEmptyValueOfCheckTargetInfo())
            std::cerr
                << ": every record needs nVersStr, nSfntCDate, nSfntMDate, nFileCDate, nFileMDate, "
                   "nResMapInfo and a matched set (matchSfntData)";
        else
            std::cerr << ": a record is incomplete, two records share a file name, an output would "
                         "replace a "
                         "source, or a build failed";
        std::cerr << '\n';
        return 1;
    }
    for (const auto& record : info.checkTargetInfo->checkTargetItems)
        std::cout << "[成功] " << *record->filePath << " ＝＞ "
                  << (std::filesystem::path(options.dst) /
                      std::filesystem::path(*record->filePath).filename())
                         .string()
                  << '\n';
    return 0;
}

int runBuild(const BuildOptions& options) {
    const std::unique_ptr<EngineSession> session =
        loadEngineSession(options.definition, options.copyright);
    if (!session) return 1;
    // The output folder is not made here: a folder made inside the source tree would already have
    // changed it before the build refuses such a place.
    return options.records.empty() ? buildFromFolder(session->manager, session->context, options)
                                   : buildFromRecords(session->manager, session->context, options);
}

void addCopyrightOption(CLI::App* command, std::string& copyright) {
    command->add_option("--copyright", copyright, "copyright string that seeds the key")
        ->capture_default_str();
}

} // namespace

void addAuthoringCommands(CLI::App& app, int& exitCode) {
    auto inspectOptions = std::make_shared<InspectOptions>();
    auto* inspect =
        app.add_subcommand("inspect", "Print the check-target records of suitcase files");
    inspect->add_option("FILE", inspectOptions->files, "suitcase files")->required();
    inspect->add_option("--definition", inspectOptions->definition,
                        "match against this definition's sets");
    inspect->add_flag("--json", inspectOptions->json, "print JSON (key \"checkTargetItems\")");
    addCopyrightOption(inspect, inspectOptions->copyright);
    inspect->callback([inspectOptions, &exitCode] { exitCode = runInspect(*inspectOptions); });

    auto buildOptions = std::make_shared<BuildOptions>();
    auto* build = app.add_subcommand(
        "build", "Build updated fonts into an output folder; sources stay as they are");
    build->add_option("DEF", buildOptions->definition, ".fupdef definition")->required();
    auto* src = build->add_option("--src", buildOptions->src,
                                  "search this folder for the definition's targets");
    auto* records = build->add_option("--records", buildOptions->records,
                                      "completed records as written by inspect --json");
    src->excludes(records);
    build
        ->add_option("--dst", buildOptions->dst, "an existing output folder, apart from the source")
        ->required();
    addCopyrightOption(build, buildOptions->copyright);
    build->callback([buildOptions, &exitCode] {
        if (buildOptions->src.empty() == buildOptions->records.empty()) {
            std::cerr << "fupdef build: give either --src or --records\n";
            exitCode = 1;
            return;
        }
        exitCode = runBuild(*buildOptions);
    });
}

} // namespace fu::cli
