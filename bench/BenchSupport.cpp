#include "BenchSupport.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fu::bench {

std::string makeSandbox() {
    std::string root = (std::filesystem::temp_directory_path() / "fu-bench-XXXXXX").string();
    if (!mkdtemp(root.data())) throw std::runtime_error("mkdtemp");
    std::filesystem::create_directories(root + "/home/.local/share/fonts");
    std::filesystem::create_directories(root + "/system-fonts");
    setenv("HOME", (root + "/home").c_str(), 1);
    setenv("XDG_DATA_HOME", (root + "/home/.local/share").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/home/.config").c_str(), 1);
    setenv("FONTUPDATER_SYSTEM_FONTS", (root + "/system-fonts").c_str(), 1);
    return root;
}

ChildRun inChild(const std::function<int()>& work) {
    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) _exit(work());
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakKilobytes = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace fu::bench
