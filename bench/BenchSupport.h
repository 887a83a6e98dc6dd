// Shared pieces of the benchmarks: a private sandbox of the standard folders, timing, and a
// child process whose peak memory can be read.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace fu::bench {

// HOME, XDG_DATA_HOME and FONTUPDATER_SYSTEM_FONTS inside a fresh temporary folder.
std::string makeSandbox();

template <typename F> double seconds(F&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct ChildRun {
    double seconds = 0;
    long peakKilobytes = 0;
    int status = -1;
};
// Runs `work` in a forked child and reports its time, peak resident memory and exit status.
ChildRun inChild(const std::function<int()>& work);

} // namespace fu::bench
