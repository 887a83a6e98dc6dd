// fupdef resources: what a Mac file's resource fork holds, whatever the file's type.
#include "Commands.h"

#include "base/Hex.h"
#include "platform/FileAttributes.h"
#include "suitcase/ResFile.h"

#include <nlohmann/json.hpp>

#include <iostream>

namespace fu::cli {

namespace {

using Json = nlohmann::ordered_json;

struct ResourcesOptions {
    std::string path;
    bool json = false;
};

int listResources(const ResourcesOptions& options) {
    const std::optional<platform::FileAttributes> attributes =
        platform::readAttributes(options.path);
    // Not initOfContentFile: that reads 'FFIL' files only, and any Mac file's fork is of interest.
    ResFile resFile;
    resFile.resFilePath = options.path;
    if (int16_t status = ResFile::setupResItemListsOfPath(options.path, resFile); status != 0) {
        std::cerr << "fupdef: " << options.path << ": the resource fork cannot be read (status "
                  << status << ")\n";
        return 1;
    }
    const std::optional<uint32_t> type = attributes ? attributes->hfsTypeCode : std::nullopt;
    const std::optional<uint32_t> creator = attributes ? attributes->hfsCreatorCode : std::nullopt;

    Json resources = Json::array();
    for (const auto& list : resFile.resItemLists) {
        for (const auto& item : list->resItems) {
            resources.push_back({{"type", fourCharCodeText(item->resType)},
                                 {"id", item->resID},
                                 {"name", item->resName ? Json(*item->resName) : Json(nullptr)},
                                 {"attributes", item->resAttr},
                                 {"length", item->resDataLength}});
        }
    }
    if (options.json) {
        const Json document = {{"path", options.path},
                               {"type", codeOrNull(type)},
                               {"creator", codeOrNull(creator)},
                               {"resources", resources}};
        std::cout << document.dump(2) << '\n';
        return 0;
    }
    std::cout << options.path << ": type " << (type ? fourCharCodeText(*type) : "-") << ", creator "
              << (creator ? fourCharCodeText(*creator) : "-") << ", " << resources.size()
              << " resources\n";
    for (const Json& resource : resources) {
        const std::string attributesText =
            "0x" + hexNumber(resource["attributes"].get<uint32_t>(), 2);
        std::cout << "  '" << resource["type"].get<std::string>() << "' "
                  << resource["id"].get<int>() << "  attributes " << attributesText << "  "
                  << resource["length"].get<uint32_t>() << " bytes";
        if (!resource["name"].is_null())
            std::cout << "  \"" << resource["name"].get<std::string>() << '"';
        std::cout << '\n';
    }
    return 0;
}

} // namespace

void addResourcesCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ResourcesOptions>();
    auto* command = app.add_subcommand(
        "resources", "List a Mac file's type, creator and every resource of its resource fork");
    command->add_option("PATH", options->path, "Mac file (data file path)")->required();
    command->add_flag("--json", options->json, "print JSON");
    command->callback([options, &exitCode] { exitCode = listResources(*options); });
}

} // namespace fu::cli
