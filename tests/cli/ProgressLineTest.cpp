// The progress line: drawn on a terminal at most ten times a second, never on a pipe
// or with -q.
#include "tools/cli/ProgressLine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

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

int Count(const std::string& text, const std::string& what)
{
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

TEST(ProgressLineTest, DrawnOnATerminalAtMostTenTimesASecondAndNeverElsewhere)
{
    const struct {
        const char* name;
        bool terminal;
        bool quiet;
        int drawings; // updates drawn, plus the final drawing of Finish
    } cases[] = {
        {"terminal", true, false, 3 + 1},
        {"quiet", true, true, 0},
        {"pipe", false, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int readSide = -1, writeSide = -1;
        if (c.terminal) {
            ASSERT_EQ(::openpty(&readSide, &writeSide, nullptr, nullptr, nullptr), 0);
        } else {
            int fds[2];
            ASSERT_EQ(::pipe(fds), 0);
            readSide = fds[0];
            writeSide = fds[1];
        }
        auto now = std::chrono::steady_clock::time_point{};
        {
            cli::ProgressLine line(c.quiet, writeSide, [&now] { return now; });
            EXPECT_EQ(line.Shown(), c.drawings > 0);
            // Updates at 0, 50, 99, 100, 150 and 1250 ms: the ones at 50, 99 and 150
            // come too soon after a drawing.
            for (const auto at : {0ms, 50ms, 99ms, 100ms, 150ms, 1250ms}) {
                now = std::chrono::steady_clock::time_point{} + at;
                line.Update(2, 5, 1000 + static_cast<size_t>(at.count()));
            }
        }
        const std::string out = Drain(readSide);
        EXPECT_EQ(Count(out, "image 2 of 5"), c.drawings) << out;
        if (c.drawings > 0) {
            EXPECT_THAT(out, ::testing::EndsWith("\rimage 2 of 5, 2250 bytes, 0:01\x1b[K\r\n"));
        }
        ::close(readSide);
        ::close(writeSide);
    }
}

} // namespace
