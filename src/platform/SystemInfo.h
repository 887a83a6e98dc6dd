// The running system's version as a dotted text of numbers.
#pragma once

#include <optional>
#include <string>

namespace fu::platform {

// The leading dotted numbers of the kernel release ("6.1.0" of "6.1.0-18-amd64"): from the
// system's release file, and from uname.
[[nodiscard]] std::optional<std::string> releaseFileVersion();
[[nodiscard]] std::optional<std::string> kernelReleaseVersion();
[[nodiscard]] std::optional<std::string> versionNumbersOfRelease(const std::string& release);

} // namespace fu::platform
