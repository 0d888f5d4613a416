#include "sim/invitation.h"

#include <charconv>
#include <random>
#include <vector>

#include "sim/md5_hex.h"

namespace tavro::sim {
namespace {

// The fields of a line "a b c\n": no empty field, no other white space.
std::optional<std::vector<std::string_view>> Fields(std::string_view text, std::size_t count) {
    if (text.empty() || text.back() != '\n') return std::nullopt;
    text.remove_suffix(1);
    std::vector<std::string_view> fields;
    while (true) {
        const auto space = text.find(' ');
        fields.push_back(text.substr(0, space));
        if (fields.back().empty()) return std::nullopt;
        if (space == std::string_view::npos) break;
        text.remove_prefix(space + 1);
    }
    if (fields.size() != count) return std::nullopt;
    return fields;
}

bool IsDigestHex(std::string_view text) {
    if (text.size() != 32) return false;
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

template <typename Number>
bool ReadDecimal(std::string_view text, Number& value) {
    if (text.empty() || text.front() < '0' || text.front() > '9') return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::optional<Invitation> ParseInvitation(std::string_view text) {
    const auto fields = Fields(text, 4);
    if (!fields || (*fields)[0] != "0") return std::nullopt;
    Invitation invitation;
    if (!ReadDecimal((*fields)[1], invitation.port) || invitation.port == 0) return std::nullopt;
    if (!ReadDecimal((*fields)[2], invitation.length)) return std::nullopt;
    if (!IsDigestHex((*fields)[3])) return std::nullopt;
    invitation.md5Hex = (*fields)[3];
    return invitation;
}

std::optional<AuthAnswer> ParseAuthAnswer(std::string_view text) {
    const auto fields = Fields(text, 3);
    if (!fields || (*fields)[0] != "200") return std::nullopt;
    if (!IsDigestHex((*fields)[1]) || !IsDigestHex((*fields)[2])) return std::nullopt;
    return AuthAnswer{std::string((*fields)[1]), std::string((*fields)[2])};
}

std::string ExpectedResponse(std::string_view password, std::string_view nonce,
                             std::string_view cnonce) {
    return Md5Hex(Md5Hex(password) + ":" + std::string(nonce) + ":" + std::string(cnonce));
}

std::string FreshNonce() {
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    static constexpr char kHex[] = "0123456789abcdef";
    std::string nonce(32, '0');
    for (char& c : nonce) c = kHex[generator() % 16];
    return nonce;
}

}  // namespace tavro::sim
