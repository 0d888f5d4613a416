// The console views of a write on terminals of given sizes and kinds: what stays on the screen
// and in its scrollback, the lines' widths, and what a terminal that cannot redraw is sent.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "cli/console/board_view.h"
#include "cli/console/device_end_text.h"
#include "cli/console/display_width.h"
#include "cli/console/single_device_view.h"
#include "cli/console/term_capability.h"
#include "cli/console/wrapped_lines.h"
#include "fake_terminal.h"

namespace tavro::cli {
namespace {

using Clock = std::chrono::steady_clock;

// A write's views drawing on a fake terminal, with a clock that moves only when told.
class TerminalViewTest : public ::testing::Test {
protected:
    ConsoleSettings Settings() {
        return ConsoleSettings{
            .job = job,
            .out = out,
            .err = err,
            .language = texts::Language::English,
            .trace = false,
            .status = true,
            .terminal = {.size =
                             [this] {
                                 return TerminalSize{screen.columns(), screen.rows()};
                             },
                         .cursorMoves = cursorMoves,
                         .charset = Charset::Utf8,
                         .showsStdout = true,
                         .showsStderr = true},
            .now = [this] { return now; },
            .verify = false,
            .verifyTimeout = std::chrono::milliseconds(60000),
            .file = "f.bin",
            .path = "/tmp/f.bin",
            .log = nullptr,
        };
    }

    void MakeTargets(std::size_t count) {
        targets.clear();
        for (std::size_t i = 0; i < count; ++i) {
            batch::WriteTarget target;
            target.address =
                net::Ipv4Address::FromOctets(198, 18, static_cast<std::uint8_t>(i / 200),
                                             static_cast<std::uint8_t>(10 + i % 200));
            targets.push_back(target);
        }
        outcomes.assign(count, batch::DeviceOutcome{});
    }

    // What the views wrote since the last pump, onto the screen.
    void Pump() {
        const std::string written = err.str();
        screen.Feed(std::string_view(written).substr(fed));
        fed = written.size();
    }

    // An upload that moves through its steps, a tenth of the image at a time.
    void Upload(batch::BatchView& view, std::size_t device, int steps = 10) {
        upload::UploadSink& sink = view.Progress(device);
        sink.InvitationSent(1, 10);
        sink.AwaitingConnection(net::Ipv4Address::FromOctets(198, 18, 0, 1), 40123);
        for (int step = 1; step <= steps; ++step) {
            now += std::chrono::milliseconds(150);
            sink.BytesAcknowledged(8192 * step / steps, 8192);
        }
    }

    void End(batch::BatchView& view, std::size_t device, bool fails) {
        outcomes[device].upload.device = targets[device].address;
        outcomes[device].upload.result = fails ? upload::kUploadRefused : upload::kUploadSucceeded;
        outcomes[device].upload.cause =
            fails ? upload::UploadCause::NoAnswer : upload::UploadCause::None;
        view.Ended(device, outcomes[device]);
    }

    // The device's line on the board once it ended.
    std::string EndLine(std::size_t device) {
        std::string address = targets[device].address.ToString();
        address.resize(15, ' ');
        return address + "  " +
               EndText(outcomes[device], texts::Language::English, std::chrono::seconds(60));
    }

    test::FakeTerminal screen{80, 24};
    bool cursorMoves = true;
    JobState job;
    std::ostringstream out;
    std::ostringstream err;
    std::size_t fed = 0;
    Clock::time_point now = Clock::now();
    std::vector<batch::WriteTarget> targets;
    std::vector<batch::DeviceOutcome> outcomes;
};

// Eight at a time, as -j 8 writes them, every fifth one failing.
TEST_F(TerminalViewTest, EveryEndStaysOnceAndNoStaleBoardLineReachesTheScrollback) {
    for (const std::size_t devices : {3u, 32u}) {
        SCOPED_TRACE(devices);
        screen = test::FakeTerminal(80, 24);
        err.str("");
        fed = 0;
        MakeTargets(devices);
        BoardView view(Settings(), targets);
        view.Begin();
        for (std::size_t first = 0; first < devices; first += 8) {
            const std::size_t last = std::min(devices, first + 8);
            for (std::size_t i = first; i < last; ++i) Upload(view, i);
            for (std::size_t i = first; i < last; ++i) End(view, i, i % 5 == 4);
        }
        view.Concluded(outcomes);
        Pump();

        EXPECT_EQ(screen.movesPastTheTop, 0u) << "a board taller than the screen";
        EXPECT_EQ(screen.wraps, 0u);
        EXPECT_EQ(screen.unknownEscapes, 0u);
        const std::vector<std::string> transcript = screen.Transcript();
        for (std::size_t i = 0; i < devices; ++i) {
            const std::string address = targets[i].address.ToString() + " ";
            const auto mentions =
                std::count_if(transcript.begin(), transcript.end(),
                              [&](const std::string& line) { return line.rfind(address, 0) == 0; });
            EXPECT_EQ(mentions, 1) << address;
            EXPECT_EQ(std::count(transcript.begin(), transcript.end(), EndLine(i)), 1)
                << EndLine(i);
        }
        std::vector<std::string> ends;
        for (std::size_t i = 0; i < devices; ++i) ends.push_back(EndLine(i));
        for (const std::string& line : screen.ScrolledOff()) {
            EXPECT_NE(std::find(ends.begin(), ends.end(), line), ends.end())
                << "stale in the scrollback: " << line;
        }
    }
}

TEST_F(TerminalViewTest, TheRedrawAfterTheWindowNarrowedFitsTheNewWidth) {
    for (const std::size_t devices : {1u, 2u}) {
        SCOPED_TRACE(devices);
        screen = test::FakeTerminal(80, 24);
        err.str("");
        fed = 0;
        MakeTargets(devices);
        std::unique_ptr<batch::BatchView> view;
        if (devices == 1) {
            view = std::make_unique<SingleDeviceView>(Settings(), targets);
        } else {
            view = std::make_unique<BoardView>(Settings(), targets);
        }
        view->Begin();
        view->Progress(0).AwaitingConnection(net::Ipv4Address::FromOctets(198, 18, 0, 1), 40123);
        Pump();
        ASSERT_GT(screen.Transcript().at(0).size(), 40u) << "nothing that needs the width";

        screen.Resize(30);
        view->Progress(0).InvitationSent(2, 10);
        End(*view, 0, true);
        Pump();
        EXPECT_EQ(screen.wraps, 0u) << err.str();
    }
}

TEST_F(TerminalViewTest, ATerminalThatCannotRedrawGetsOccasionalWholeLinesAndNoEscapes) {
    cursorMoves = false;
    screen = test::FakeTerminal(200, 24);  // wide enough that no line wraps
    for (const std::size_t devices : {1u, 3u}) {
        SCOPED_TRACE(devices);
        err.str("");
        MakeTargets(devices);
        std::unique_ptr<batch::BatchView> view;
        if (devices == 1) {
            view = std::make_unique<SingleDeviceView>(Settings(), targets);
        } else {
            view = std::make_unique<BoardView>(Settings(), targets);
        }
        view->Begin();
        for (std::size_t i = 0; i < devices; ++i) Upload(*view, i, 200);
        for (std::size_t i = 0; i < devices; ++i) End(*view, i, false);
        view->Concluded(outcomes);

        const std::string text = err.str();
        EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
        EXPECT_EQ(text.find('\r'), std::string::npos) << text;
        // 200 acknowledgements over 30 s: a line per tenth and one per 5 s at most, with the
        // invitation and the wait for the connection.
        const auto lines = std::count(text.begin(), text.end(), '\n');
        EXPECT_GE(lines, static_cast<long>(devices) * 3);
        EXPECT_LE(lines, static_cast<long>(devices) * 20) << text;
        for (std::size_t i = 0; devices > 1 && i < devices; ++i) {
            EXPECT_NE(text.find(EndLine(i) + "\n"), std::string::npos) << EndLine(i);
        }
    }
}

TEST(TerminalLinesTest, ACutLineIsMarkedInTheTerminalsCharset) {
    EXPECT_EQ(FitToColumns("abcdefgh", 5, Charset::Utf8), "abcd\xE2\x80\xA6");
    EXPECT_EQ(FitToColumns("abcdefgh", 5, Charset::Ascii), "ab...");
    EXPECT_EQ(FitToColumns("abcdefgh", 2, Charset::Ascii), "..");
    EXPECT_EQ(FitToColumns("abcdefgh", 1, Charset::Utf8), "\xE2\x80\xA6");
    EXPECT_EQ(FitToColumns("abc", 3, Charset::Ascii), "abc");
}

// Final lines are wrapped, not cut: every word is still there, no line is wider than asked.
TEST(TerminalLinesTest, WrappedLinesKeepEveryWordWithinTheWidth) {
    const std::string japanese = "198.18.0.20 は 3 回の書き込み依頼に一度も応答しませんでした";
    const std::string lines =
        "198.18.0.20       1.2 s  TAVRO communication error\n"
        "    198.18.0.20 did not answer the invitation after 10 tries\n" +
        japanese + "\n";
    for (const std::size_t columns : {1u, 7u, 20u, 39u, 200u}) {
        SCOPED_TRACE(columns);
        const std::string wrapped = WrapToColumns(lines, columns);
        std::istringstream read(wrapped);
        std::string words;
        for (std::string line; std::getline(read, line);) {
            if (columns > 1) {
                EXPECT_LE(DisplayColumns(line), columns) << line;
            }
            words += line;
        }
        std::string expected = lines;
        std::erase(expected, ' ');
        std::erase(expected, '\n');
        std::erase(words, ' ');
        EXPECT_EQ(words, expected);
        EXPECT_EQ(wrapped.back(), '\n');
    }
    EXPECT_EQ(WrapToColumns("    one two three four five\n", 20),
              "    one two three\n      four five\n");
    EXPECT_EQ(WrapToColumns("fits\n", 4), "fits\n");
    EXPECT_EQ(WrapToColumns("no line end", 5), "no\nline\nend");
}

TEST(TerminalLinesTest, OnlyATermThatNamesARealTerminalTakesCursorMoves) {
    EXPECT_TRUE(TermTakesCursorMoves("xterm-256color"));
    EXPECT_TRUE(TermTakesCursorMoves("screen"));
    EXPECT_FALSE(TermTakesCursorMoves("dumb"));
    EXPECT_FALSE(TermTakesCursorMoves(""));
    EXPECT_FALSE(TermTakesCursorMoves(std::nullopt));
}

}  // namespace
}  // namespace tavro::cli
