#include "Commands.h"

#include "definition/DefinitionContainer.h"
#include "definition/DefinitionKey.h"
#include "definition/DefinitionWriter.h"
#include "platform/OSStatus.h"
#include "platform/linux/PosixFile.h"

#include <cstring>
#include <iostream>

namespace fu::cli {

namespace {

struct PackOptions {
    std::string output;
    std::string readMe;
    std::string targets;
    std::string scripts;
    std::vector<std::string> sets; // NAME OLD NEW, three per set
    std::string copyright = buildCopyrightString();
    size_t skip = 0;
    std::string signKey;
};

int runPack(const PackOptions& options) {
    DefinitionSources sources;
    struct Input {
        const std::string& path;
        Bytes& into;
    };
    for (Input input :
         {Input{options.readMe, sources.readMe}, Input{options.targets, sources.targets},
          Input{options.scripts, sources.scripts}}) {
        auto bytes = readInputFile(input.path);
        if (!bytes) return 1;
        input.into = std::move(*bytes);
    }
    for (size_t i = 0; i + 2 < options.sets.size(); i += 3) {
        UpdateSetSource set;
        set.name = options.sets[i];
        auto oldFont = readFontImage(options.sets[i + 1]);
        auto newFont = readFontImage(options.sets[i + 2]);
        if (!oldFont || !newFont) return 1;
        set.oldFont = std::move(*oldFont);
        set.newFont = std::move(*newFont);
        sources.sets.push_back(std::move(set));
    }
    AuthoringResult payload = buildDefinitionPayload(sources);
    if (!payload.bytes) {
        std::cerr << "fupdef: " << payload.error << '\n';
        return 1;
    }
    Bytes skipped(options.skip);
    for (size_t i = 0; i < skipped.size(); ++i)
        skipped[i] = static_cast<uint8_t>(i * 131 + 7);
    auto container = writeDefinitionContainer(*payload.bytes, options.copyright, skipped);
    if (!container) {
        std::cerr << "fupdef: the container cannot be written (empty copyright?)\n";
        return 1;
    }
    if (!options.signKey.empty()) {
        container = signContainerWithKeyFile(*container, options.signKey, options.output);
        if (!container) return 1;
    }
    if (int error = platform::posix::writeFileReplacing(options.output, *container); error != 0) {
        std::cerr << "fupdef: cannot write " << options.output << ": " << std::strerror(error)
                  << '\n';
        return 1;
    }
    return 0;
}

} // namespace

void addPackCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<PackOptions>();
    auto* command = app.add_subcommand("pack", "Write an encrypted .fupdef update definition");
    command->add_option("-o,--output", options->output, "definition file to write")->required();
    command->add_option("--readme", options->readMe, "read-me text (RTF)")
        ->required()
        ->check(CLI::ExistingFile);
    command
        ->add_option("--targets", options->targets,
                     "target lines (UTF-8, ten tab-separated fields)")
        ->required()
        ->check(CLI::ExistingFile);
    command->add_option("--scripts", options->scripts, "script lines (UTF-8, key TAB script)")
        ->required()
        ->check(CLI::ExistingFile);
    command
        ->add_option("--set", options->sets, "update set: NAME OLD NEW (sfnt files or suitcases)")
        ->required()
        ->expected(1, CLI::detail::expected_max_vector_size)
        ->type_size(3)
        ->allow_extra_args(false);
    command->add_option("--copyright", options->copyright, "copyright string that seeds the key")
        ->capture_default_str();
    auto* skip =
        command->add_option("--skip", options->skip, "bytes to skip between header and cipher text")
            ->capture_default_str();
    command
        ->add_option("--sign-key", options->signKey,
                     "sign with this private key file (from fupdef keygen)")
        ->check(CLI::ExistingFile)
        ->excludes(skip);
    command->callback([options, &exitCode] { exitCode = runPack(*options); });
}

} // namespace fu::cli
