#include "support/Sandbox.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace fu::test {

namespace {
const char* const kOverridden[] = {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME",
                                   "FONTUPDATER_SYSTEM_FONTS"};
}

Sandbox::Sandbox() {
    std::string pattern = (fs::temp_directory_path() / "fu-sandbox-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    for (const char* name : kOverridden) {
        const char* old = std::getenv(name);
        savedEnvironment_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    fs::create_directories(path("home/.local/share"));
    fs::create_directories(path("home/.config"));
    fs::create_directories(path("system-fonts"));
    setenv("HOME", path("home").c_str(), 1);
    setenv("XDG_DATA_HOME", path("home/.local/share").c_str(), 1);
    setenv("XDG_CONFIG_HOME", path("home/.config").c_str(), 1);
    setenv("FONTUPDATER_SYSTEM_FONTS", path("system-fonts").c_str(), 1);
}

Sandbox::~Sandbox() {
    for (const auto& [name, value] : savedEnvironment_) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
    std::error_code ignored;
    // Some tests lock files; the sandbox must still go away.
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(root_, ignored);
}

std::string Sandbox::writeFile(const std::string& relative, ByteView bytes) const {
    std::string full = path(relative);
    fs::create_directories(fs::path(full).parent_path());
    writeWholeFile(full, bytes);
    return full;
}

Bytes readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeWholeFile(const std::string& path, ByteView bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::optional<std::string> sharedCorpus(const std::string& relative) {
    const char* root = std::getenv("FU_SHARED_CORPUS");
    if (!root) return std::nullopt;
    fs::path file = fs::path(root) / relative;
    if (!fs::exists(file)) return std::nullopt;
    return file.string();
}

} // namespace fu::test
