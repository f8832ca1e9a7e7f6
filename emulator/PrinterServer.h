#pragma once
// Serving the virtual printer over descriptors: one connected descriptor (a socket or
// a pseudo-terminal's own side) until the peer hangs up, or a listening socket, one
// connection at a time, for ever. Both run on the calling thread until stop() says so;
// they ask it at least once every poll interval. While the printer writes its memory it
// reads nothing: the host's bytes wait in the descriptor.
//
// Thread-safety: the printer is touched only with *guard held (when there is a guard),
// so that other threads may look at it meanwhile; received and busyStarts are called
// with it held, log without.
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "emulator/VirtualPrinter.h"

struct ServeHooks {
    std::function<bool()> stop; // required
    std::chrono::milliseconds poll{100};
    std::mutex* guard = nullptr;
    std::function<void(const uint8_t* data, size_t size)> received; // the host's bytes as read
    std::function<void()> busyStarts;                 // the printer has begun a write to its memory
    std::function<void(const std::string& line)> log; // "connection opened" / "connection closed"
};

void ServeConnection(int fd, VirtualPrinter& printer, platform::Clock& clock, const ServeHooks& hooks);
// Accepts a connection on listener (a listening socket), serves it, and the next.
void ServeListener(int listener, VirtualPrinter& printer, platform::Clock& clock, const ServeHooks& hooks);
