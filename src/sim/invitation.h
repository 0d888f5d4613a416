#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavro::sim {

inline constexpr std::uint16_t kUploadPort = 3232;

// "0 PORT LENGTH MD5HEX\n", the writer's offer of an image.
struct Invitation {
    std::uint16_t port = 0;
    std::uint64_t length = 0;
    std::string md5Hex;
};

// nullopt unless the text is exactly that form: command 0, a port in 1..65535, a decimal
// length, 32 lower-case hexadecimal characters, single spaces, one LF at the end.
std::optional<Invitation> ParseInvitation(std::string_view text);

// "200 CNONCE RESPONSE\n", the writer's answer to the challenge.
struct AuthAnswer {
    std::string cnonce;
    std::string response;
};

// nullopt unless the text is exactly that form, both values 32 lower-case hex characters.
std::optional<AuthAnswer> ParseAuthAnswer(std::string_view text);

// MD5hex(MD5hex(password) + ":" + nonce + ":" + cnonce): what the writer must send.
std::string ExpectedResponse(std::string_view password, std::string_view nonce,
                             std::string_view cnonce);

// 32 fresh lower-case hexadecimal characters for one challenge.
std::string FreshNonce();

}  // namespace tavro::sim
