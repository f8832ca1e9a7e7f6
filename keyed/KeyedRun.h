#pragma once
// What every key-coded run is given and what it gives back. A run talks to one printer
// through a PrinterChannel on the caller's thread, takes its time from a Clock, looks
// at a stop flag, reports progress and asks its questions through callbacks, and ends
// with a RunResult. It never prints or shows anything itself: the window and the
// command line say it in their own way.
//
// Thread-safety: a RunContext belongs to one run; the stop flag may be set from any
// thread. The callbacks are called on the run's thread.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "keyed/PrinterChannel.h"
#include "platform/Clock.h"

namespace keyed {

// "The printer does not answer key-coded memory requests; use All at once (FS q)."
extern const char* const kNoAnswerText;
// "Storing logos by key erases, on many printers, the logos stored all at once (FS q). Go on?"
extern const char* const kMutualErasureText;

// Room left beyond a graphic before it is sent: the printer keeps a control record
// beside the data.
inline constexpr uint64_t kFitMargin = 64;
// Writes to one printer within 24 hours beyond which the run asks first.
inline constexpr int kWearWritesPerDay = 10;

struct RunLimits {
    std::chrono::milliseconds replyDeadline{1000}; // for each answer to a request
    std::chrono::milliseconds busyLimit{150000};   // for the printer writing its memory
};

enum class Step {
    Asking,    // reading the capacity, the free room and the keys
    Sending,   // a graphic, a delete or a print goes out
    Writing,   // the printer writes its memory; seconds counts the wait
    Verifying, // reading the keys and the free room again
    Verified,  // key: the printer holds it (or, deleted, no longer holds it)
};

struct Progress {
    Step step = Step::Asking;
    std::string key;
    int index = 0; // 1-based, of count
    int count = 0;
    int seconds = 0;
    std::string what; // Sending: "storing", "deleting" or "printing"
};
// "Sending L1 (2 of 5)...", "The printer is writing its memory (3 s)", ...
std::string DescribeProgress(const Progress& progress);

enum class Question {
    MutualErasure, // before the first key-coded store to a printer
    Wear,          // more than kWearWritesPerDay writes within 24 hours
};

struct RunContext {
    RunContext(PrinterChannel& channel_, platform::Clock& clock_, const std::atomic<bool>& stop_)
        : channel(channel_), clock(clock_), stop(stop_)
    {
    }

    PrinterChannel& channel;
    platform::Clock& clock;
    const std::atomic<bool>& stop;
    RunLimits limits{};
    std::function<void(const Progress&)> progress;              // may be empty
    std::function<bool(Question, const std::string& text)> ask; // empty: go on
    std::function<std::time_t()> wallClock;                     // empty: the system's
};

struct Memory {
    uint64_t capacity = 0;
    uint64_t free = 0;
    std::vector<std::string> keys; // in the printer's order
};
// "Key-coded memory: 262,144 bytes, 180,004 free, 3 logos stored (L1, L2, CP)"
std::string DescribeMemory(const Memory& memory);

enum class Outcome {
    Done,     // everything done and verified
    Failed,   // message says why
    NoAnswer, // the printer does not answer key-coded requests
    Stopped,  // the stop flag; message says where
    Declined, // a question was answered no; nothing more was written
};

struct RunResult {
    Outcome outcome = Outcome::Done;
    std::string message;
    bool memoryKnown = false;
    Memory memory; // as read last
    std::vector<std::string> stored, skipped, deleted, printed;
    std::vector<std::pair<std::string, std::string>> refused; // key, why
    std::vector<std::string> warnings;                        // the ledger could not be kept, ...
    int writesToday = 0;                                      // writes in the last 24 hours
};

} // namespace keyed
