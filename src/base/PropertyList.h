// Property-list values without a toolkit: booleans, integers, strings, arrays and dictionaries,
// the shapes the authoring documents are stored in. Front ends convert them to their own formats.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace fu {

class PropertyValue;
using PropertyArray = std::vector<PropertyValue>;
using PropertyDictionary = std::map<std::string, PropertyValue, std::less<>>;

class PropertyValue {
public:
    PropertyValue() = default;
    PropertyValue(bool value) : value_(value) {}
    PropertyValue(int64_t value) : value_(value) {}
    PropertyValue(int value) : value_(int64_t{value}) {}
    PropertyValue(std::string value) : value_(std::move(value)) {}
    PropertyValue(const char* value) : value_(std::string(value)) {}
    PropertyValue(PropertyArray value) : value_(std::move(value)) {}
    PropertyValue(PropertyDictionary value) : value_(std::move(value)) {}

    [[nodiscard]] bool isBoolean() const { return std::holds_alternative<bool>(value_); }
    [[nodiscard]] bool isInteger() const { return std::holds_alternative<int64_t>(value_); }

    // The value when it has that shape, else nullptr.
    [[nodiscard]] const std::string* string() const { return std::get_if<std::string>(&value_); }
    [[nodiscard]] const PropertyArray* array() const { return std::get_if<PropertyArray>(&value_); }
    [[nodiscard]] const PropertyDictionary* dictionary() const {
        return std::get_if<PropertyDictionary>(&value_);
    }
    // A number read as a flag or as a count, the way a property-list number answers either;
    // nullopt for a string, an array or a dictionary.
    [[nodiscard]] std::optional<bool> boolValue() const;
    [[nodiscard]] std::optional<int64_t> integerValue() const;

    bool operator==(const PropertyValue&) const = default;

private:
    std::variant<bool, int64_t, std::string, PropertyArray, PropertyDictionary> value_;
};

} // namespace fu
