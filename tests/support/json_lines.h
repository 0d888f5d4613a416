#pragma once

#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The JSON the command line prints, read by the same library that writes it: JSON Lines of
// objects, or one array of objects, each object's fields by name.
namespace tavro::test {

struct JsonValue {
    enum class Kind { String, Number, Bool, Null, Object, Array };
    Kind kind = Kind::Null;
    std::string text;  // the decoded string, else the value as JSON ("12", "true", "{...}")
};

using JsonObject = std::map<std::string, JsonValue>;

inline JsonValue ReadJsonValue(const nlohmann::json& value) {
    using Kind = JsonValue::Kind;
    if (value.is_string()) return {Kind::String, value.get<std::string>()};
    const Kind kind = value.is_number()    ? Kind::Number
                      : value.is_boolean() ? Kind::Bool
                      : value.is_object()  ? Kind::Object
                      : value.is_array()   ? Kind::Array
                                           : Kind::Null;
    return {kind, value.dump()};
}

inline std::optional<JsonObject> ReadJsonObject(const nlohmann::json& value) {
    if (!value.is_object()) return std::nullopt;
    JsonObject object;
    for (const auto& [name, field] : value.items()) object[name] = ReadJsonValue(field);
    return object;
}

// The fields of an object held in a field ("file": {...}).
inline std::optional<JsonObject> ReadJsonObject(const JsonValue& value) {
    if (value.kind != JsonValue::Kind::Object) return std::nullopt;
    return ReadJsonObject(nlohmann::json::parse(value.text));
}

// Each line one object (JSON Lines); nullopt when any line is not one.
inline std::optional<std::vector<JsonObject>> ReadJsonLines(std::string_view text) {
    std::vector<JsonObject> objects;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) return std::nullopt;  // every line ends
        const nlohmann::json line = nlohmann::json::parse(text.substr(0, end), nullptr, false);
        auto object = ReadJsonObject(line);
        if (!object) return std::nullopt;
        objects.push_back(std::move(*object));
        text.remove_prefix(end + 1);
    }
    return objects;
}

inline std::optional<std::vector<JsonObject>> ReadJsonArray(std::string_view text) {
    const nlohmann::json array = nlohmann::json::parse(text, nullptr, false);
    if (!array.is_array()) return std::nullopt;
    std::vector<JsonObject> objects;
    for (const nlohmann::json& item : array) {
        auto object = ReadJsonObject(item);
        if (!object) return std::nullopt;
        objects.push_back(std::move(*object));
    }
    return objects;
}

}  // namespace tavro::test
