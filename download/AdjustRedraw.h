#pragma once
// The printed dots of one logo made on a thread of its own while the user tries its
// adjustments. A slider that moves asks many times a second; a request replaces the
// one not yet started, so only the latest counts and the dots never lag behind the
// slider by more than the redraw under way. The picture is read once for as long as
// the path stays the same (AdjustedDots keeps its steps).
//
// Thread-safety: Request, Take and the destructor are called on the owner's thread;
// ready runs on the redraw thread after each redraw, and must not call back in.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "download/AdjustedDots.h"

class AdjustRedraw {
public:
    struct Result {
        uint64_t serial = 0; // the request's, from Request
        bool made = false;
        DotImage dots;   // when made
        std::string why; // when not
    };

    explicit AdjustRedraw(std::function<void()> ready);
    // Waits for the redraw under way; a request not started is dropped.
    ~AdjustRedraw();
    AdjustRedraw(const AdjustRedraw&) = delete;
    AdjustRedraw& operator=(const AdjustRedraw&) = delete;

    // Asks for path's dots with conversion, in place of a request not yet started.
    // Returns the request's serial number (rising).
    uint64_t Request(const std::string& path, const NvConversion& conversion);
    // The latest result not taken yet; false when there is none.
    bool Take(Result& result);

private:
    struct Ask {
        uint64_t serial = 0;
        std::string path;
        NvConversion conversion;
    };
    void Run();

    const std::function<void()> m_ready;
    std::mutex m_mutex; // guards what follows
    std::condition_variable m_wake;
    std::optional<Ask> m_asked;
    std::optional<Result> m_result;
    uint64_t m_nSerial = 0;
    bool m_bStop = false;
    std::thread m_thread; // last: started once the members above exist
};
