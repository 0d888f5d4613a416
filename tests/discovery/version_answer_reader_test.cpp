// The buffered reading of a version answer against the one-byte-per-receive rule it replaces.

#include "discovery/version_answer_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "discovery/version_answer.h"

namespace tavro::discovery {
namespace {

using Progress = VersionAnswerReader::Progress;

// What a query stores for a device that sends `stream` and then closes: nullopt when it fails.
struct Stored {
    bool answered = false;
    std::optional<std::uint32_t> sketch;
    std::optional<std::uint32_t> text;
    bool operator==(const Stored&) const = default;
};

Stored Parse(std::string_view answer) {
    const std::optional<VersionAnswer> parsed = ParseVersionAnswer(answer);
    if (!parsed) return {};
    return {true, parsed->sketchVersion, parsed->textVersion};
}

// The rule as first written: one byte per receive into a zeroed 256-byte area, stop on the
// second LF, give up after 256 bytes or when the stream ends first; the area is read as text.
Stored ByteByByte(const std::string& stream) {
    std::array<char, 257> area{};
    int lineFeeds = 0;
    for (std::size_t i = 0; i < 256; ++i) {
        if (i >= stream.size()) return {};
        area[i] = stream[i];
        if (area[i] == '\n' && ++lineFeeds == 2) return Parse(area.data());
    }
    return {};
}

// The buffered reader fed the stream in the given pieces, each cut to what it asks for, as a
// receive of room() bytes would; the stream's end fails an answer still in need of bytes.
Stored Buffered(const std::string& stream, const std::vector<std::size_t>& cuts) {
    VersionAnswerReader reader;
    std::size_t at = 0;
    std::vector<std::size_t> ends = cuts;
    ends.push_back(stream.size());
    for (const std::size_t end : ends) {
        while (at < end && reader.progress() == Progress::needMore) {
            const std::size_t take = std::min(end - at, reader.room());
            reader.Feed(std::string_view(stream).substr(at, take));
            at += take;
        }
    }
    if (reader.progress() != Progress::done) return {};
    return Parse(reader.answer());
}

std::string Padded(std::string head, std::size_t size, const std::string& tail) {
    head.resize(size - tail.size(), ' ');
    return head + tail;
}

std::vector<std::string> QuirkyAnswers() {
    const std::string head = "SKETCH VER : 105\r\nTEXT VER : 3";
    return {
        "SKETCH VER : 105\r\nTEXT VER : 3\r\n",
        "SKETCH VER 105\r\nTEXT VER 7\r\n",
        "SKETCH VER: 105\r\nTEXT VER: 7\r\n",
        "MY SKETCH VER : 5\r\nTEXT VER : 3\r\n",
        "SKETCH VER : -1\r\nTEXT VER : +12\r\n",
        "SKETCH VER : 99999999999\r\nTEXT VER : -2\r\n",
        "hello\r\nworld\r\n",
        "SKETCH VER : 105\nTEXT VER : 3\n",    // LF only
        "SKETCH VER : 105\r\nTEXT VER : 3\n",  // second line without CR
        "SKETCH VER : 7\r\r\n\n",
        "SKETCH VER : 7\rXTEXT VER : 8\r\n",
        std::string("SKETCH VER : 7\0\r\nTEXT VER : 8\r\n", 31),
        "SKETCH VER : 1\r\nTEXT VER : 2\r\nSKETCH VER : 3\r\n",  // more after the second LF
        "SKETCH VER 0000000000000000000042\r\nTEXT VER 1\r\n",
        "..............................SKETCH VER : 5\r\nTEXT VER : 6\r\n",
        "SKETCH VER : 105\r\n",  // ends early
        "SKETCH VER : 105\r\nTEXT VER",
        "",
        "\n\n",
        "\r\n\r\n",
        Padded(head, 256, "\r\n"),                   // second LF as byte 256
        Padded(head, 256, "\r\n") + "more bytes",    // ... with bytes behind it
        Padded(head, 255, "\r\n") + "x",             // second LF as byte 255
        Padded(head, 256, "\r ") + "\n",             // second LF as byte 257
        Padded("SKETCH VER : 1\r", 256, "") + "\n",  // 256 bytes without LF, then one
        Padded("SKETCH VER : 1\r\n", 300, "\r\n"),   // 300 bytes, one LF in the first 256
        "\n" + std::string(254, 'a') + "\n",         // second LF as byte 256, no CR at all
    };
}

TEST(VersionAnswerReader, StoresWhatTheOneByteRuleStoresWhereverTheReceivesSplitTheAnswer) {
    for (const std::string& stream : QuirkyAnswers()) {
        const Stored expected = ByteByByte(stream);
        EXPECT_EQ(Buffered(stream, {}), expected) << stream;
        std::vector<std::size_t> everyByte;
        for (std::size_t i = 1; i < stream.size(); ++i) everyByte.push_back(i);
        EXPECT_EQ(Buffered(stream, everyByte), expected) << stream;
        for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
            EXPECT_EQ(Buffered(stream, {cut}), expected) << stream << " cut at " << cut;
        }
        if (stream.size() > 64) continue;
        for (std::size_t first = 0; first <= stream.size(); ++first) {
            for (std::size_t second = first; second <= stream.size(); ++second) {
                EXPECT_EQ(Buffered(stream, {first, second}), expected)
                    << stream << " cut at " << first << " and " << second;
            }
        }
    }
}

TEST(VersionAnswerReader, TheLimitsOfTheAnswer) {
    const std::string head = "SKETCH VER : 105\r\nTEXT VER : 3";
    const Stored accepted{true, 105u, 3u};
    EXPECT_EQ(ByteByByte(Padded(head, 256, "\r\n")), accepted);
    EXPECT_EQ(Buffered(Padded(head, 256, "\r\n") + "tail", {}), accepted);
    EXPECT_EQ(ByteByByte(Padded(head, 256, "\r ") + "\n"), Stored{});
    EXPECT_EQ(Buffered(Padded(head, 256, "\r ") + "\n", {}), Stored{});

    // A chunk larger than the answer's room: the reader takes only what it may.
    VersionAnswerReader reader;
    const std::string big = Padded(head, 256, "\r\n") + "SKETCH VER : 9\r\n";
    EXPECT_EQ(reader.Feed(big), Progress::done);
    EXPECT_EQ(reader.answer().size(), 256u);
    EXPECT_EQ(reader.Feed("more"), Progress::done);
    EXPECT_EQ(reader.answer().size(), 256u);

    VersionAnswerReader full;
    EXPECT_EQ(full.Feed(std::string(300, 'a')), Progress::failed);
    EXPECT_EQ(full.answer().size(), 256u);
    EXPECT_EQ(full.room(), 0u);
}

// Random streams over the bytes that matter, in random pieces: a cheap fuzz run.
TEST(VersionAnswerReader, RandomStreamsInRandomPiecesAgreeWithTheOneByteRule) {
    std::mt19937 random(20261207);
    const std::string alphabet("\r\n\0 SKETCHVERTX:+-0123456789", 29);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (int run = 0; run < 3000; ++run) {
        const std::size_t size = std::uniform_int_distribution<std::size_t>(0, 300)(random);
        std::string stream;
        for (std::size_t i = 0; i < size; ++i) {
            // Few line breaks, so that long answers happen too.
            const char byte = alphabet[pick(random)];
            stream += (byte == '\n' && random() % 8 != 0) ? 'E' : byte;
        }
        std::vector<std::size_t> cuts;
        for (std::size_t at = 0; at < size;) {
            at += std::uniform_int_distribution<std::size_t>(1, 40)(random);
            cuts.push_back(std::min(at, size));
        }
        ASSERT_EQ(Buffered(stream, cuts), ByteByByte(stream)) << run;
    }
}

}  // namespace
}  // namespace tavro::discovery
