// A write after a stop request gives up at its deadline when nobody reads.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "cli/descriptor_writes.h"

namespace tavro::cli {
namespace {

using Clock = std::chrono::steady_clock;

TEST(DescriptorWritesTest, ABoundedWriteToAFullPipeGivesUpAtItsDeadline) {
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_NONBLOCK), 0);
    const std::string chunk(4096, '.');
    while (::write(ends[1], chunk.data(), chunk.size()) > 0) {
    }
    ::fcntl(ends[1], F_SETFL, 0);  // blocking again, as a stdout would be

    const Clock::time_point start = Clock::now();
    EXPECT_FALSE(WriteBefore(ends[1], chunk, start + std::chrono::milliseconds(100)));
    // A write that waited for the reader would never have come back.
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
    ::close(ends[0]);
    ::close(ends[1]);
}

}  // namespace
}  // namespace tavro::cli
