#pragma once
// A network printer: a TCP connection to its raw port. Writes block as a serial
// port's do (in short slices that let the window repaint), under the program's stall
// rule (StallRule.h); no write, wait or close ever raises SIGPIPE.
//
// Bytes the kernel took are not yet the printer's: its send buffer holds tens of
// kilobytes that a printer out of paper never reads. Drain waits until the printer has
// acknowledged every byte, and only then is a run done; Close drains first too.
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "printer/NetAddress.h"

namespace printer {

// errno of a host name that does not resolve (the resolver has no errno of its own).
inline constexpr int kUnknownHostError = ENXIO;
inline constexpr std::chrono::milliseconds kConnectTimeout{3000};

// Tests shorten the connect time-out; nullopt restores kConnectTimeout.
void SetConnectTimeoutForTesting(std::optional<std::chrono::milliseconds> timeout);

class TcpPort {
public:
    TcpPort() = default;
    ~TcpPort();
    TcpPort(TcpPort&& other) noexcept;
    TcpPort& operator=(TcpPort&& other) noexcept;
    TcpPort(const TcpPort&) = delete;
    TcpPort& operator=(const TcpPort&) = delete;

    // Resolves address and tries every address the resolver gives, in its order, each
    // for up to kConnectTimeout. On failure nothing is left open, errno holds the
    // last attempt's error (kUnknownHostError for an unknown host) and ErrorText()
    // says it in words.
    bool Connect(const NetAddress& address);

    struct Outcome {
        size_t written = 0;
        bool waited = false;
        int error = 0; // ETIMEDOUT: the printer took nothing for the stall limit
    };
    Outcome Write(const uint8_t* data, size_t length);
    // One try without waiting: true when the kernel took every byte at once.
    bool WriteAtOnce(const uint8_t* data, size_t length);

    enum class Answer { Byte, None, Failed };
    // Up to waitMs for one byte; Failed when the printer closed or reset.
    Answer ReadByte(uint8_t& byte, int waitMs);

    // Waits until the printer has acknowledged every byte written (the send queue is
    // empty). False, with ErrorText(), when it took nothing for the stall limit, or
    // the connection broke. After a failure the connection is of no more use.
    bool Drain();
    // Drains (unless a failure already ended the connection's use), then closes. A
    // connection that failed is reset instead, so a stalled printer costs no more time.
    // Keeps errno.
    void Close();

    bool IsOpen() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }
    // The last failure in words: "connection refused".
    const std::string& ErrorText() const { return m_errorText; }

private:
    using Clock = std::chrono::steady_clock;
    int ConnectOne(const void* addrinfo, int& error);
    void Fail(int error);
    bool WaitWritable(Clock::time_point& lastProgress, int& queued, int& error);

    int m_fd = -1;
    bool m_failed = false;
    std::string m_errorText;
};

// The reason a network operation failed, in words ("connection refused").
std::string DescribeNetError(int error);

} // namespace printer
