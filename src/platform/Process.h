// Child processes without a shell: a program run to completion with its output drained while
// we wait, and a long-lived child spoken to over two pipes (the privileged helper).
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fu::platform {

// Where a finished program's standard output and standard error go. Both share one pipe that is
// read while the program runs, so a talkative program never blocks on a full pipe.
enum class ChildOutput { Discard, ToStandardOutput, ToStandardError };

// Runs argv[0] (a full path, else refused; no PATH search, no shell) with argv as its arguments and
// standard input from /dev/null, and waits for it. Answers the exit status, 128 + the signal number
// when a signal ended it, or -1 when it could not be started.
[[nodiscard]] int runProgram(const std::vector<std::string>& argv, ChildOutput output);
// The same, keeping the first maxBytes of what the program wrote on either stream; the rest is
// read and dropped, so the program still never blocks.
[[nodiscard]] int runProgram(const std::vector<std::string>& argv, std::string& captured,
                             size_t maxBytes);

// A child whose standard input we write and whose standard output we read; its standard error
// is ours.
class ChildProcess {
public:
    // argv[0] is searched in PATH when it holds no slash. nullptr when it cannot be started.
    [[nodiscard]] static std::unique_ptr<ChildProcess> spawn(const std::vector<std::string>& argv);
    ~ChildProcess(); // finishes the child if that has not been done
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    [[nodiscard]] int pid() const { return pid_; }

    // False when the child no longer reads (a broken pipe never raises SIGPIPE here).
    [[nodiscard]] bool writeAll(std::string_view bytes);
    // One line without its line feed; nullopt at the end of the output, on a read error, or when
    // more than maxLength bytes come without a line feed.
    [[nodiscard]] std::optional<std::string> readLine(size_t maxLength);

    // Closes the child's input, waits up to the timeout, then kills it and waits a little more.
    // Answers the exit status as runProgram does, or nullopt when it could not be reaped (a child
    // running with other rights may refuse our signal).
    std::optional<int> finish(std::chrono::milliseconds timeout);

private:
    ChildProcess() = default;
    [[nodiscard]] std::optional<int> waitFor(std::chrono::milliseconds timeout);

    int pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    bool reaped_ = false;
    std::optional<int> exitStatus_;
    std::string pending_; // read past the last line handed out
};

// Whether other processes of the same user may read this one's memory and open its descriptors
// through /proc (ptrace, /proc/PID/fd). Off while the program holds a pipe to the privileged
// helper, so that no other program of the user can speak on it.
bool setInspectableBySameUser(bool inspectable);
[[nodiscard]] bool isInspectableBySameUser();

[[nodiscard]] bool isRunningAsRoot();
// The user the program runs for: one wizard per user.
[[nodiscard]] unsigned long currentUserId();
// The running program's own file, resolved; nullopt when the system does not say.
[[nodiscard]] std::optional<std::string> currentExecutablePath();

} // namespace fu::platform
