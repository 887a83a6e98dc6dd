// LD_PRELOAD library for the update-safety test: counts the file-system calls a process makes
// inside one folder and fails or kills it at a chosen one, so that every step of an update run
// can be interrupted in turn.
//
//   FU_FAULT_ONLY=TEXT        only calls whose path contains TEXT count (fd calls: the path the
//                             fd was opened with); without it every call counts
//   FU_FAULT_COUNT_FILE=PATH  one line per counted call: ordinal, call, path[, what was injected]
//   FU_FAULT_AT=N             the Nth counted call is affected
//   FU_FAULT_MODE=MODE        fail: that call answers -1 (EIO, ENOSPC for writes);
//                             persist: it and every later counted call of its kind fail;
//                             kill: SIGKILL before the call runs
//   FU_FAULT_ERRNO=N          the errno an injected failure answers instead (EMFILE is 24)
//   FU_FAULT_NO_RENAME_FLAGS=1  renameat2 with flags answers EINVAL, as on file systems without
//                             RENAME_NOREPLACE, so that the program's fallback runs
//
// The variables are removed from the environment at start, so that programs the process starts
// (cache scripts) run unfaulted and do not add to the count.
#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

enum Kind { KindOpen, KindWrite, KindSync, KindRename, KindLink, KindUnlink, KindMkdir, KindCount };

enum Mode { ModeNone, ModeFail, ModePersist, ModeKill };

constexpr int kPathMax = 4096;
constexpr int kTrackedFds = 1024;

struct TrackedFd {
    bool inside = false;
    dev_t dev = 0;
    ino_t ino = 0;
    char path[512] = {};
};

struct State {
    bool ready = false;
    char only[kPathMax] = {};
    bool filtered = false;
    // Not the program named by FU_FAULT_EXE: every call goes through untouched, and the
    // environment stays for the children, one of which is that program.
    bool passThrough = false;
    int countFd = -1;
    long at = 0;
    Mode mode = ModeNone;
    long ordinal = 0;
    bool persisting[KindCount] = {};
    bool noRenameFlags = false;
    int error = 0;
};

State state;
TrackedFd tracked[kTrackedFds];
// Set while the shim itself works, so that a call made from inside (dlsym, readlink) passes.
thread_local bool busy = false;

// Copies at most ROOM - 1 bytes and always terminates; a cut path only weakens the log line.
void copyBounded(char* out, size_t room, const char* in) {
    size_t n = 0;
    while (in[n] && n + 1 < room) {
        out[n] = in[n];
        ++n;
    }
    out[n] = '\0';
}

template <typename F> F real(F& slot, const char* name) {
    if (!slot) slot = reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
    return slot;
}

// Raw system calls for the shim's own output: never routed back into a wrapper.
void rawWrite(int fd, const char* bytes, size_t size) {
    while (size > 0) {
        const long n = syscall(SYS_write, fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        bytes += n;
        size -= size_t(n);
    }
}

int rawOpen(const char* path, int flags, mode_t mode) {
    return int(syscall(SYS_openat, AT_FDCWD, path, flags, mode));
}

void initialise() {
    if (state.ready) return;
    state.ready = true;
    const int saved = errno;
    if (const char* exe = getenv("FU_FAULT_EXE"); exe && *exe) {
        char self[kPathMax];
        const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        self[n > 0 ? n : 0] = '\0';
        const char* slash = strrchr(self, '/');
        if (strcmp(slash ? slash + 1 : self, exe) != 0) {
            state.passThrough = true;
            errno = saved;
            return;
        }
    }
    if (const char* only = getenv("FU_FAULT_ONLY"); only && *only) {
        copyBounded(state.only, sizeof state.only, only);
        state.filtered = true;
    }
    if (const char* count = getenv("FU_FAULT_COUNT_FILE"); count && *count) {
        const int fd = rawOpen(count, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        // Far from the numbers the program uses, so a program that closes its low fds keeps it.
        if (fd >= 0) {
            const int high = fcntl(fd, F_DUPFD_CLOEXEC, 900);
            if (high >= 0) {
                syscall(SYS_close, fd);
                state.countFd = high;
            } else {
                state.countFd = fd;
            }
        }
    }
    if (const char* at = getenv("FU_FAULT_AT"); at && *at) state.at = strtol(at, nullptr, 10);
    if (const char* mode = getenv("FU_FAULT_MODE"); mode && *mode) {
        if (strcmp(mode, "fail") == 0)
            state.mode = ModeFail;
        else if (strcmp(mode, "persist") == 0)
            state.mode = ModePersist;
        else if (strcmp(mode, "kill") == 0)
            state.mode = ModeKill;
    }
    if (const char* error = getenv("FU_FAULT_ERRNO"); error && *error)
        state.error = int(strtol(error, nullptr, 10));
    if (const char* flags = getenv("FU_FAULT_NO_RENAME_FLAGS"); flags && strcmp(flags, "1") == 0)
        state.noRenameFlags = true;
    static const char* const names[] = {"LD_PRELOAD",   "FU_FAULT_ONLY", "FU_FAULT_COUNT_FILE",
                                        "FU_FAULT_AT",  "FU_FAULT_MODE", "FU_FAULT_NO_RENAME_FLAGS",
                                        "FU_FAULT_EXE", "FU_FAULT_ERRNO"};
    for (const char* name : names)
        unsetenv(name);
    errno = saved;
}

__attribute__((constructor)) void startUp() { initialise(); }

// Bounded string building without the allocator or stdio.
struct Line {
    char text[2 * kPathMax + 128];
    size_t size = 0;
    void add(const char* s) {
        while (s && *s && size < sizeof text - 1)
            text[size++] = *s++;
    }
    void add(long n) {
        char digits[24];
        int count = 0;
        if (n == 0) digits[count++] = '0';
        while (n > 0 && count < 24) {
            digits[count++] = char('0' + n % 10);
            n /= 10;
        }
        while (count > 0 && size < sizeof text - 1)
            text[size++] = digits[--count];
    }
};

// What FD names, from its /proc link; empty and false when that cannot be read.
bool fdTarget(int fd, char* out, size_t room) {
    Line link;
    link.add("/proc/self/fd/");
    link.add(long(fd));
    link.text[link.size] = '\0';
    const ssize_t n = readlink(link.text, out, room - 1);
    out[n > 0 ? n : 0] = '\0';
    return n > 0;
}

// An absolute spelling of PATH relative to DIRFD, good enough for a substring test.
void absolutePath(int dirfd, const char* path, char* out, size_t room) {
    out[0] = '\0';
    if (!path) return;
    size_t used = 0;
    if (path[0] != '/') {
        if (dirfd == AT_FDCWD) {
            if (!getcwd(out, room)) out[0] = '\0';
        } else {
            fdTarget(dirfd, out, room);
        }
        used = strlen(out);
        if (used + 1 < room) {
            out[used++] = '/';
            out[used] = '\0';
        }
    }
    copyBounded(out + used, room - used, path);
}

bool inside(const char* absolute) {
    if (state.passThrough) return false;
    return !state.filtered || strstr(absolute, state.only) != nullptr;
}

// Remembers whether a freshly opened fd lies inside; the inode guards against a number that was
// closed behind the shim's back (closedir, fclose) and reused.
void trackFd(int fd) {
    if (fd < 0 || fd >= kTrackedFds) return;
    TrackedFd& entry = tracked[fd];
    entry.inside = false;
    char resolved[kPathMax];
    if (!fdTarget(fd, resolved, sizeof resolved)) return;
    if (!inside(resolved)) return;
    struct stat st {};
    if (fstat(fd, &st) != 0) return;
    entry.dev = st.st_dev;
    entry.ino = st.st_ino;
    copyBounded(entry.path, sizeof entry.path, resolved);
    entry.inside = true;
}

const char* trackedPath(int fd) {
    if (fd < 0 || fd >= kTrackedFds || !tracked[fd].inside) return nullptr;
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_dev != tracked[fd].dev || st.st_ino != tracked[fd].ino) {
        tracked[fd].inside = false;
        return nullptr;
    }
    return tracked[fd].path;
}

// The decision for one call: 0 to let it run, else the errno it must fail with.
int decide(Kind kind, const char* call, const char* path, const char* second = nullptr) {
    initialise();
    const long ordinal = ++state.ordinal;
    const char* injected = nullptr;
    int error = 0;
    if (state.persisting[kind]) {
        injected = "persist";
    } else if (state.at == ordinal) {
        if (state.mode == ModeKill)
            injected = "kill";
        else if (state.mode == ModeFail)
            injected = "fail";
        else if (state.mode == ModePersist)
            injected = "persist";
        if (state.mode == ModePersist) state.persisting[kind] = true;
    }
    if (injected) error = state.error > 0 ? state.error : kind == KindWrite ? ENOSPC : EIO;
    if (state.countFd >= 0) {
        Line line;
        line.add(ordinal);
        line.add("\t");
        line.add(call);
        line.add("\t");
        line.add(path);
        if (second) {
            line.add(" -> ");
            line.add(second);
        }
        if (injected) {
            line.add("\t");
            line.add(injected);
        }
        line.add("\n");
        rawWrite(state.countFd, line.text, line.size);
    }
    if (injected && strcmp(injected, "kill") == 0) {
        syscall(SYS_kill, getpid(), SIGKILL);
        for (;;)
            pause();
    }
    return error;
}

// Runs DECIDE for a path-based call; answers the errno to fail with, 0 to go on.
int checkPath(Kind kind, const char* call, int dirfd, const char* path, int dirfd2 = AT_FDCWD,
              const char* path2 = nullptr) {
    if (busy) return 0;
    busy = true;
    initialise();
    char first[kPathMax];
    char second[kPathMax];
    absolutePath(dirfd, path, first, sizeof first);
    second[0] = '\0';
    if (path2) absolutePath(dirfd2, path2, second, sizeof second);
    int error = 0;
    if (inside(first) || (path2 && inside(second)))
        error = decide(kind, call, first, path2 ? second : nullptr);
    busy = false;
    return error;
}

int checkFd(Kind kind, const char* call, int fd) {
    if (busy) return 0;
    busy = true;
    initialise();
    int error = 0;
    if (fd != state.countFd) {
        const char* path =
            state.filtered ? trackedPath(fd) : (trackedPath(fd) ? trackedPath(fd) : "?");
        if (path) error = decide(kind, call, path);
    }
    busy = false;
    return error;
}

int opened(int fd) {
    if (fd >= 0 && !busy) {
        const int saved = errno;
        busy = true;
        trackFd(fd);
        busy = false;
        errno = saved;
    }
    return fd;
}

mode_t modeArgument(int flags, va_list args) {
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? mode_t(va_arg(args, int)) : 0;
}

// open's mode argument exists only when the flags ask for one.
#define MODE_ARGUMENT(flags)                                                                       \
    va_list args;                                                                                  \
    va_start(args, flags);                                                                         \
    const mode_t mode = modeArgument(flags, args);                                                 \
    va_end(args)

// The real function, or null with errno set when this call is the one to fail.
template <typename F>
F gatePath(F& slot, const char* name, Kind kind, int dirfd, const char* path, int dirfd2 = AT_FDCWD,
           const char* path2 = nullptr) {
    if (int error = checkPath(kind, name, dirfd, path, dirfd2, path2)) {
        errno = error;
        return nullptr;
    }
    return real(slot, name);
}

// An opening call through the gate: the new fd is tracked, a refused call answers -1.
template <typename F, typename... Args>
int openThrough(F& slot, const char* name, int dirfd, const char* path, Args... args) {
    auto call = gatePath(slot, name, KindOpen, dirfd, path);
    return call ? opened(call(args...)) : -1;
}

template <typename F> F gateFd(F& slot, const char* name, Kind kind, int fd) {
    if (int error = checkFd(kind, name, fd)) {
        errno = error;
        return nullptr;
    }
    return real(slot, name);
}

using OpenFn = int (*)(const char*, int, ...);
using OpenatFn = int (*)(int, const char*, int, ...);
using Open2Fn = int (*)(const char*, int);
using Openat2Fn = int (*)(int, const char*, int);
using CreatFn = int (*)(const char*, mode_t);
using MkostempFn = int (*)(char*, int);
using MkstempFn = int (*)(char*);
using WriteFn = ssize_t (*)(int, const void*, size_t);
using PwriteFn = ssize_t (*)(int, const void*, size_t, off_t);
using WritevFn = ssize_t (*)(int, const struct iovec*, int);
using PwritevFn = ssize_t (*)(int, const struct iovec*, int, off_t);
using SyncFn = int (*)(int);
using RenameFn = int (*)(const char*, const char*);
using RenameatFn = int (*)(int, const char*, int, const char*);
using Renameat2Fn = int (*)(int, const char*, int, const char*, unsigned);
using LinkatFn = int (*)(int, const char*, int, const char*, int);
using UnlinkFn = int (*)(const char*);
using UnlinkatFn = int (*)(int, const char*, int);
using MkdirFn = int (*)(const char*, mode_t);
using MkdiratFn = int (*)(int, const char*, mode_t);
using CopyRangeFn = ssize_t (*)(int, off64_t*, int, off64_t*, size_t, unsigned);
using SendfileFn = ssize_t (*)(int, int, off_t*, size_t);
using CloseFn = int (*)(int);

OpenFn realOpen, realOpen64;
OpenatFn realOpenat, realOpenat64;
Open2Fn realOpen2, realOpen64_2;
Openat2Fn realOpenat2, realOpenat64_2;
CreatFn realCreat, realCreat64;
MkostempFn realMkostemp, realMkostemp64;
MkstempFn realMkstemp, realMkstemp64;
WriteFn realWrite;
PwriteFn realPwrite, realPwrite64;
WritevFn realWritev;
PwritevFn realPwritev, realPwritev64;
SyncFn realFsync, realFdatasync;
RenameFn realRename, realLink;
RenameatFn realRenameat;
Renameat2Fn realRenameat2;
LinkatFn realLinkat;
UnlinkFn realUnlink, realRemove, realRmdir;
UnlinkatFn realUnlinkat;
MkdirFn realMkdir;
MkdiratFn realMkdirat;
CopyRangeFn realCopyFileRange;
SendfileFn realSendfile, realSendfile64;
CloseFn realClose;

// A call on an fd through the gate; a refused call answers -1.
template <typename F, typename... Args>
auto throughFd(F& slot, const char* name, Kind kind, int fd, Args... args)
    -> decltype(slot(args...)) {
    auto call = gateFd(slot, name, kind, fd);
    return call ? call(args...) : -1;
}

} // namespace

extern "C" {

int open(const char* path, int flags, ...) {
    MODE_ARGUMENT(flags);
    return openThrough(realOpen, "open", AT_FDCWD, path, path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    MODE_ARGUMENT(flags);
    return openThrough(realOpen64, "open64", AT_FDCWD, path, path, flags, mode);
}

int openat(int dirfd, const char* path, int flags, ...) {
    MODE_ARGUMENT(flags);
    return openThrough(realOpenat, "openat", dirfd, path, dirfd, path, flags, mode);
}

int openat64(int dirfd, const char* path, int flags, ...) {
    MODE_ARGUMENT(flags);
    return openThrough(realOpenat64, "openat64", dirfd, path, dirfd, path, flags, mode);
}

// The fortified entry points that _FORTIFY_SOURCE builds call instead of open(): glibc's names,
// reserved as they are, since those are what the program calls.
// NOLINTBEGIN(bugprone-reserved-identifier)
int __open_2(const char* path, int flags) {
    return openThrough(realOpen2, "__open_2", AT_FDCWD, path, path, flags);
}

int __open64_2(const char* path, int flags) {
    return openThrough(realOpen64_2, "__open64_2", AT_FDCWD, path, path, flags);
}

int __openat_2(int dirfd, const char* path, int flags) {
    return openThrough(realOpenat2, "__openat_2", dirfd, path, dirfd, path, flags);
}

int __openat64_2(int dirfd, const char* path, int flags) {
    return openThrough(realOpenat64_2, "__openat64_2", dirfd, path, dirfd, path, flags);
}
// NOLINTEND(bugprone-reserved-identifier)

int creat(const char* path, mode_t mode) {
    return openThrough(realCreat, "creat", AT_FDCWD, path, path, mode);
}

int creat64(const char* path, mode_t mode) {
    return openThrough(realCreat64, "creat64", AT_FDCWD, path, path, mode);
}

// glibc opens the temporary file internally, out of reach of open(); the template is the path.
int mkostemp(char* templ, int flags) {
    return openThrough(realMkostemp, "mkostemp", AT_FDCWD, templ, templ, flags);
}

int mkostemp64(char* templ, int flags) {
    return openThrough(realMkostemp64, "mkostemp64", AT_FDCWD, templ, templ, flags);
}

int mkstemp(char* templ) { return openThrough(realMkstemp, "mkstemp", AT_FDCWD, templ, templ); }

int mkstemp64(char* templ) {
    return openThrough(realMkstemp64, "mkstemp64", AT_FDCWD, templ, templ);
}

ssize_t write(int fd, const void* bytes, size_t count) {
    return throughFd(realWrite, "write", KindWrite, fd, fd, bytes, count);
}

ssize_t pwrite(int fd, const void* bytes, size_t count, off_t offset) {
    return throughFd(realPwrite, "pwrite", KindWrite, fd, fd, bytes, count, offset);
}

ssize_t pwrite64(int fd, const void* bytes, size_t count, off_t offset) {
    return throughFd(realPwrite64, "pwrite64", KindWrite, fd, fd, bytes, count, offset);
}

ssize_t writev(int fd, const struct iovec* vectors, int count) {
    return throughFd(realWritev, "writev", KindWrite, fd, fd, vectors, count);
}

ssize_t pwritev(int fd, const struct iovec* vectors, int count, off_t offset) {
    return throughFd(realPwritev, "pwritev", KindWrite, fd, fd, vectors, count, offset);
}

ssize_t pwritev64(int fd, const struct iovec* vectors, int count, off_t offset) {
    return throughFd(realPwritev64, "pwritev64", KindWrite, fd, fd, vectors, count, offset);
}

ssize_t copy_file_range(int in, off64_t* inOffset, int out, off64_t* outOffset, size_t count,
                        unsigned flags) {
    return throughFd(realCopyFileRange, "copy_file_range", KindWrite, out, in, inOffset, out,
                     outOffset, count, flags);
}

ssize_t sendfile(int out, int in, off_t* offset, size_t count) {
    return throughFd(realSendfile, "sendfile", KindWrite, out, out, in, offset, count);
}

ssize_t sendfile64(int out, int in, off_t* offset, size_t count) {
    return throughFd(realSendfile64, "sendfile64", KindWrite, out, out, in, offset, count);
}

int fsync(int fd) { return throughFd(realFsync, "fsync", KindSync, fd, fd); }

int fdatasync(int fd) { return throughFd(realFdatasync, "fdatasync", KindSync, fd, fd); }

int rename(const char* from, const char* to) {
    auto call = gatePath(realRename, "rename", KindRename, AT_FDCWD, from, AT_FDCWD, to);
    return call ? call(from, to) : -1;
}

int renameat(int fromDir, const char* from, int toDir, const char* to) {
    auto call = gatePath(realRenameat, "renameat", KindRename, fromDir, from, toDir, to);
    return call ? call(fromDir, from, toDir, to) : -1;
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
    auto call = gatePath(realRenameat2, "renameat2", KindRename, fromDir, from, toDir, to);
    if (call && state.noRenameFlags && flags != 0) {
        errno = EINVAL;
        return -1;
    }
    return call ? call(fromDir, from, toDir, to, flags) : -1;
}

int link(const char* from, const char* to) {
    auto call = gatePath(realLink, "link", KindLink, AT_FDCWD, from, AT_FDCWD, to);
    return call ? call(from, to) : -1;
}

int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
    auto call = gatePath(realLinkat, "linkat", KindLink, fromDir, from, toDir, to);
    return call ? call(fromDir, from, toDir, to, flags) : -1;
}

int unlink(const char* path) {
    auto call = gatePath(realUnlink, "unlink", KindUnlink, AT_FDCWD, path);
    return call ? call(path) : -1;
}

int unlinkat(int dirfd, const char* path, int flags) {
    auto call = gatePath(realUnlinkat, "unlinkat", KindUnlink, dirfd, path);
    return call ? call(dirfd, path, flags) : -1;
}

// std::filesystem::remove and remove_all reach the file system through these two.
int remove(const char* path) {
    auto call = gatePath(realRemove, "remove", KindUnlink, AT_FDCWD, path);
    return call ? call(path) : -1;
}

int rmdir(const char* path) {
    auto call = gatePath(realRmdir, "rmdir", KindUnlink, AT_FDCWD, path);
    return call ? call(path) : -1;
}

int mkdir(const char* path, mode_t mode) {
    auto call = gatePath(realMkdir, "mkdir", KindMkdir, AT_FDCWD, path);
    return call ? call(path, mode) : -1;
}

int mkdirat(int dirfd, const char* path, mode_t mode) {
    auto call = gatePath(realMkdirat, "mkdirat", KindMkdir, dirfd, path);
    return call ? call(dirfd, path, mode) : -1;
}

// Not a point of its own: only forgets the fd so a reused number is not taken for it.
int close(int fd) {
    if (fd >= 0 && fd < kTrackedFds) tracked[fd].inside = false;
    return real(realClose, "close")(fd);
}

} // extern "C"
