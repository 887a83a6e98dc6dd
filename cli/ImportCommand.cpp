#include "Commands.h"

#include "base/Bytes.h"
#include "platform/FileAttributes.h"
#include "platform/ForkStorage.h"
#include "platform/OSStatus.h"

#include <fstream>
#include <iostream>
#include <iterator>

namespace fu::cli {

namespace {

struct ImportOptions {
    std::string source;
    std::string output;
    std::string type = "FFIL";
    std::string creator = "DMOV";
};

std::optional<uint32_t> parseCode(const std::string& text) {
    if (text.size() != 4) return std::nullopt;
    uint32_t code = 0;
    for (char c : text) code = (code << 8) | uint8_t(c);
    return code;
}

int runImport(const ImportOptions& options) {
    auto type = parseCode(options.type);
    auto creator = parseCode(options.creator);
    if (!type || !creator) {
        std::cerr << "fupdef: --type and --creator take four characters\n";
        return 1;
    }
    std::ifstream in(options.source, std::ios::binary);
    if (!in) {
        std::cerr << "fupdef: cannot read " << options.source << '\n';
        return 1;
    }
    const Bytes fork(std::istreambuf_iterator<char>(in), {});

    const auto slash = options.output.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : options.output.substr(0, slash);
    const std::string name = slash == std::string::npos ? options.output : options.output.substr(slash + 1);
    if (int16_t status = platform::createFileWithEmptyFork(folder.empty() ? "/" : folder, name);
        status != platform::noErr) {
        std::cerr << "fupdef: cannot create " << options.output << " (" << status << ")\n";
        return 1;
    }
    platform::ForkTransfer written;
    {
        platform::ScopedFork handle(options.output, platform::fsRdWrPerm);
        written = handle.isOpen() ? platform::writeFork(handle.refNum(), platform::fsFromStart, 0, fork)
                                  : platform::ForkTransfer{0, handle.openStatus()};
    }
    platform::FileAttributes attributes;
    attributes.hfsTypeCode = type;
    attributes.hfsCreatorCode = creator;
    auto applied = platform::applyAttributes(options.output, attributes);
    if (written.status != platform::noErr || written.actualCount != fork.size() || !applied.ok) {
        std::cerr << "fupdef: writing " << options.output << " failed ("
                  << (written.status ? written.status : applied.error) << ")\n";
        return 1;
    }
    return 0;
}

} // namespace

void addImportCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<ImportOptions>();
    auto* command = app.add_subcommand(
        "import", "Turn a raw resource fork (.dfont, .rsrc) into a Mac file with its companion");
    command->add_option("SRC", options->source, "file holding the resource fork")->required();
    command->add_option("-o,--output", options->output, "Mac file to create")->required();
    command->add_option("--type", options->type, "HFS type code")->capture_default_str();
    command->add_option("--creator", options->creator, "HFS creator code")->capture_default_str();
    command->callback([options, &exitCode] { exitCode = runImport(*options); });
}

} // namespace fu::cli
