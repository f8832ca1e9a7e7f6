#include "tools/cli/ProgressLine.h"

#include <cstdio>
#include <unistd.h>

namespace cli {
namespace {

constexpr std::chrono::milliseconds kRedrawInterval{100};

} // namespace

ProgressLine::ProgressLine(bool quiet, int fd, Clock clock)
    : m_enabled(!quiet && ::isatty(fd) == 1), m_fd(fd),
      m_clock(clock ? std::move(clock) : Clock([] { return std::chrono::steady_clock::now(); })),
      m_start(m_clock())
{
}

ProgressLine::~ProgressLine()
{
    Finish();
}

std::string ProgressLine::Text(int image, int images, size_t bytes, std::chrono::milliseconds elapsed)
{
    const long long seconds = elapsed.count() / 1000;
    char text[128];
    std::snprintf(text, sizeof text, "image %d of %d, %zu bytes, %lld:%02lld", image, images, bytes,
                  seconds / 60, seconds % 60);
    return text;
}

void ProgressLine::Update(int image, int images, size_t bytes)
{
    m_image = image;
    m_images = images;
    m_bytes = bytes;
    if (!m_enabled || m_finished)
        return;
    const auto now = m_clock();
    if (m_drawn && now - m_lastDrawn < kRedrawInterval)
        return;
    m_lastDrawn = now;
    Draw();
}

void ProgressLine::Finish()
{
    if (!m_enabled || m_finished)
        return;
    m_finished = true;
    if (!m_drawn)
        return; // nothing on the line to end
    Draw();
    const ssize_t ignored = ::write(m_fd, "\n", 1);
    (void)ignored;
}

void ProgressLine::Draw()
{
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(m_clock() - m_start);
    // Back to the start of the line, the text, and the rest of the old text erased.
    const std::string line = "\r" + Text(m_image, m_images, m_bytes, elapsed) + "\x1b[K";
    const ssize_t ignored = ::write(m_fd, line.data(), line.size());
    (void)ignored;
    m_drawn = true;
}

} // namespace cli
