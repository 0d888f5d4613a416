#include "sim/device_spec.h"

#include <charconv>
#include <functional>
#include <map>
#include <vector>

#include "net/socket.h"
#include "sim/escaped_text.h"

namespace tavro::sim {
namespace {

std::vector<std::string_view> SplitFields(std::string_view text) {
    std::vector<std::string_view> fields;
    while (true) {
        const auto comma = text.find(',');
        fields.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos) return fields;
        text.remove_prefix(comma + 1);
    }
}

template <typename Number>
bool ReadNumber(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool ReadMac(std::string_view text, std::array<std::uint8_t, 6>& mac) {
    if (text.size() != 17) return false;
    for (std::size_t i = 0; i < 6; ++i) {
        if (i > 0 && text[i * 3 - 1] != '-' && text[i * 3 - 1] != ':') return false;
        const auto [end, error] =
            std::from_chars(text.data() + i * 3, text.data() + i * 3 + 2, mac[i], 16);
        if (error != std::errc() || end != text.data() + i * 3 + 2) return false;
    }
    return true;
}

bool ReadAddress(std::string_view text, std::uint32_t& address) {
    // Only the plain dotted quad: the shorthand forms would name addresses nobody meant.
    const auto parsed = net::ParseIPv4(text);
    if (!parsed || net::FormatIPv4(*parsed) != text) return false;
    address = *parsed;
    return true;
}

using Setter = std::function<bool(DeviceSpec&, std::string_view, std::string&)>;

template <typename Number>
Setter NumberInto(Number DeviceSpec::*field) {
    return [field](DeviceSpec& spec, std::string_view value, std::string&) {
        return ReadNumber(value, spec.*field);
    };
}

Setter TextInto(std::optional<std::string> DeviceSpec::*field) {
    return [field](DeviceSpec& spec, std::string_view value, std::string& why) {
        auto text = UnescapeText(value, why);
        if (text) spec.*field = std::move(*text);
        return text.has_value();
    };
}

Setter Flag(bool DeviceSpec::*field) {
    return [field](DeviceSpec& spec, std::string_view value, std::string&) {
        spec.*field = true;
        return value.empty();
    };
}

const std::map<std::string_view, Setter>& Setters() {
    static const std::map<std::string_view, Setter> setters = {
        {"mac", [](DeviceSpec& s, std::string_view v, std::string&) { return ReadMac(v, s.mac); }},
        {"sketch", NumberInto(&DeviceSpec::sketchVersion)},
        {"text", NumberInto(&DeviceSpec::textVersion)},
        {"password", TextInto(&DeviceSpec::password)},
        {"store",
         [](DeviceSpec& s, std::string_view v, std::string&) {
             s.storeDirectory = v;
             return !v.empty();
         }},
        {"no-reply",
         [](DeviceSpec& s, std::string_view v, std::string&) {
             s.replies = 0;
             return v.empty();
         }},
        {"replies", NumberInto(&DeviceSpec::replies)},
        {"reply-length", NumberInto(&DeviceSpec::replyLength)},
        {"reply-delay-ms", NumberInto(&DeviceSpec::replyDelayMs)},
        {"version-answer", TextInto(&DeviceSpec::versionAnswer)},
        {"version",
         [](DeviceSpec& s, std::string_view v, std::string&) {
             if (v == "silent") s.versionMode = VersionMode::Silent;
             if (v == "close") s.versionMode = VersionMode::Close;
             return v == "silent" || v == "close";
         }},
        {"version-delay-ms", NumberInto(&DeviceSpec::versionDelayMs)},
        {"ignore-invitations", NumberInto(&DeviceSpec::ignoreInvitations)},
        {"invitation-answer", TextInto(&DeviceSpec::invitationAnswer)},
        {"refuse-auth", Flag(&DeviceSpec::refuseAuth)},
        {"no-verdict", Flag(&DeviceSpec::noVerdict)},
        {"no-connect", Flag(&DeviceSpec::noConnect)},
        {"close-after",
         [](DeviceSpec& s, std::string_view v, std::string&) {
             std::uint64_t bytes = 0;
             if (!ReadNumber(v, bytes)) return false;
             s.closeAfter = bytes;
             return true;
         }},
        {"ack-delay-ms", NumberInto(&DeviceSpec::ackDelayMs)},
        {"no-final", Flag(&DeviceSpec::noFinal)},
        {"connect-from",
         [](DeviceSpec& s, std::string_view v, std::string&) {
             s.connectFromText = v;
             return ReadAddress(v, s.connectFrom);
         }},
    };
    return setters;
}

bool Plausible(const DeviceSpec& spec, std::string& why) {
    if (spec.replies < 0 || spec.replyDelayMs < 0 || spec.versionDelayMs < 0 ||
        spec.ignoreInvitations < 0 || spec.ackDelayMs < 0) {
        why = "counts and delays cannot be negative";
        return false;
    }
    if (spec.replyLength == 0 || spec.replyLength > 1400) {
        why = "reply-length must lie in 1..1400";
        return false;
    }
    return true;
}

}  // namespace

std::array<std::uint8_t, 6> DefaultMac(std::uint32_t address) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&address);
    return {0x02, 0x00, 0x5E, bytes[1], bytes[2], bytes[3]};
}

std::optional<DeviceSpec> ParseDeviceSpec(std::string_view text, std::string& why) {
    const auto fields = SplitFields(text);
    DeviceSpec spec;
    spec.addressText = fields.front();
    if (!ReadAddress(spec.addressText, spec.address)) {
        why = "'" + spec.addressText + "' is not an IPv4 address";
        return std::nullopt;
    }
    spec.mac = DefaultMac(spec.address);
    for (std::size_t i = 1; i < fields.size(); ++i) {
        const auto equals = fields[i].find('=');
        const std::string_view key = fields[i].substr(0, equals);
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view() : fields[i].substr(equals + 1);
        const auto setter = Setters().find(key);
        if (setter == Setters().end()) {
            why = "unknown device key '" + std::string(key) + "'";
            return std::nullopt;
        }
        std::string detail;
        if (!setter->second(spec, value, detail)) {
            why = "bad value for '" + std::string(key) + "'" +
                  (detail.empty() ? std::string() : ": " + detail);
            return std::nullopt;
        }
    }
    if (!Plausible(spec, why)) return std::nullopt;
    return spec;
}

}  // namespace tavro::sim
