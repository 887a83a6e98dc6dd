// Child processes with posix_spawn: no shell is ever involved, every descriptor but the three
// standard ones is closed in the child, and pipes are drained with poll so neither side stalls.
#include "platform/Process.h"

#include "platform/linux/PosixFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fu::platform {

namespace {

// How often a drain without news looks whether the program has ended: the program may leave a
// background process holding the pipe open, and we must not wait for that one.
constexpr int reapTickMilliseconds = 100;

struct Pipe {
    posix::Fd read;
    posix::Fd write;
};

bool makePipe(Pipe& pipe) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    pipe.read = posix::Fd(fds[0]);
    pipe.write = posix::Fd(fds[1]);
    return true;
}

std::vector<char*> argvPointers(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    pointers.reserve(argv.size() + 1);
    for (const auto& argument : argv)
        pointers.push_back(const_cast<char*>(argument.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

class SpawnActions {
public:
    SpawnActions() { ok_ = ::posix_spawn_file_actions_init(&actions_) == 0; }
    ~SpawnActions() {
        if (ok_) ::posix_spawn_file_actions_destroy(&actions_);
    }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;

    void dup2(int from, int to) {
        ok_ = ok_ && ::posix_spawn_file_actions_adddup2(&actions_, from, to) == 0;
    }
    void openNull(int fd) {
        ok_ =
            ok_ && ::posix_spawn_file_actions_addopen(&actions_, fd, "/dev/null", O_RDONLY, 0) == 0;
    }
    // Descriptors the application opened without O_CLOEXEC must not reach the child either.
    void closeTheRest() {
        ok_ = ok_ && ::posix_spawn_file_actions_addclosefrom_np(&actions_, 3) == 0;
    }
    [[nodiscard]] bool ok() const { return ok_; }
    [[nodiscard]] const posix_spawn_file_actions_t* get() const { return &actions_; }

private:
    posix_spawn_file_actions_t actions_{};
    bool ok_ = false;
};

int exitStatusOf(int waitStatus) {
    if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
    if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
    return -1;
}

std::optional<int> reapNow(pid_t pid) {
    int status = 0;
    pid_t done;
    do
        done = ::waitpid(pid, &status, WNOHANG);
    while (done < 0 && errno == EINTR);
    if (done == pid) return exitStatusOf(status);
    if (done < 0) return -1; // not our child any more: nothing left to wait for
    return std::nullopt;
}

int reapBlocking(pid_t pid) {
    int status = 0;
    pid_t done;
    do
        done = ::waitpid(pid, &status, 0);
    while (done < 0 && errno == EINTR);
    return done == pid ? exitStatusOf(status) : -1;
}

// Where a drained program's output goes: one of our streams, nowhere, or a bounded text.
struct OutputSink {
    ChildOutput output = ChildOutput::Discard;
    std::string* captured = nullptr;
    size_t captureLimit = 0;
};

void copyTo(const OutputSink& sink, const char* bytes, size_t size) {
    if (sink.captured) {
        const size_t room = sink.captureLimit - std::min(sink.captureLimit, sink.captured->size());
        sink.captured->append(bytes, std::min(room, size));
        return;
    }
    const ChildOutput output = sink.output;
    if (output == ChildOutput::Discard) return;
    const int fd = output == ChildOutput::ToStandardOutput ? STDOUT_FILENO : STDERR_FILENO;
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return; // our own output is gone; keep draining the child regardless
        bytes += n;
        size -= size_t(n);
    }
}

// Reads whatever is there without blocking; false once the pipe reached its end or failed.
bool drainAvailable(int fd, const OutputSink& output) {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            copyTo(output, buffer, size_t(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

int drainAndWait(int fd, pid_t pid, const OutputSink& output) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    for (;;) {
        pollfd entry{fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, reapTickMilliseconds);
        if (ready < 0 && errno != EINTR) break;
        if (ready > 0 && !drainAvailable(fd, output)) break;
        if (auto status = reapNow(pid)) {
            drainAvailable(fd, output); // what it wrote before ending is all in the pipe by now
            return *status;
        }
    }
    return reapBlocking(pid);
}

int spawnAndDrain(const std::vector<std::string>& argv, const OutputSink& output) {
    // posix_spawn takes a bare name from the working folder, which may be anybody's.
    if (argv.empty() || !argv.front().starts_with('/')) return -1;
    Pipe pipe;
    if (!makePipe(pipe)) return -1;
    SpawnActions actions;
    actions.openNull(STDIN_FILENO);
    actions.dup2(pipe.write.get(), STDOUT_FILENO);
    actions.dup2(pipe.write.get(), STDERR_FILENO);
    actions.closeTheRest();
    if (!actions.ok()) return -1;
    auto pointers = argvPointers(argv);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv.front().c_str(), actions.get(), nullptr, pointers.data(),
                      environ) != 0)
        return -1;
    pipe.write.reset(); // the child's end: only the child may keep the pipe open now
    return drainAndWait(pipe.read.get(), pid, output);
}

} // namespace

int runProgram(const std::vector<std::string>& argv, ChildOutput output) {
    return spawnAndDrain(argv, OutputSink{output, nullptr, 0});
}

int runProgram(const std::vector<std::string>& argv, std::string& captured, size_t maxBytes) {
    captured.clear();
    return spawnAndDrain(argv, OutputSink{ChildOutput::Discard, &captured, maxBytes});
}

std::unique_ptr<ChildProcess> ChildProcess::spawn(const std::vector<std::string>& argv) {
    if (argv.empty() || argv.front().empty()) return nullptr;
    Pipe toChild;
    Pipe fromChild;
    if (!makePipe(toChild) || !makePipe(fromChild)) return nullptr;
    SpawnActions actions;
    actions.dup2(toChild.read.get(), STDIN_FILENO);
    actions.dup2(fromChild.write.get(), STDOUT_FILENO);
    actions.closeTheRest();
    if (!actions.ok()) return nullptr;
    auto pointers = argvPointers(argv);
    pid_t pid = -1;
    if (::posix_spawnp(&pid, argv.front().c_str(), actions.get(), nullptr, pointers.data(),
                       environ) != 0)
        return nullptr;
    std::unique_ptr<ChildProcess> child(new ChildProcess());
    child->pid_ = pid;
    child->input_ = toChild.write.release();
    child->output_ = fromChild.read.release();
    return child;
}

ChildProcess::~ChildProcess() {
    if (!reaped_) finish(std::chrono::seconds(2));
    if (input_ >= 0) ::close(input_);
    if (output_ >= 0) ::close(output_);
}

bool ChildProcess::writeAll(std::string_view bytes) {
    if (input_ < 0) return false;
    // Block SIGPIPE around the write; a signal our write raised is taken back before unblocking.
    sigset_t pipeSignal;
    sigset_t previous;
    sigset_t pending;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    sigpending(&pending);
    const bool alreadyPending = sigismember(&pending, SIGPIPE) == 1;
    ::pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    bool ok = true;
    bool broken = false;
    while (!bytes.empty()) {
        const ssize_t n = ::write(input_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            broken = errno == EPIPE;
            ok = false;
            break;
        }
        bytes.remove_prefix(size_t(n));
    }
    if (broken && !alreadyPending) {
        const timespec noWait{0, 0};
        while (::sigtimedwait(&pipeSignal, nullptr, &noWait) < 0 && errno == EINTR) {
        }
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return ok;
}

std::optional<std::string> ChildProcess::readLine(size_t maxLength) {
    if (output_ < 0) return std::nullopt;
    for (;;) {
        if (const auto end = pending_.find('\n'); end != std::string::npos) {
            if (end > maxLength) return std::nullopt;
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return line;
        }
        if (pending_.size() > maxLength) return std::nullopt;
        char buffer[256];
        const ssize_t n = ::read(output_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return std::nullopt;
        pending_.append(buffer, size_t(n));
    }
}

std::optional<int> ChildProcess::waitFor(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (auto status = reapNow(pid_)) return status;
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

std::optional<int> ChildProcess::finish(std::chrono::milliseconds timeout) {
    if (input_ >= 0) ::close(input_);
    input_ = -1;
    if (reaped_) return exitStatus_;
    auto status = waitFor(timeout);
    if (!status) {
        ::kill(pid_, SIGKILL);
        status = waitFor(std::chrono::seconds(1));
    }
    if (output_ >= 0) ::close(output_);
    output_ = -1;
    reaped_ = status.has_value();
    exitStatus_ = status;
    return status;
}

bool setInspectableBySameUser(bool inspectable) {
    return ::prctl(PR_SET_DUMPABLE, inspectable ? 1 : 0, 0, 0, 0) == 0;
}

bool isInspectableBySameUser() { return ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) == 1; }

bool isRunningAsRoot() { return ::geteuid() == 0; }

unsigned long currentUserId() { return ::getuid(); }

std::optional<std::string> currentExecutablePath() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || size_t(n) >= sizeof buffer) return std::nullopt;
    return std::string(buffer, size_t(n));
}

} // namespace fu::platform
