// Splitting the tab-separated line texts of a definition. Lines end at a line feed alone: a
// carriage return before it stays part of the line's last field.
#pragma once

#include <string_view>
#include <vector>

namespace fu {

[[nodiscard]] std::vector<std::string_view> splitText(std::string_view text, char separator);

} // namespace fu
