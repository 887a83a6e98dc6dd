// Raw access to a file's resource fork: open, size, positioned read and write, close, create.
// Handles are small positive numbers; none may outlive the call that opened it.
#pragma once

#include "base/Bytes.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace fu::platform {

using ForkRefNum = int16_t;

// The longest resource fork there is to open. A map's references address resource data with
// 24-bit offsets, so a classic fork's data area ends by 16 MiB; the 16-byte header, the fill
// before the data and the map (whose structures all lie within 16-bit offsets of its start) take
// less than one more MiB. A companion claiming a longer fork holds no resource fork, and refusing
// it at open bounds every length read from a fork.
inline constexpr uint64_t kMaxResourceForkLength = (uint64_t{1} << 24) + (uint64_t{1} << 20);

enum ForkPermission : int8_t { fsRdPerm = 1, fsRdWrPerm = 3 };
enum ForkPositionMode : int16_t { fsAtMark = 0, fsFromStart = 1 };

struct ForkTransfer {
    size_t actualCount = 0; // bytes moved, also when status is not noErr
    int16_t status = 0;     // 0, or a negative OSErr (eofErr when the fork ended first)
};

// A handle on success; otherwise nullopt with the reason in *status when given: notAFileErr when
// the file or its companion is no regular file, fsDataTooBigErr for a fork longer than
// kMaxResourceForkLength.
[[nodiscard]] std::optional<ForkRefNum> openFork(const std::string& path, int permission,
                                                 int16_t* status = nullptr);
void closeFork(ForkRefNum refNum);
[[nodiscard]] std::optional<uint64_t> forkSize(ForkRefNum refNum);
[[nodiscard]] ForkTransfer readFork(ForkRefNum refNum, int positionMode, int64_t offset,
                                    std::span<uint8_t> buffer);
// A fork grows at most to kMaxResourceForkLength; what would pass it is not written
// (fsDataTooBigErr), so that every fork written can be opened again.
[[nodiscard]] ForkTransfer writeFork(ForkRefNum refNum, int positionMode, int64_t offset,
                                     ByteView bytes);

// A new, empty file with an empty resource fork. Fails (dupFNErr) when the name is taken, and
// (bdNamErr) for an empty name, a name with a slash or more than 255 UTF-16 code units.
[[nodiscard]] int16_t createFileWithEmptyFork(const std::string& folderPath,
                                              const std::string& fileName);

// Forks currently open in this process; tests use it to prove every open was closed.
[[nodiscard]] size_t openForkCount();

// Closes the fork when it goes out of scope, so every successful open meets exactly one close.
class ScopedFork {
public:
    ScopedFork(const std::string& path, int permission)
        : ref_(openFork(path, permission, &status_)) {}
    // Takes charge of a handle opened elsewhere (or of the status of an open that failed).
    ScopedFork(std::optional<ForkRefNum> opened, int16_t status) : status_(status), ref_(opened) {}
    ~ScopedFork() {
        if (ref_) closeFork(*ref_);
    }
    ScopedFork(const ScopedFork&) = delete;
    ScopedFork& operator=(const ScopedFork&) = delete;

    [[nodiscard]] bool isOpen() const { return ref_.has_value(); }
    [[nodiscard]] ForkRefNum refNum() const { return ref_.value_or(0); }
    [[nodiscard]] int16_t openStatus() const { return status_; }

private:
    int16_t status_ = 0;
    std::optional<ForkRefNum> ref_;
};

} // namespace fu::platform
