#include "support/Sandbox.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace fu::test {

namespace {
void setOrUnset(const std::string& name, const char* value) {
    if (value)
        setenv(name.c_str(), value, 1);
    else
        unsetenv(name.c_str());
}
} // namespace

ScopedEnvironment::ScopedEnvironment(
    std::initializer_list<std::pair<const char*, const char*>> values) {
    for (const auto& [name, value] : values) {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        setOrUnset(name, value);
    }
}

ScopedEnvironment::~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
        setOrUnset(it->first, it->second ? it->second->c_str() : nullptr);
}

Sandbox::Sandbox() {
    std::string pattern = (fs::temp_directory_path() / "fu-sandbox-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    fs::create_directories(path("home/.local/share"));
    fs::create_directories(path("home/.config"));
    fs::create_directories(path("system-fonts"));
    environment_.emplace(std::initializer_list<std::pair<const char*, const char*>>{
        {"HOME", path("home").c_str()},
        {"XDG_DATA_HOME", path("home/.local/share").c_str()},
        {"XDG_CONFIG_HOME", path("home/.config").c_str()},
        {"FONTUPDATER_SYSTEM_FONTS", path("system-fonts").c_str()}});
}

Sandbox::~Sandbox() {
    environment_.reset();
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
