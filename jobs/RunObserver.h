#pragma once
// What a run on a printer tells while it goes. A job calls its observer on the job's
// own thread; the window's observer passes each call on to the window's thread as a
// queued signal, the command line's prints. Every call is optional.
//
// Thread-safety: an observer is called from one thread at a time, the run's; a
// window-side implementation must not touch widgets there.
#include <cstdint>
#include <string>

#include "printer/StallPolicy.h"

namespace jobs {

// Where a run stands, for a progress bar and a progress line.
struct RunProgress {
    int done = 0;      // images begun (a download) or printed (a print)
    int count = 0;     // images of the run
    int64_t bytes = 0; // raster bytes sent so far (a download)
    int bar = 0;       // the progress bar's position ...
    int barUpper = 0;  // ... in 0 .. barUpper
};

class RunObserver {
public:
    virtual ~RunObserver() = default;
    // The printer is open and checked: the transfer begins.
    virtual void OnTransfer() {}
    // The status line: "Erasing...", "Updating(512/1160)...b.bmp", "Printing... 3/255".
    virtual void OnStatus(const std::string&) {}
    virtual void OnProgress(const RunProgress&) {}
    // Something the user should know while the run goes on ("Paper near end.").
    virtual void OnWarning(const std::string&) {}
    // The printer has taken nothing for a while; called again when what is known of
    // the cause changes. A later status line means it takes data again.
    virtual void OnNotTakingData(const printer::WaitReport&) {}
    // One image record went out whole: its NV number, size in dots, raster bytes, file.
    virtual void OnImageSent(int, int, int, int, const std::string&) {}
    // A yes/no question the run must have answered before it goes on (text ends in
    // "Go on?"); true goes on. The run waits for the answer; a cancel ends the wait as no.
    virtual bool OnQuestion(const std::string&) { return true; }
};

// The link's waits as the run's observer hears them: "not taking data" once per cause
// (the link reports it on every slice), nothing of the slices themselves.
class WaitRelay final : public printer::WaitObserver {
public:
    explicit WaitRelay(RunObserver* observer) : m_observer(observer) {}
    void OnNotTakingData(const printer::WaitReport& report) override;
    // The printer took data again (a new status line): the next stall is told anew.
    void Reset() { m_told.clear(); }

private:
    RunObserver* m_observer;
    std::string m_told; // the text last told, "" when none
};

} // namespace jobs
