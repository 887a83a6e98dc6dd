// Files for the targets that go through the file system: one folder per process, made once with
// mkdtemp and removed at exit, and inside it a fresh folder for every input, removed after it, so
// that no input sees what an earlier one left and nothing lands at a fixed name.
#pragma once

#include "base/Bytes.h"
#include "platform/ForkStorage.h"
#include "platform/OSStatus.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace fu::fuzz {

inline const std::string& processFolder() {
    // Never destroyed: the exit handler that removes the folder runs after static destructors.
    static const std::string* const folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "fu-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        const int registered = std::atexit([] {
            std::error_code error;
            std::filesystem::remove_all(processFolder(), error);
        });
        if (registered != 0) std::abort();
        return new std::string(std::move(pattern)); // NOLINT(cppcoreguidelines-owning-memory)
    }();
    return *folder;
}

class InputFolder {
public:
    InputFolder() : path_(processFolder() + "/input") {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
        if (!std::filesystem::create_directory(path_, error)) std::abort();
    }
    ~InputFolder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    InputFolder(const InputFolder&) = delete;
    InputFolder& operator=(const InputFolder&) = delete;

    [[nodiscard]] const std::string& path() const { return path_; }
    [[nodiscard]] std::string operator/(const std::string& name) const {
        return path_ + "/" + name;
    }

private:
    std::string path_;
};

inline bool writeWholeFile(const std::string& path, ByteView bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out.flush());
}

inline std::optional<Bytes> readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A file's whole resource fork through the platform layer, or nullopt when it does not open. A fork
// that opens but is past the fork limit, or reads short, is a fault of the layer.
inline std::optional<Bytes> readWholeFork(const std::string& path) {
    const platform::ScopedFork fork(path, platform::fsRdPerm);
    if (!fork.isOpen()) return std::nullopt;
    const std::optional<uint64_t> size = platform::forkSize(fork.refNum());
    if (!size || *size > platform::kMaxResourceForkLength) std::abort();
    Bytes bytes(*size);
    const platform::ForkTransfer read =
        platform::readFork(fork.refNum(), platform::fsFromStart, 0, bytes);
    if (read.status != platform::noErr || read.actualCount != bytes.size()) std::abort();
    return bytes;
}

} // namespace fu::fuzz
