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
    if (ResStatus status = ResFile::setupResItemListsOfPath(options.path, resFile);
        status != ResStatus::resNoErr) {
        std::cerr << "fupdef: " << options.path << ": the resource fork cannot be read (status "
                  << code(status) << ")\n";
        return 1;
    }
    const std::optional<uint32_t> type = attributes ? attributes->hfsTypeCode : std::nullopt;
    const std::optional<uint32_t> creator = attributes ? attributes->hfsCreatorCode : std::nullopt;
    size_t count = 0;
    for (const auto& list : resFile.resItemLists)
        count += list->resItems.size();

    // Written one resource at a time: a fork can list tens of thousands that share one long name,
    // and a document built whole would hold a copy of it for each.
    if (options.json) {
        const Json head = {
            {"path", options.path}, {"type", codeOrNull(type)}, {"creator", codeOrNull(creator)}};
        std::string opening = head.dump(2);
        opening.pop_back(); // the closing brace, written after the resources
        while (!opening.empty() && opening.back() == '\n')
            opening.pop_back();
        std::cout << opening << ",\n  \"resources\": [";
        const char* separator = "";
        for (const auto& list : resFile.resItemLists) {
            for (const auto& item : list->resItems) {
                const Json resource = {
                    {"type", fourCharCodeText(item->resType)},
                    {"id", item->resID},
                    {"name", item->resName ? Json(*item->resName) : Json(nullptr)},
                    {"attributes", item->resAttr},
                    {"length", item->resDataLength}};
                std::cout << separator << "\n    " << resource.dump();
                separator = ",";
            }
        }
        std::cout << (count ? "\n  ]\n}\n" : "]\n}\n");
        return 0;
    }
    std::cout << options.path << ": type " << (type ? fourCharCodeText(*type) : "-") << ", creator "
              << (creator ? fourCharCodeText(*creator) : "-") << ", " << count << " resources\n";
    for (const auto& list : resFile.resItemLists) {
        for (const auto& item : list->resItems) {
            std::cout << "  '" << fourCharCodeText(item->resType) << "' " << item->resID
                      << "  attributes 0x" << hexNumber(uint32_t(item->resAttr), 2) << "  "
                      << item->resDataLength << " bytes";
            if (item->resName) std::cout << "  \"" << *item->resName << '"';
            std::cout << '\n';
        }
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
