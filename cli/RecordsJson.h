// Check-target records as JSON, the form inspect --json prints and build --records reads.
#pragma once

#include "base/Bytes.h"
#include "base/PropertyList.h"

#include <nlohmann/json.hpp>

#include <optional>

namespace fu::cli {

[[nodiscard]] nlohmann::ordered_json toJson(const PropertyValue& value);
// null, fractions and numbers beyond 64 bits have no property-list form; they read as absent.
[[nodiscard]] std::optional<PropertyValue> fromJson(const nlohmann::ordered_json& json);
// The document of a whole JSON text; nullopt when it does not parse.
[[nodiscard]] std::optional<PropertyValue> propertiesFromJsonText(ByteView text);

} // namespace fu::cli
