// The version answer collected from receives of any size, then read.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "discovery/version_answer.h"
#include "discovery/version_answer_reader.h"
#include "fuzz_check.h"

namespace {

using tavro::discovery::VersionAnswerReader;
using tavro::fuzz::Require;
using Progress = VersionAnswerReader::Progress;

// Feeds the stream in chunks of chunkSize bytes (0: all at once).
void FeedAll(VersionAnswerReader& reader, std::string_view stream, std::size_t chunkSize) {
    if (chunkSize == 0) chunkSize = std::max<std::size_t>(stream.size(), 1);
    for (std::size_t at = 0; at < stream.size(); at += chunkSize) {
        const std::string_view chunk = stream.substr(at, chunkSize);
        reader.Feed(std::span(chunk.data(), chunk.size()));
    }
}

bool SameReading(const VersionAnswerReader& a, const VersionAnswerReader& b) {
    return a.progress() == b.progress() && a.answer() == b.answer();
}

}  // namespace

// The first byte chooses the receive size, the rest is what the device sends.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view stream = tavro::fuzz::Bytes(data + 1, size - 1);

    VersionAnswerReader whole, byteByByte, chunked;
    FeedAll(whole, stream, 0);
    FeedAll(byteByByte, stream, 1);
    FeedAll(chunked, stream, data[0] % 64);
    Require(SameReading(whole, byteByByte) && SameReading(whole, chunked),
            "the answer does not depend on how the bytes were received");

    const std::string_view answer = whole.answer();
    const auto lineFeeds = std::count(answer.begin(), answer.end(), '\n');
    Require(answer.size() <= VersionAnswerReader::kLimit, "the answer stays within its limit");
    Require(stream.starts_with(answer), "the answer is the beginning of what was sent");
    Require(answer.size() + whole.room() == VersionAnswerReader::kLimit,
            "the room left is what the limit leaves");
    switch (whole.progress()) {
        case Progress::done:
            Require(lineFeeds == 2 && answer.ends_with('\n'), "an answer ends at its second LF");
            break;
        case Progress::failed:
            Require(lineFeeds < 2 && answer.size() == VersionAnswerReader::kLimit,
                    "an answer fails only when full without its second LF");
            break;
        case Progress::needMore:
            Require(lineFeeds < 2 && answer == stream, "an unfinished answer has taken all");
            break;
    }
    (void)tavro::discovery::ParseVersionAnswer(answer);
    return 0;
}
