#pragma once
// A network receipt printer on loopback: a TCP server on 127.0.0.1 that records what
// arrives (RecordingPrinter.h) and on request resets the connection after N bytes. A
// stalled one reads nothing more and keeps its TCP window shut. A refusing printer holds
// its port without listening, so a connect is refused.
#include <string>
#include <thread>
#include <vector>

#include "tests/support/RecordingPrinter.h"

namespace testing_support {

class FakeNetPrinter final : public RecordingPrinter {
public:
    struct Options {
        bool refusing = false;
        // The receive buffer of each connection; small makes a stall reach the
        // program's writes soon instead of vanishing into the kernel's buffers.
        int receiveBuffer = 0;
    };
    FakeNetPrinter() : FakeNetPrinter(Options{}) {}
    explicit FakeNetPrinter(Options options); // throws std::runtime_error without a socket
    ~FakeNetPrinter() override;

    std::string Port() const override { return "tcp://" + Address(); }
    uint16_t TcpPort() const { return m_port; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(m_port); }

    // Resets the connection once count bytes in all have arrived.
    void ResetAfter(size_t count);
    int Connections() const; // accepted so far
    // Waits until the program has closed (or the printer has reset) every connection
    // it accepted, and at least one was accepted.
    bool WaitUntilClosed(std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

private:
    void Run();
    void Accept();
    void ReadClient();
    void DropClient(bool reset);
    void SendAnswer(uint8_t byte) override;

    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    int m_client = -1;
    uint16_t m_port = 0;
    std::optional<size_t> m_resetAt;
    int m_connections = 0;
    bool m_open = false; // a connection is open
    std::thread m_thread;
};

// A TCP socket on a free port of 127.0.0.1 (non-blocking), its port in port: listening
// with the given backlog, or bound only when backlog < 0, so that a connect is refused.
// A positive receiveBuffer is set before the listen, for the accepted connections to
// inherit. Throws std::runtime_error when no such socket can be had.
int BindLoopback(int backlog, uint16_t& port, int receiveBuffer = 0);

// An address on loopback where nobody answers a connect: a listener whose queue is
// full drops further handshakes, as a host that is off does.
class UnansweringAddress {
public:
    UnansweringAddress();
    ~UnansweringAddress();
    UnansweringAddress(const UnansweringAddress&) = delete;
    UnansweringAddress& operator=(const UnansweringAddress&) = delete;
    const std::string& Address() const { return m_address; } // "127.0.0.1:PORT"

private:
    std::vector<int> m_sockets;
    std::string m_address;
};

} // namespace testing_support
