// A shell command run for the oracle tests, which ask other programs (fontTools, FreeType's
// fc-scan) what they make of the files this one writes.
#pragma once

#include <string>

namespace fu::test {

struct CommandRun {
    int exitStatus = -1; // -1 when the command did not start or did not exit by itself
    std::string output;  // what it wrote to standard output; "2>&1" in the command adds errors
};

[[nodiscard]] CommandRun runCommand(const std::string& command);

} // namespace fu::test
