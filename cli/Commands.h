// The fupdef subcommands; each registers itself on the application and runs when chosen.
#pragma once

#include <CLI/CLI.hpp>

namespace fu::cli {

void addAttributesCommand(CLI::App& app, int& exitCode);
void addImportCommand(CLI::App& app, int& exitCode);

// A four-character code as text: ASCII as it is, other bytes as Mac Roman.
std::string fourCharCodeText(uint32_t code);

} // namespace fu::cli
