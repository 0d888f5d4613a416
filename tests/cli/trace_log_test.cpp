// The support log: added to and never made empty, a line of its own for each run, each line in
// the file whole the moment it is complete, and a stop that loses nothing already traced.

#include "cli/console/trace_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tavro::cli {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace std::chrono_literals;

// "2026-12-09T05:30:16.123Z " as each line begins; by hand, since the Windows build's
// matchers know no character classes.
bool StartsWithUtcTime(const std::string& line) {
    const std::string shape = "dddd-dd-ddTdd:dd:dd.dddZ ";
    if (line.size() < shape.size()) return false;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        const bool digit = line[i] >= '0' && line[i] <= '9';
        if (shape[i] == 'd' ? !digit : line[i] != shape[i]) return false;
    }
    return true;
}

class TraceLogTest : public ::testing::Test {
protected:
    TraceLogTest() { std::filesystem::create_directories(directory); }
    ~TraceLogTest() override { std::filesystem::remove_all(directory); }

    std::shared_ptr<TraceLog> Open() {
        std::string why;
        std::shared_ptr<TraceLog> log = TraceLog::Open(path, why);
        EXPECT_TRUE(log) << why;
        return log;
    }

    std::string Content() const {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream content;
        content << file.rdbuf();
        return content.str();
    }

    // The lines as read back, each without its time (checked here) and its line end (each
    // line must have one).
    std::vector<std::string> Lines() const { return Lines(Content()); }
    static std::vector<std::string> Lines(const std::string& content) {
        EXPECT_TRUE(content.empty() || content.back() == '\n') << "a line left open: " << content;
        std::vector<std::string> lines;
        std::istringstream stream(content);
        for (std::string line; std::getline(stream, line);) {
            EXPECT_TRUE(StartsWithUtcTime(line)) << line;
            lines.push_back(line.substr(std::min<std::size_t>(line.size(), 25)));
        }
        return lines;
    }

    std::filesystem::path directory =
        std::filesystem::temp_directory_path() / ("tavro-trace-log-" + std::to_string(::getpid()));
    std::string path = (directory / "run.log").string();
};

TEST_F(TraceLogTest, EachRunAddsItsHeaderAndItsLinesToWhatTheLogHeld) {
    std::ofstream(path, std::ios::binary) << "what an earlier run wrote\n";
    {
        const std::shared_ptr<TraceLog> log = Open();
        log->AddRunHeader({"write", "--password", "S3CRET", "--password=S3CRET", "--log", "a b.log",
                           "", "198.18.0.10", "fw\x1b[2J\".bin"});
        TraceLines device(log.get(), "198.18.0.10");
        device.Add("socket :");
        device.Add("ok\r\n");
        device.Add("....");
        device.End();
    }
    const std::shared_ptr<TraceLog> second = Open();
    second->AddRunHeader({"write", "198.18.0.11", "fw.bin"});

    const std::string content = Content();
    EXPECT_TRUE(content.starts_with("what an earlier run wrote\n")) << content;
    EXPECT_EQ(content.find("S3CRET"), std::string::npos) << content;
    EXPECT_THAT(Lines(content.substr(content.find('\n') + 1)),
                ElementsAre("tavro-writer-cli 1.0.0.0: write --password *** "
                            "--password=*** --log \"a b.log\" \"\" 198.18.0.10 "
                            "\"fw\\x1b[2J\\\".bin\"",
                            "198.18.0.10: socket :ok", "198.18.0.10: ....",
                            "tavro-writer-cli 1.0.0.0: write 198.18.0.11 fw.bin"));
}

// Nothing waits in a buffer: a sudden end of the process keeps every complete line.
TEST_F(TraceLogTest, ALineIsInTheFileTheMomentItIsComplete) {
    const std::shared_ptr<TraceLog> log = Open();
    TraceLines device(log.get(), "198.18.0.10");
    device.Add("recvfrom: ok.\r\nhalf a li");
    EXPECT_THAT(Lines(), ElementsAre("198.18.0.10: recvfrom: ok."));
    device.Add("ne\n");
    EXPECT_THAT(Lines(), ElementsAre("198.18.0.10: recvfrom: ok.", "198.18.0.10: half a line"));
}

TEST_F(TraceLogTest, AStopWritesEveryUnfinishedLineThenTheNoticeAndNothingAfter) {
    const std::shared_ptr<TraceLog> log = Open();
    TraceLines first(log.get(), "198.18.0.10");
    TraceLines second(log.get(), "198.18.0.11");
    first.Add("......");
    second.Add("done\r\n");
    log->Interrupt(
        "\ntavro-writer-cli: interrupted after 3% of fw.bin was sent to 198.18.0.10\n"
        "tavro-writer-cli: the write to 198.18.0.11 had ended (ok)\n",
        100ms);
    first.Add("....\r\n");
    first.End();
    EXPECT_THAT(Lines(), ElementsAre("198.18.0.11: done", "198.18.0.10: ......",
                                     "tavro-writer-cli: interrupted after 3% of fw.bin was sent to "
                                     "198.18.0.10",
                                     "tavro-writer-cli: the write to 198.18.0.11 had ended (ok)"));
}

TEST_F(TraceLogTest, AnAbandonedLogLeavesNoFileItMadeAndKeepsOneItFound) {
    Open()->Abandon();
    EXPECT_FALSE(std::filesystem::exists(path));
    std::ofstream(path, std::ios::binary) << "kept\n";
    const std::shared_ptr<TraceLog> log = Open();
    log->Abandon();
    log->AddRunHeader({"write"});
    EXPECT_EQ(Content(), "kept\n");
}

TEST_F(TraceLogTest, OnlyARegularFileIsALog) {
    std::string why;
    EXPECT_EQ(TraceLog::Open(directory.string(), why), nullptr);
    EXPECT_EQ(why, "not a regular file");
#ifndef _WIN32
    const std::string fifo = (directory / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(TraceLog::Open(fifo, why), nullptr);
    EXPECT_EQ(why, "not a regular file");
    EXPECT_EQ(TraceLog::Open((directory / "no" / "such").string(), why), nullptr);
    EXPECT_EQ(why, "No such file or directory");
#endif
}

}  // namespace
}  // namespace tavro::cli
