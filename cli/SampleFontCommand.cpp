#include "Commands.h"

#include "platform/linux/PosixFile.h"
#include "support/SampleFont.h"

#include <cstring>
#include <iostream>

namespace fu::cli {

void addSampleFontCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<sample::SampleFontOptions>();
    auto output = std::make_shared<std::string>();
    auto* command =
        app.add_subcommand("sample-font", "Write a synthetic TrueType font with Japanese names");
    command->add_option("-o,--output", *output, "font file to write")->required();
    command->add_option("--family", options->familyName, "family name (ASCII)")->required();
    command->add_option("--japanese-name", options->japaneseName, "Japanese full name")->required();
    command
        ->add_option("--version", options->version, "version text; name ID 5 is \"Version\" and it")
        ->required();
    command->add_option("--glyphs", options->glyphCount, "number of glyphs, .notdef included")
        ->capture_default_str()
        ->check(CLI::Range(2, 60000));
    command->add_option("--pad", options->padBytes, "size of an extra table, to make large fonts")
        ->capture_default_str();
    command->callback([options, output, &exitCode] {
        const Bytes font = sample::makeTrueTypeFont(*options);
        if (font.empty()) {
            std::cerr << "fupdef: the names cannot be encoded for the font's records\n";
            exitCode = 1;
            return;
        }
        if (int error = platform::posix::writeFileReplacing(*output, font); error != 0) {
            std::cerr << "fupdef: cannot write " << *output << ": " << std::strerror(error) << '\n';
            exitCode = 1;
        }
    });
}

} // namespace fu::cli
