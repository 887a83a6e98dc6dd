// Standard folders after the XDG base-directory and user-dirs conventions.
#include "platform/Places.h"

#include "platform/linux/PosixFile.h"

#include <cstdlib>
#include <pwd.h>
#include <sstream>
#include <unistd.h>

namespace fu::platform {

namespace {

constexpr uint64_t kMaxUserDirsSize = uint64_t{64} * 1024;

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) return std::nullopt;
    return std::string(value);
}

// XDG_DESKTOP_DIR="$HOME/Desktop" from user-dirs.dirs; quoted, with $HOME the only expansion.
std::optional<std::string> desktopFromUserDirs(const std::string& home) {
    auto config = environment("XDG_CONFIG_HOME").value_or(home + "/.config");
    // A few lines of settings; read like every other file of the user's, so that a FIFO or a
    // huge file in its place neither blocks nor fills memory.
    auto bytes = posix::readFileBytes(config + "/user-dirs.dirs", nullptr, kMaxUserDirsSize);
    if (!bytes) return std::nullopt;
    std::istringstream in(toString(*bytes));
    std::string line;
    const std::string key = "XDG_DESKTOP_DIR=";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) != 0) continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
        if (value.empty() || value.front() != '/') return std::nullopt;
        return value;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> homeFolder() {
    if (auto home = environment("HOME")) return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir && *entry->pw_dir)
        return std::string(entry->pw_dir);
    return std::nullopt;
}

std::optional<std::string> dataHomeFolder() {
    if (auto data = environment("XDG_DATA_HOME"); data && data->front() == '/') return data;
    auto home = homeFolder();
    if (!home) return std::nullopt;
    return *home + "/.local/share";
}

std::string computerFontsFolder() {
    return environment("FONTUPDATER_SYSTEM_FONTS").value_or(defaultComputerFontsFolder);
}

std::optional<std::string> userFontsFolder() {
    auto data = dataHomeFolder();
    if (!data) return std::nullopt;
    return *data + "/fonts";
}

std::optional<std::string> trashFilesFolder() {
    auto data = dataHomeFolder();
    if (!data) return std::nullopt;
    return *data + "/Trash/files";
}

std::optional<std::string> trashInfoFolder() {
    auto data = dataHomeFolder();
    if (!data) return std::nullopt;
    return *data + "/Trash/info";
}

std::optional<std::string> desktopFolder() {
    auto home = homeFolder();
    if (!home) return std::nullopt;
    if (auto desktop = desktopFromUserDirs(*home)) return desktop;
    return *home + "/Desktop";
}

std::optional<std::string> applicationSupportFolder() { return dataHomeFolder(); }

} // namespace fu::platform
