#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

namespace tavro::discovery {

// Collects a version answer from receives of any size with the result of reading it one byte
// at a time: it ends with its second LF, and fails when 256 bytes have come without one (a
// second LF as byte 256 still ends it). Bytes after the second LF are never taken.
class VersionAnswerReader {
public:
    static constexpr std::size_t kLimit = 256;

    enum class Progress { needMore, done, failed };

    // Takes the next received bytes, in order. Once done or failed, further bytes are ignored.
    Progress Feed(std::span<const char> chunk);
    Progress progress() const { return progress_; }
    // How many more bytes the answer may still take: the most worth receiving at once.
    std::size_t room() const { return kLimit - size_; }
    // The bytes taken so far; complete once done.
    std::string_view answer() const { return {area_.data(), size_}; }

private:
    std::array<char, kLimit> area_{};
    std::size_t size_ = 0;
    int lineFeeds_ = 0;
    Progress progress_ = Progress::needMore;
};

}  // namespace tavro::discovery
