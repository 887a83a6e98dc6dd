#include "support/BoundedRun.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <new>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fu::test {

namespace {

constexpr int kOutOfMemory = 3;
int gReportFd = -1;

void writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += size_t(n);
    }
}

// Reported from inside the failing allocation: nothing here may allocate.
void refuseAllocation() {
    static const char message[] = "an allocation passed the address-space cap";
    (void)!::write(gReportFd, message, sizeof message - 1);
    ::_exit(kOutOfMemory);
}

uint64_t mappedBytes() {
    std::ifstream statm("/proc/self/statm");
    uint64_t pages = 0;
    statm >> pages;
    return pages * uint64_t(::sysconf(_SC_PAGESIZE));
}

} // namespace

std::string ChildChecks::report() const {
    std::string text;
    for (const std::string& failure : failures_)
        text += (text.empty() ? "" : "\n") + failure;
    return text;
}

std::string runBounded(const std::function<std::string()>& body, const BoundedRunLimits& limits) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return std::string("pipe: ") + std::strerror(errno);
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) return std::string("fork: ") + std::strerror(errno);
    if (child == 0) {
        ::close(pipeFds[0]);
        gReportFd = pipeFds[1];
        ::alarm(limits.hangGuardSeconds);
        if (limits.extraAddressSpace > 0) {
            const rlim_t cap = mappedBytes() + limits.extraAddressSpace;
            const struct rlimit limit { cap, cap };
            if (::setrlimit(RLIMIT_AS, &limit) != 0) {
                writeAll(gReportFd, "setrlimit failed");
                ::_exit(1);
            }
            std::set_new_handler(refuseAllocation);
        }
        const std::string answer = body();
        writeAll(gReportFd, answer);
        ::_exit(answer.empty() ? 0 : 1);
    }
    ::close(pipeFds[1]);
    std::string report;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        report.append(buffer, size_t(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) {
        if (WTERMSIG(status) == SIGALRM)
            return "still running after " + std::to_string(limits.hangGuardSeconds) +
                   " s: it hangs";
        return std::string("killed by signal ") + strsignal(WTERMSIG(status)) +
               (report.empty() ? "" : ": " + report);
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && report.empty()) return "";
    return report.empty() ? "exited with status " + std::to_string(WEXITSTATUS(status)) : report;
}

} // namespace fu::test
