#include "RecordsJson.h"

#include <limits>

namespace fu::cli {

using Json = nlohmann::ordered_json;

Json toJson(const PropertyValue& value) {
    if (const std::string* text = value.string()) return *text;
    if (value.isBoolean()) return *value.boolValue();
    if (value.isInteger()) return *value.integerValue();
    if (const PropertyArray* array = value.array()) {
        Json out = Json::array();
        for (const PropertyValue& element : *array)
            out.push_back(toJson(element));
        return out;
    }
    Json out = Json::object();
    for (const auto& [key, element] : *value.dictionary())
        out[key] = toJson(element);
    return out;
}

std::optional<PropertyValue> fromJson(const Json& json) {
    switch (json.type()) {
    case Json::value_t::string: return PropertyValue(json.get<std::string>());
    case Json::value_t::boolean: return PropertyValue(json.get<bool>());
    case Json::value_t::number_integer: return PropertyValue(json.get<int64_t>());
    case Json::value_t::number_unsigned:
        if (json.get<uint64_t>() > uint64_t(std::numeric_limits<int64_t>::max()))
            return std::nullopt;
        return PropertyValue(int64_t(json.get<uint64_t>()));
    case Json::value_t::array: {
        PropertyArray array;
        for (const Json& element : json)
            if (auto value = fromJson(element)) array.push_back(std::move(*value));
        return PropertyValue(std::move(array));
    }
    case Json::value_t::object: {
        PropertyDictionary dictionary;
        for (const auto& [key, element] : json.items())
            if (auto value = fromJson(element)) dictionary.emplace(key, std::move(*value));
        return PropertyValue(std::move(dictionary));
    }
    default: return std::nullopt;
    }
}

std::optional<PropertyValue> propertiesFromJsonText(ByteView text) {
    const Json json = Json::parse(text.begin(), text.end(), nullptr, false);
    if (json.is_discarded()) return std::nullopt;
    return fromJson(json);
}

} // namespace fu::cli
