// The code-to-message table: the one Japanese text the user sees for each status code.
#pragma once

#include "engine/StatusCodes.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace fu {

// The table is keyed by number: its codes come from several families, and the general search
// range is registered number by number.
struct MessageEntry {
    constexpr MessageEntry(OperationStatus status, const char* message)
        : status(code(status)), message(message) {}
    constexpr MessageEntry(FontMessage status, const char* message)
        : status(code(status)), message(message) {}

    int16_t status;
    const char* message;
};

// The application's texts, the one place they are written: one text for the whole search range
// -1000 … -993, then the table, registered in its order.
[[nodiscard]] const char* searchErrorGeneralMessage();
[[nodiscard]] std::span<const MessageEntry> messageTableEntries();

class MessageItem {
public:
    int16_t status = 0;
    std::string message;

    [[nodiscard]] static MessageItem initWithStatusCode(int16_t status, std::string message);
};

class MessageInfo {
public:
    // Registration order matters: a look-up answers the first item with the code.
    std::vector<MessageItem> messageItems;

    // Filled with the application's whole table.
    MessageInfo();

    // Appends the application's table; all or nothing, so a failure leaves no texts behind.
    [[nodiscard]] bool setupMessageItems();

    [[nodiscard]] bool addItemWithStatusCode(int16_t status, std::string message);
    // Refuses an item whose message is empty: a code without text must look up as nil.
    [[nodiscard]] bool addItem(MessageItem item);

    [[nodiscard]] std::optional<std::string> messageOfStatusCode(int16_t status) const;
    [[nodiscard]] std::optional<std::string> messageOfStatusCode(OperationStatus status) const {
        return messageOfStatusCode(code(status));
    }
    [[nodiscard]] std::optional<std::string> messageOfStatusCode(FontMessage status) const {
        return messageOfStatusCode(code(status));
    }
};

// The font message shown beside a font whose updateResult is this non-zero per-font code.
[[nodiscard]] FontMessage fontMessageCodeOfItemResult(ItemResult result);

} // namespace fu
