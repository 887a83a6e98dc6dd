#include "platform/SystemInfo.h"

#include <fstream>
#include <sys/utsname.h>

namespace fu::platform {
namespace {

size_t endOfDigits(const std::string& text, size_t pos) {
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9')
        ++pos;
    return pos;
}

} // namespace

std::optional<std::string> releaseFileVersion() {
    std::ifstream file("/proc/sys/kernel/osrelease");
    std::string release;
    if (!file || !std::getline(file, release)) return std::nullopt;
    return versionNumbersOfRelease(release);
}

std::optional<std::string> kernelReleaseVersion() {
    utsname names{};
    if (::uname(&names) != 0) return std::nullopt;
    return versionNumbersOfRelease(names.release);
}

std::optional<std::string> versionNumbersOfRelease(const std::string& release) {
    size_t end = endOfDigits(release, 0);
    if (end == 0) return std::nullopt;
    // A dot counts only when a number follows it, and a version has at most three numbers.
    for (int numbers = 1; numbers < 3; ++numbers) {
        if (end >= release.size() || release[end] != '.') break;
        const size_t next = endOfDigits(release, end + 1);
        if (next == end + 1) break;
        end = next;
    }
    return release.substr(0, end);
}

} // namespace fu::platform
