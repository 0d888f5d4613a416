#include "cli/trace_facts.h"

#include <charconv>

namespace tavro::cli {
namespace {

// Enough for every line that tells something; a line of block dots is cut.
constexpr std::size_t kLineKept = 256;

}  // namespace

void TraceFacts::Feed(std::string_view text) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view piece = text.substr(0, end);
        line_.append(piece.substr(0, kLineKept - std::min(kLineKept, line_.size())));
        if (end == std::string_view::npos) return;
        ReadLine(line_);
        line_.clear();
        text.remove_prefix(end + 1);
    }
}

void TraceFacts::ReadLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // The listener's line comes before any word of the device's: a later one is not believed.
    constexpr std::string_view kPort = "localPort = ";
    if (const std::size_t at = line.find(kPort); at != std::string_view::npos && localPort_ == 0) {
        const std::string_view digits = line.substr(at + kPort.size());
        unsigned port = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), port);
        if (error == std::errc() && end == digits.data() + digits.size() && port <= 65535) {
            localPort_ = static_cast<int>(port);
        }
    }
    if (line == "no-recv error.") invitationUnanswered_ = true;
    if (line.starts_with("Bad Answer: ")) badAnswer_ = true;
}

}  // namespace tavro::cli
