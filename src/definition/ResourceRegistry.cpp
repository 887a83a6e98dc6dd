#include "definition/ResourceRegistry.h"

#include <map>
#include <mutex>
#include <utility>

namespace fu {

namespace {

std::mutex gMutex;

std::map<std::pair<std::string, std::string>, Bytes>& resources() {
    static std::map<std::pair<std::string, std::string>, Bytes> table;
    return table;
}

} // namespace

void ResourceRegistry::registerResource(const std::string& name, const std::string& type,
                                        Bytes data) {
    std::lock_guard lock(gMutex);
    resources()[{name, type}] = std::move(data);
}

void ResourceRegistry::removeResource(const std::string& name, const std::string& type) {
    std::lock_guard lock(gMutex);
    resources().erase({name, type});
}

std::optional<Bytes> ResourceRegistry::resourceData(const std::string& name,
                                                    const std::string& type) {
    std::lock_guard lock(gMutex);
    auto it = resources().find({name, type});
    if (it == resources().end()) return std::nullopt;
    return it->second;
}

} // namespace fu
