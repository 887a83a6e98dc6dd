#include "base/PropertyList.h"

namespace fu {

std::optional<bool> PropertyValue::boolValue() const {
    if (const bool* flag = std::get_if<bool>(&value_)) return *flag;
    if (const int64_t* number = std::get_if<int64_t>(&value_)) return *number != 0;
    return std::nullopt;
}

std::optional<int64_t> PropertyValue::integerValue() const {
    if (const int64_t* number = std::get_if<int64_t>(&value_)) return *number;
    if (const bool* flag = std::get_if<bool>(&value_)) return *flag ? 1 : 0;
    return std::nullopt;
}

} // namespace fu
