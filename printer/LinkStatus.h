#pragma once
// What became of an operation on a printer link, as a value: the open, a write, a
// wait for an answer, the drain before a close. The link decides what happened; the
// window and the command line decide how to say it (Describe gives the words the
// command line uses).
#include <cerrno>
#include <string>

namespace printer {

// errno of a host name that does not resolve (the resolver has no errno of its own).
inline constexpr int kUnknownHostError = ENXIO;

struct LinkStatus {
    enum class Code {
        Ok,          // done
        Stalled,     // the printer took nothing for the stall limit (detail)
        Cancelled,   // the run was cancelled while the printer took nothing (or while connecting)
        TimedOut,    // a serial write ran past its time-out of M ms a byte
        Gone,        // the device hung up, was unplugged or taken by a spooler; the connection broke
        Locked,      // another program holds the port; detail names a lock file it could not read
        Permission,  // this user may not open the device; detail says which group to join
        NotFound,    // no such device or file
        UnknownHost, // the network printer's name does not resolve
        Refused,     // the network printer refused the connection
        NoAnswer,    // the network printer did not answer within the connect time-out
        Failed,      // anything else: error says what, or detail in words
    };

    Code code = Code::Ok;
    int error = 0;            // the errno behind it; 0 for Ok
    std::string device;       // the device, file or address it concerns
    std::string detail;       // the limit that ran out, the lock file, the advice to get access
    std::string printerState; // what a printer device says of itself ("out of paper"), if known

    bool Ok() const { return code == Code::Ok; }
    // The user's words, without the device: "connection refused", "the printer took
    // nothing for 30 s (out of paper)", "in use by another program".
    std::string Describe() const;

    static LinkStatus Success() { return {}; }
    // The status an errno of an open, a write or a wait stands for.
    static LinkStatus FromErrno(int error, std::string device = {});
};

// "30 s", "0.2 s": a span of time as messages show it.
std::string SecondsText(long long milliseconds);

} // namespace printer
