#pragma once

#include <cctype>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A strict reader of the JSON the command line prints: objects whose values are strings,
// numbers, true, false or null, alone or in an array. It accepts nothing JSON refuses (raw
// control characters in strings, bad escapes, leading zeros, trailing commas), so a test that
// reads an object also proves it valid.
namespace tavro::test {

struct JsonValue {
    enum class Kind { String, Number, Bool, Null };
    Kind kind = Kind::Null;
    std::string text;  // the decoded string, the number's text, "true"/"false", "null"
};

using JsonObject = std::map<std::string, JsonValue>;

class FlatJsonReader {
public:
    explicit FlatJsonReader(std::string_view text) : text_(text) {}

    std::optional<JsonObject> Object() {
        JsonObject object;
        if (!Take('{')) return std::nullopt;
        if (Take('}')) return object;
        do {
            std::string key;
            JsonValue value;
            if (!String(key) || !Take(':') || !Value(value)) return std::nullopt;
            if (!object.emplace(std::move(key), std::move(value)).second) return std::nullopt;
        } while (Take(','));
        if (!Take('}')) return std::nullopt;
        return object;
    }

    std::optional<std::vector<JsonObject>> Array() {
        std::vector<JsonObject> objects;
        if (!Take('[')) return std::nullopt;
        if (Take(']')) return objects;
        do {
            auto object = Object();
            if (!object) return std::nullopt;
            objects.push_back(std::move(*object));
        } while (Take(','));
        if (!Take(']')) return std::nullopt;
        return objects;
    }

    bool AtEnd() {
        SkipSpace();
        return at_ == text_.size();
    }

private:
    void SkipSpace() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\n' ||
                                      text_[at_] == '\r' || text_[at_] == '\t')) {
            ++at_;
        }
    }
    bool Take(char c) {
        SkipSpace();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool Word(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) return false;
        at_ += word.size();
        return true;
    }
    static void AppendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    bool String(std::string& out) {
        if (!Take('"')) return false;
        while (at_ < text_.size()) {
            const unsigned char c = static_cast<unsigned char>(text_[at_++]);
            if (c == '"') return true;
            if (c < 0x20) return false;
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (at_ >= text_.size()) return false;
            const char escape = text_[at_++];
            switch (escape) {
                case '"':
                case '\\':
                case '/':
                    out += escape;
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    if (at_ + 4 > text_.size()) return false;
                    unsigned code = 0;
                    for (int i = 0; i < 4; ++i) {
                        const char h = text_[at_++];
                        if (!std::isxdigit(static_cast<unsigned char>(h))) return false;
                        code = code * 16 +
                               static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(h))
                                                         ? h - '0'
                                                         : std::tolower(h) - 'a' + 10);
                    }
                    AppendUtf8(out, code);
                    break;
                }
                default:
                    return false;
            }
        }
        return false;
    }
    bool Digits() {
        const std::size_t start = at_;
        while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) ++at_;
        return at_ > start;
    }
    bool Number(std::string& out) {
        const std::size_t start = at_;
        if (at_ < text_.size() && text_[at_] == '-') ++at_;
        if (at_ < text_.size() && text_[at_] == '0') {
            ++at_;
        } else if (!Digits()) {
            return false;
        }
        if (at_ < text_.size() && text_[at_] == '.' && (++at_, !Digits())) return false;
        if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
            ++at_;
            if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
            if (!Digits()) return false;
        }
        out = std::string(text_.substr(start, at_ - start));
        return true;
    }
    bool Value(JsonValue& value) {
        SkipSpace();
        if (at_ >= text_.size()) return false;
        const char c = text_[at_];
        if (c == '"') {
            value.kind = JsonValue::Kind::String;
            return String(value.text);
        }
        if (c == 't' || c == 'f') {
            value.kind = JsonValue::Kind::Bool;
            value.text = c == 't' ? "true" : "false";
            return Word(value.text);
        }
        if (c == 'n') {
            value.kind = JsonValue::Kind::Null;
            value.text = "null";
            return Word("null");
        }
        value.kind = JsonValue::Kind::Number;
        return Number(value.text);
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

// Each line one object (JSON Lines); nullopt when any line is not one.
inline std::optional<std::vector<JsonObject>> ReadJsonLines(std::string_view text) {
    std::vector<JsonObject> objects;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) return std::nullopt;  // every line ends
        FlatJsonReader reader(text.substr(0, end));
        auto object = reader.Object();
        if (!object || !reader.AtEnd()) return std::nullopt;
        objects.push_back(std::move(*object));
        text.remove_prefix(end + 1);
    }
    return objects;
}

inline std::optional<std::vector<JsonObject>> ReadJsonArray(std::string_view text) {
    FlatJsonReader reader(text);
    auto objects = reader.Array();
    if (!objects || !reader.AtEnd()) return std::nullopt;
    return objects;
}

}  // namespace tavro::test
