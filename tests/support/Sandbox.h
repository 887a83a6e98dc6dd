// A fresh temporary home for tests that touch folders: HOME, XDG_DATA_HOME, XDG_CONFIG_HOME and
// FONTUPDATER_SYSTEM_FONTS point inside it, so no test reaches the real home, fonts or Trash.
#pragma once

#include "base/Bytes.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fu::test {

// Sets environment variables (nullptr unsets one) for one scope, and puts them back after it.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::initializer_list<std::pair<const char*, const char*>> values);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    [[nodiscard]] const std::string& root() const { return root_; }
    [[nodiscard]] std::string path(const std::string& relative) const {
        return root_ + "/" + relative;
    }

    // Writes a plain file (creating its folders) and answers its path.
    std::string writeFile(const std::string& relative, ByteView bytes) const;

private:
    std::string root_;
    std::optional<ScopedEnvironment> environment_;
};

// Fixture form for TEST_F.
class SandboxTest : public ::testing::Test {
protected:
    Sandbox sandbox;
};

[[nodiscard]] Bytes readWholeFile(const std::string& path);
void writeWholeFile(const std::string& path, ByteView bytes);

// The shared corpus of files made by other programs, or nullopt (tests then skip).
[[nodiscard]] std::optional<std::string> sharedCorpus(const std::string& relative);

} // namespace fu::test

#define FU_REQUIRE_CORPUS(var, relative)                                                           \
    auto var##Opt = ::fu::test::sharedCorpus(relative);                                            \
    if (!var##Opt) GTEST_SKIP() << "shared corpus file " << (relative) << " is absent";            \
    const std::string var = *var##Opt
