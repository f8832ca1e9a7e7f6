// The progress line: drawn on a terminal at most ten times a second.
#include "tools/cli/ProgressLine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include "tests/cli/CliRunner.h"

namespace {

using namespace std::chrono_literals;

// Reads what is waiting on fd without blocking.
std::string Drain(int fd)
{
    std::string text;
    char buffer[4096];
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    return text;
}

// Updates at 0, 50, 99, 100, 150 and 1250 ms: the ones at 50, 99 and 150 come too soon
// after a drawing; Finish draws the last state once more. (Where the line is drawn at
// all: CliConventionsTest.)
TEST(ProgressLineTest, DrawnOnATerminalAtMostTenTimesASecond)
{
    int readSide = -1, writeSide = -1;
    ASSERT_EQ(::openpty(&readSide, &writeSide, nullptr, nullptr, nullptr), 0);
    auto now = std::chrono::steady_clock::time_point{};
    {
        cli::ProgressLine line(false, writeSide, [&now] { return now; });
        EXPECT_TRUE(line.Shown());
        for (const auto at : {0ms, 50ms, 99ms, 100ms, 150ms, 1250ms}) {
            now = std::chrono::steady_clock::time_point{} + at;
            line.Update(2, 5, 1000 + static_cast<size_t>(at.count()));
        }
    }
    const std::string out = Drain(readSide);
    EXPECT_EQ(cli_test::Occurrences(out, "image 2 of 5"), 3 + 1) << out;
    EXPECT_THAT(out, ::testing::HasSubstr("image 2 of 5, 1100 bytes")); // drawn at 100 ms, not later
    EXPECT_THAT(out, ::testing::EndsWith("\rimage 2 of 5, 2250 bytes, 0:01\x1b[K\r\n"));
    ::close(readSide);
    ::close(writeSide);
}

} // namespace
