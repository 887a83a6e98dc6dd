// fupdef wrap: an sfnt font as a classic font suitcase ('FOND', 'sfnt', 'vers'), written and
// verified by the suitcase writer.
#include "Commands.h"

#include "sfnt/SfntData.h"
#include "support/SampleSuitcase.h"

#include <iostream>

namespace fu::cli {

namespace {

struct WrapOptions {
    std::string font;
    std::string output;
    sample::SampleSuitcaseOptions suitcase;
};

int wrap(const WrapOptions& options) {
    const std::optional<Bytes> image = readFontImage(options.font);
    if (!image) return 1;
    const std::unique_ptr<SfntData> sfnt = SfntData::initWithSfntDataNoCopy(*image);
    if (!sfnt || sfnt->countOfSfntTable() == 0) {
        std::cerr << "fupdef: " << options.font << " is not an sfnt font\n";
        return 1;
    }
    if (ResStatus status = sample::writeSampleSuitcase(options.output, *image, options.suitcase);
        status != ResStatus::resNoErr) {
        std::cerr << "fupdef: writing the suitcase " << options.output << " failed (status "
                  << code(status) << ")\n";
        return 1;
    }
    return 0;
}

} // namespace

void addWrapCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<WrapOptions>();
    auto* command = app.add_subcommand(
        "wrap", "Write an sfnt font as a font suitcase (FOND, sfnt, vers) with its companion");
    command->add_option("SFNT", options->font, "font file, or a suitcase holding an 'sfnt'")
        ->required();
    command->add_option("-o,--output", options->output, "suitcase to create (must not exist)")
        ->required();
    command
        ->add_option("--name", options->suitcase.resName,
                     "resource name of the 'FOND' and the 'sfnt' (Shift_JIS-encodable)")
        ->required();
    command->add_option("--version", options->suitcase.shortVersion, "'vers' short version")
        ->required();
    command->add_option("--long", options->suitcase.longVersion,
                        "'vers' long version (default: SHORT, (C) Font Updater sample)");
    command->add_option("--id", options->suitcase.resID, "resource ID of the 'FOND' and 'sfnt'")
        ->capture_default_str();
    command->callback([options, &exitCode] { exitCode = wrap(*options); });
}

} // namespace fu::cli
