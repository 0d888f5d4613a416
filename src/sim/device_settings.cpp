#include "sim/device_settings.h"

#include <charconv>
#include <functional>
#include <map>
#include <vector>

#include "net/socket.h"
#include "sim/bounded_wait.h"
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

bool ReadAddress(std::string_view text, net::Ipv4Address& address) {
    // Only the plain dotted quad: the shorthand forms would name addresses nobody meant.
    const auto parsed = net::Ipv4Address::ParseDottedQuad(text);
    if (!parsed) return false;
    address = *parsed;
    return true;
}

using Setter = std::function<bool(DeviceSettings&, std::string_view, std::string&)>;

template <typename Number>
Setter NumberInto(Number DeviceSettings::*field) {
    return [field](DeviceSettings& settings, std::string_view value, std::string&) {
        return ReadNumber(value, settings.*field);
    };
}

Setter TextInto(std::optional<std::string> DeviceSettings::*field) {
    return [field](DeviceSettings& settings, std::string_view value, std::string& why) {
        auto text = UnescapeText(value, why);
        if (text) settings.*field = std::move(*text);
        return text.has_value();
    };
}

Setter AddressInto(std::string DeviceSettings::*text, net::Ipv4Address DeviceSettings::*address) {
    return [text, address](DeviceSettings& settings, std::string_view value, std::string&) {
        settings.*text = value;
        return ReadAddress(value, settings.*address);
    };
}

Setter Flag(bool DeviceSettings::*field) {
    return [field](DeviceSettings& settings, std::string_view value, std::string&) {
        settings.*field = true;
        return value.empty();
    };
}

const std::map<std::string_view, Setter>& Setters() {
    static const std::map<std::string_view, Setter> setters = {
        {"mac",
         [](DeviceSettings& s, std::string_view v, std::string&) { return ReadMac(v, s.mac); }},
        {"sketch", NumberInto(&DeviceSettings::sketchVersion)},
        {"text", NumberInto(&DeviceSettings::textVersion)},
        {"password", TextInto(&DeviceSettings::password)},
        {"store",
         [](DeviceSettings& s, std::string_view v, std::string&) {
             s.storeDirectory = v;
             return !v.empty();
         }},
        {"no-reply",
         [](DeviceSettings& s, std::string_view v, std::string&) {
             s.replies = 0;
             return v.empty();
         }},
        {"replies", NumberInto(&DeviceSettings::replies)},
        {"reply-length", NumberInto(&DeviceSettings::replyLength)},
        {"reply-delay-ms", NumberInto(&DeviceSettings::replyDelayMs)},
        {"version-answer", TextInto(&DeviceSettings::versionAnswer)},
        {"version",
         [](DeviceSettings& s, std::string_view v, std::string&) {
             if (v == "silent") s.versionMode = VersionMode::Silent;
             if (v == "close") s.versionMode = VersionMode::Close;
             return v == "silent" || v == "close";
         }},
        {"version-delay-ms", NumberInto(&DeviceSettings::versionDelayMs)},
        {"ignore-invitations", NumberInto(&DeviceSettings::ignoreInvitations)},
        {"invitation-answer", TextInto(&DeviceSettings::invitationAnswer)},
        {"refuse-auth", Flag(&DeviceSettings::refuseAuth)},
        {"no-verdict", Flag(&DeviceSettings::noVerdict)},
        {"no-connect", Flag(&DeviceSettings::noConnect)},
        {"close-after",
         [](DeviceSettings& s, std::string_view v, std::string&) {
             std::uint64_t bytes = 0;
             if (!ReadNumber(v, bytes)) return false;
             s.closeAfter = bytes;
             return true;
         }},
        {"ack-delay-ms", NumberInto(&DeviceSettings::ackDelayMs)},
        {"no-final", Flag(&DeviceSettings::noFinal)},
        {"connect-from",
         AddressInto(&DeviceSettings::connectFromText, &DeviceSettings::connectFrom)},
        {"flood-rate", NumberInto(&DeviceSettings::floodRate)},
        {"flood-connections", NumberInto(&DeviceSettings::floodConnections)},
        {"flood-seconds", NumberInto(&DeviceSettings::floodSeconds)},
        {"version-trickle-ms", NumberInto(&DeviceSettings::versionTrickleMs)},
        {"close-on-accept", Flag(&DeviceSettings::closeOnAccept)},
        {"shutdown-on-accept", Flag(&DeviceSettings::shutdownOnAccept)},
        {"ack-in-advance", Flag(&DeviceSettings::ackInAdvance)},
        {"extra-ack", TextInto(&DeviceSettings::extraAck)},
        {"final-word", TextInto(&DeviceSettings::finalWord)},
        {"final-split-ms",
         [](DeviceSettings& s, std::string_view v, std::string&) {
             int delay = 0;
             if (!ReadNumber(v, delay)) return false;
             s.finalSplitMs = delay;
             return true;
         }},
        {"answer-from", AddressInto(&DeviceSettings::answerFromText, &DeviceSettings::answerFrom)},
        {"stranger-answer",
         AddressInto(&DeviceSettings::strangerAnswerText, &DeviceSettings::strangerAnswer)},
        {"stranger-connect",
         AddressInto(&DeviceSettings::strangerConnectText, &DeviceSettings::strangerConnect)},
        {"reset-ms", NumberInto(&DeviceSettings::resetMs)},
        {"never-back", Flag(&DeviceSettings::neverBack)},
        {"sketch-after",
         [](DeviceSettings& s, std::string_view v, std::string&) {
             std::uint32_t sketch = 0;
             if (!ReadNumber(v, sketch)) return false;
             s.sketchAfter = sketch;
             return true;
         }},
    };
    return setters;
}

bool Plausible(const DeviceSettings& settings, std::string& why) {
    if (settings.replies < 0 || settings.replyDelayMs < 0 || settings.versionDelayMs < 0 ||
        settings.ignoreInvitations < 0 || settings.ackDelayMs < 0 || settings.floodRate < 0 ||
        settings.floodSeconds < 0 || settings.versionTrickleMs < 0 ||
        settings.finalSplitMs.value_or(0) < 0 || settings.resetMs < 0 ||
        settings.floodConnections < 0 || settings.floodConnections > 5000) {
        why = "counts and delays cannot be negative";
        return false;
    }
    if ((settings.floodRate > 0) != (settings.floodSeconds > 0)) {
        why = "flood-rate and flood-seconds go together";
        return false;
    }
    // A flood is a fault like any other: it ends within the peer limit.
    if (settings.floodSeconds > kPeerLimit.count() / 1000 || settings.floodRate > 100000) {
        why = "flood-seconds must lie in 1..30 and flood-rate in 1..100000";
        return false;
    }
    if (int(settings.closeOnAccept) + int(settings.shutdownOnAccept) + int(settings.ackInAdvance) >
        1) {
        why = "close-on-accept, shutdown-on-accept and ack-in-advance exclude each other";
        return false;
    }
    if (settings.replyLength == 0 || settings.replyLength > 1400) {
        why = "reply-length must lie in 1..1400";
        return false;
    }
    return true;
}

}  // namespace

std::array<std::uint8_t, 6> DefaultMac(net::Ipv4Address address) {
    const auto octets = address.octets();
    return {0x02, 0x00, 0x5E, octets[1], octets[2], octets[3]};
}

std::optional<DeviceSettings> ParseDeviceSettings(std::string_view text, std::string& why) {
    const auto fields = SplitFields(text);
    DeviceSettings settings;
    settings.addressText = fields.front();
    if (!ReadAddress(settings.addressText, settings.address)) {
        why = "'" + settings.addressText + "' is not an IPv4 address";
        return std::nullopt;
    }
    settings.mac = DefaultMac(settings.address);
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
        if (!setter->second(settings, value, detail)) {
            why = "bad value for '" + std::string(key) + "'" +
                  (detail.empty() ? std::string() : ": " + detail);
            return std::nullopt;
        }
    }
    if (!Plausible(settings, why)) return std::nullopt;
    return settings;
}

}  // namespace tavro::sim
