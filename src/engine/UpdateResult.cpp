#include "engine/UpdateResult.h"

#include "engine/MessageInfo.h"
#include "engine/StatusCodes.h"

#include <utility>

namespace fu {

UpdateResult UpdateResult::updateResultWithStatusCode(OperationStatus status,
                                                      const MessageInfo* messageInfo) {
    return updateResultWithStatusCode(status, 0, std::nullopt, messageInfo);
}

UpdateResult UpdateResult::updateResultWithStatusCode(OperationStatus status, int64_t count,
                                                      std::optional<std::string> text,
                                                      const MessageInfo* messageInfo) {
    UpdateResult result;
    result.status = status;
    result.count = count;
    if (text)
        result.text = std::move(text);
    else if (messageInfo)
        result.text = messageInfo->messageOfStatusCode(code(status));
    return result;
}

UpdateResult UpdateResult::updateResultWithCount(int64_t count, std::optional<std::string> text,
                                                 const MessageInfo* messageInfo) {
    return updateResultWithStatusCode(SearchStatus::StatusOK, count, std::move(text), messageInfo);
}

UpdateResult UpdateResult::updateResultWithCount(int64_t count) {
    UpdateResult result;
    result.count = count;
    return result;
}

} // namespace fu
