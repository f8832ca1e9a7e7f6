#pragma once
// A network receipt printer on loopback: a TCP server on 127.0.0.1 that records what
// arrives (with the time of each arrival), answers GS I 1 (or stays silent), and on
// request stops reading after N bytes or resets the connection after N bytes. A
// refusing printer holds its port without listening, so a connect is refused.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

class FakeNetPrinter {
public:
    struct Options {
        bool refusing = false;
        // The receive buffer of each connection; small makes a stall reach the
        // program's writes soon instead of vanishing into the kernel's buffers.
        int receiveBuffer = 0;
    };
    FakeNetPrinter() : FakeNetPrinter(Options{}) {}
    explicit FakeNetPrinter(Options options); // throws std::runtime_error without a socket
    ~FakeNetPrinter();
    FakeNetPrinter(const FakeNetPrinter&) = delete;
    FakeNetPrinter& operator=(const FakeNetPrinter&) = delete;

    uint16_t Port() const { return m_port; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(m_port); }

    // The byte sent back for every GS I 1 (0x20 at first); nullopt keeps it silent.
    void AnswerWith(std::optional<uint8_t> answer);
    // Takes count bytes in all and then nothing more (the TCP window stays shut).
    void StallAfter(size_t count);
    // Resets the connection once count bytes in all have arrived.
    void ResetAfter(size_t count);

    struct Arrival {
        std::chrono::steady_clock::time_point at;
        size_t offset; // of the first byte of this arrival in Bytes()
        size_t length;
    };
    std::vector<uint8_t> Bytes() const;
    std::vector<Arrival> Arrivals() const;
    bool WaitForBytes(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // Waits until the program has closed (or the printer has reset) every connection
    // it accepted, and at least one was accepted.
    bool WaitUntilClosed(std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    int Connections() const; // accepted so far
    int Requests() const;    // GS I 1 seen so far

private:
    void Run();
    void Accept();
    void ReadClient();
    void DropClient(bool reset);

    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    int m_client = -1;
    uint16_t m_port = 0;
    int m_receiveBuffer = 0;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::optional<uint8_t> m_answer = 0x20;
    std::optional<size_t> m_stallAt;
    std::optional<size_t> m_resetAt;
    std::vector<uint8_t> m_bytes;
    std::vector<Arrival> m_arrivals;
    uint32_t m_window = 0;
    int m_requests = 0;
    int m_connections = 0;
    bool m_open = false; // a connection is open
    std::thread m_thread;
};

} // namespace testing_support
