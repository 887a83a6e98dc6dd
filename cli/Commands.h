// The fupdef subcommands; each registers itself on the application and runs when chosen.
#pragma once

#include "base/Bytes.h"
#include "definition/TrustStore.h"
#include "engine/UpdateContext.h"
#include "engine/UpdateManager.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json_fwd.hpp>

#include <memory>
#include <optional>
#include <string>

namespace fu::cli {

void addAttributesCommand(CLI::App& app, int& exitCode);
void addAuthoringCommands(CLI::App& app, int& exitCode);
void addImportCommand(CLI::App& app, int& exitCode);
void addPackCommand(CLI::App& app, int& exitCode);
void addResourcesCommand(CLI::App& app, int& exitCode);
void addShowCommand(CLI::App& app, int& exitCode);
void addSampleFontCommand(CLI::App& app, int& exitCode);
void addSigningCommands(CLI::App& app, int& exitCode);
void addEngineCommands(CLI::App& app, int& exitCode);
void addWrapCommand(CLI::App& app, int& exitCode);

// A whole input file; on failure a message on standard error.
std::optional<Bytes> readInputFile(const std::string& path);
// The sfnt image of a font file: an sfnt file as it is, or the 'sfnt' resource of a suitcase.
std::optional<Bytes> readFontImage(const std::string& path);

// A definition loaded for the engine, and a manager working on it.
struct EngineSession {
    UpdateContext context;
    UpdateManager manager{&context};
};
// The definition at path, read as the wizard reads one; nullptr with a message on standard error
// when it is refused.
std::unique_ptr<EngineSession> loadEngineSession(const std::string& path,
                                                 const std::string& copyright);

// The keys whose signatures fupdef trusts.
TrustStore cliTrustStore();
// `container` signed with the private key in `keyFile`; on failure a message on standard error.
std::optional<Bytes> signContainerWithKeyFile(ByteView container, const std::string& keyFile,
                                              const std::string& containerName);

// A four-character code as text: ASCII as it is, other bytes as Mac Roman.
std::string fourCharCodeText(uint32_t code);
// The same for JSON, null for no code.
nlohmann::ordered_json codeOrNull(const std::optional<uint32_t>& code);

} // namespace fu::cli
