// What a search or an update run reports to its screen: a status code, a count and a text.
#pragma once

#include "engine/StatusCodes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace fu {

class MessageInfo;

class UpdateResult {
public:
    OperationStatus status = SearchStatus::StatusOK;
    // Progress position, number of fonts found, or 0.
    int64_t count = 0;
    // A message or a progress text; nil and empty differ on screen (nil shows the fallback).
    std::optional<std::string> text;

    // The text is the status's message in the table, nil without a table or a message.
    [[nodiscard]] static UpdateResult updateResultWithStatusCode(OperationStatus status,
                                                                 const MessageInfo* messageInfo);
    // A nil text falls back to the status's message.
    [[nodiscard]] static UpdateResult updateResultWithStatusCode(OperationStatus status,
                                                                 int64_t count,
                                                                 std::optional<std::string> text,
                                                                 const MessageInfo* messageInfo);
    // Status 0; a nil text falls back to the message of status 0, which the table does not have.
    [[nodiscard]] static UpdateResult updateResultWithCount(int64_t count,
                                                            std::optional<std::string> text,
                                                            const MessageInfo* messageInfo);
    [[nodiscard]] static UpdateResult updateResultWithCount(int64_t count);
};

} // namespace fu
