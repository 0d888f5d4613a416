#pragma once

#include <cstddef>
#include <string_view>

namespace tavro::upload {

// The device's last word after the image is "OK"; it may also reset at once and just close.
inline constexpr std::size_t kFinalReplyWindow = 2;

enum class FinalReply {
    Ok,        // "OK", or an orderly close before any byte
    NeedMore,  // nothing yet, or "O" still open
    Refused,   // anything else: other text, extra bytes, "O" and then a close
};

// Judges the bytes received so far after the last acknowledgement, and whether the device has
// closed its side since. Pure, so any bytes at all can be fed to it.
FinalReply JudgeFinalReply(std::string_view received, bool peerClosed);

}  // namespace tavro::upload
