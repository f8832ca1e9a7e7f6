#pragma once
// The one line of progress a long run shows on a terminal, as GNU tools do: rewritten
// in place on standard error, at most ten times a second, and nothing at all when
// standard error is no terminal (a log file or a pipe gets only the messages).
//
//   cli::ProgressLine progress(quiet);
//   progress.Update(image, images, bytesSent); // as often as convenient
//   progress.Finish();                         // before the closing message
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace cli {

class ProgressLine {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // Shows nothing when quiet or when fd is no terminal. clock is for tests.
    explicit ProgressLine(bool quiet, int fd = 2, Clock clock = {});
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    bool Shown() const { return m_enabled; }
    // Image image of images is being sent, bytes in all so far. Drawn when a tenth of
    // a second has passed since the last drawing.
    void Update(int image, int images, size_t bytes);
    // Draws the last state once more and ends the line, so that what follows starts on
    // a line of its own. Once only; the destructor calls it.
    void Finish();

    // "image 2 of 5, 12288 bytes, 0:03"
    static std::string Text(int image, int images, size_t bytes, std::chrono::milliseconds elapsed);

private:
    void Draw();

    bool m_enabled;
    int m_fd;
    Clock m_clock;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDrawn;
    bool m_drawn = false;
    bool m_finished = false;
    int m_image = 0;
    int m_images = 0;
    size_t m_bytes = 0;
};

} // namespace cli
