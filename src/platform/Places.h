// The standard folders, with the environment overrides that tests and deployments use.
#pragma once

#include <optional>
#include <string>

namespace fu::platform {

inline constexpr const char* bundleIdentifier = "org.fontupdater.FontUpdater";

[[nodiscard]] std::optional<std::string> homeFolder();
[[nodiscard]] std::optional<std::string> dataHomeFolder(); // $XDG_DATA_HOME or ~/.local/share
inline constexpr const char* defaultComputerFontsFolder = "/usr/local/share/fonts";
[[nodiscard]] std::string computerFontsFolder(); // $FONTUPDATER_SYSTEM_FONTS or the default
[[nodiscard]] std::optional<std::string> userFontsFolder();
[[nodiscard]] std::optional<std::string> trashFilesFolder();
[[nodiscard]] std::optional<std::string> trashInfoFolder();
[[nodiscard]] std::optional<std::string> desktopFolder();
[[nodiscard]] std::optional<std::string> applicationSupportFolder();

} // namespace fu::platform
