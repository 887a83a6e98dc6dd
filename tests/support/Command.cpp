#include "support/Command.h"

#include <array>
#include <cstdio>
#include <sys/wait.h>

namespace fu::test {

CommandRun runCommand(const std::string& command) {
    CommandRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 512> buffer{};
    while (const size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
        run.output.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    if (status != -1 && WIFEXITED(status)) run.exitStatus = WEXITSTATUS(status);
    return run;
}

} // namespace fu::test
