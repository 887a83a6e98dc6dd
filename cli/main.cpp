// fupdef: the command-line tool for people who author update definitions and administrators
// who deploy them.
#include "Commands.h"

#include <exception>
#include <iostream>
#include <new>

namespace {

int run(int argc, char** argv) {
    CLI::App app{"fupdef - inspect, build and apply Font Updater definitions and Mac font files"};
    app.require_subcommand(1);
    int exitCode = 0;
    fu::cli::addAttributesCommand(app, exitCode);
    fu::cli::addAuthoringCommands(app, exitCode);
    fu::cli::addImportCommand(app, exitCode);
    fu::cli::addPackCommand(app, exitCode);
    fu::cli::addResourcesCommand(app, exitCode);
    fu::cli::addShowCommand(app, exitCode);
    fu::cli::addSampleFontCommand(app, exitCode);
    fu::cli::addSigningCommands(app, exitCode);
    fu::cli::addEngineCommands(app, exitCode);
    fu::cli::addWrapCommand(app, exitCode);
    CLI11_PARSE(app, argc, argv);
    return exitCode;
}

} // namespace

// The commands answer with statuses; what still escapes (memory exhausted while printing, a
// stream that throws) ends the tool with a message and status 1, never with terminate().
int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << "fupdef: out of memory\n";
    } catch (const std::exception& error) {
        std::cerr << "fupdef: " << error.what() << '\n';
    }
    return 1;
}
