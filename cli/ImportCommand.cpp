#include "Commands.h"

#include "base/Bytes.h"
#include "suitcase/MacContainer.h"

#include <iostream>

namespace fu::cli {

namespace {

struct ImportOptions {
    std::string source;
    std::string output;
    std::string type;
    std::string creator;
};

// Empty text means "not given"; anything else must be exactly four bytes.
bool parseCode(const std::string& text, std::optional<uint32_t>& code) {
    if (text.empty()) return true;
    if (text.size() != 4) return false;
    uint32_t value = 0;
    for (char c : text)
        value = (value << 8) | uint8_t(c);
    code = value;
    return true;
}

int runImport(const ImportOptions& options) {
    std::optional<uint32_t> type, creator;
    if (!parseCode(options.type, type) || !parseCode(options.creator, creator)) {
        std::cerr << "fupdef: --type and --creator take four characters\n";
        return 1;
    }
    auto bytes = readInputFile(options.source);
    if (!bytes) return 1;

    auto parsed = parseMacContainer(*bytes);
    if (!parsed.contents) {
        std::cerr << "fupdef: cannot import " << options.source << ": " << parsed.reason << '\n';
        return 1;
    }
    const MacContainerContents& contents = *parsed.contents;
    auto result = importMacContainer(contents, options.output, type, creator);
    if (!result.ok) {
        std::cerr << "fupdef: cannot import " << options.source << " ("
                  << macContainerKindName(contents.kind) << ") into " << options.output << ": "
                  << result.reason;
        if (result.status) std::cerr << " (" << result.status << ')';
        std::cerr << '\n';
        return 1;
    }

    std::cout << options.output << ": from " << macContainerKindName(contents.kind);
    if (contents.name) std::cout << " \"" << *contents.name << '"';
    std::cout << ", data fork " << contents.dataFork.size() << " bytes, resource fork "
              << contents.resourceFork.size() << " bytes\n";
    if (!contents.ignoredEntries.empty()) {
        std::cerr << "fupdef: note: AppleSingle entries not carried over:";
        for (uint32_t id : contents.ignoredEntries)
            std::cerr << ' ' << id;
        std::cerr << '\n';
    }
    // Such a file converts faithfully but is no suitcase; a .dfont kept as a data fork is common.
    if (contents.resourceFork.empty() && isPlausibleResourceFork(contents.dataFork))
        std::cerr << "fupdef: note: " << options.source
                  << " has no resource fork, but its data fork looks like one (a .dfont); "
                     "import that data on its own to get a suitcase\n";
    else if (contents.resourceFork.empty())
        std::cerr << "fupdef: note: " << options.source << " has no resource fork\n";
    return 0;
}

} // namespace

void addImportCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ImportOptions>();
    auto* command = app.add_subcommand(
        "import", "Turn MacBinary (I, II, III), AppleSingle or a raw resource fork (.dfont, .rsrc) "
                  "into a Mac file with its companion");
    command->add_option("SRC", options->source, "MacBinary, AppleSingle or resource fork file")
        ->required();
    command->add_option("-o,--output", options->output, "Mac file to create; never replaced")
        ->required();
    command->add_option("--type", options->type,
                        "HFS type code (default: the container's; FFIL for a raw fork)");
    command->add_option("--creator", options->creator,
                        "HFS creator code (default: the container's; DMOV for a raw fork)");
    command->callback([options, &exitCode] { exitCode = runImport(*options); });
}

} // namespace fu::cli
