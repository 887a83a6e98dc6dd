// Named, typed resources the application carries (the built-in definition). The wizard fills
// the registry from its compiled-in data at start-up; tests fill it with their own.
#pragma once

#include "base/Bytes.h"

#include <optional>
#include <string>

namespace fu {

class ResourceRegistry {
public:
    static void registerResource(const std::string& name, const std::string& type, Bytes data);
    static void removeResource(const std::string& name, const std::string& type);
    // A copy of the resource's bytes, or nullopt when there is none.
    [[nodiscard]] static std::optional<Bytes> resourceData(const std::string& name,
                                                           const std::string& type);
};

} // namespace fu
