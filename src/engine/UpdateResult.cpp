#include "engine/UpdateResult.h"

#include "engine/MessageInfo.h"
#include "engine/StatusCodes.h"
#include "shell/AppDelegate.h"
#include "shell/AppInfo.h"

#include <utility>

namespace fu {
namespace {

// Reached through the application state, so a screen shows whatever table start-up installed.
std::optional<std::string> messageOfStatus(int16_t status) {
    const AppInfo* appInfo = AppDelegate::appInfo();
    if (appInfo == nullptr || appInfo->messageInfo == nullptr) return std::nullopt;
    return appInfo->messageInfo->messageOfStatusCode(status);
}

} // namespace

UpdateResult UpdateResult::updateResultWithStatusCode(int16_t status) {
    return updateResultWithStatusCode(status, 0, std::nullopt);
}

UpdateResult UpdateResult::updateResultWithStatusCode(int16_t status, int64_t count,
                                                      std::optional<std::string> text) {
    UpdateResult result;
    result.status = status;
    result.count = count;
    result.text = text ? std::move(text) : messageOfStatus(status);
    return result;
}

UpdateResult UpdateResult::updateResultWithCount(int64_t count, std::optional<std::string> text) {
    return updateResultWithStatusCode(StatusOK, count, std::move(text));
}

UpdateResult UpdateResult::updateResultWithCount(int64_t count) {
    UpdateResult result;
    result.count = count;
    return result;
}

} // namespace fu
