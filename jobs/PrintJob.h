#pragma once
// A print as a job: the Print button's run (and `nivora-cli print -p`), from the open
// to the closed port, on the caller's thread. After the start (state, GS I 1, ESC @ on
// a serial line), one image per tick of 300 ms on the context's clock, each an optional
// header line and FS p n m (CPrintWalk), then the drain and the close. No image data
// travels: the printer prints what its NV memory holds.
//
// Cancel (the token) stops the run before its next image; while the printer takes
// nothing it ends the run at once and throws away what is pending.
//
// Thread-safety: one run per call, on the calling thread; the token may be set from
// any thread.
#include "jobs/RunObserver.h"
#include "jobs/RunStart.h"
#include "print/PrintLink.h"
#include "print/PrintRange.h"
#include "print/PrintWalk.h"

namespace jobs {

struct PrintRequest {
    StartRequest start{{}, kPrintLink, "temp.prn", printer::AskState::ByPort, WriteTrace::None};
    int range = 0;   // 0 "All": NV images 1 .. jobCount; 1 "Selection": the items of list
    int quality = 0; // the mode byte m of FS p
    bool header = false;
    PrintList list;
    int jobCount = kPrintAllCount;
    // False: the typed selection is invalid. The printer still gets the start (the text
    // is looked at only then), and nothing more.
    bool rangeValid = true;
    int finishPauseMs = 0;           // after the last image (the window keeps the full bar in view)
    int countShown = kPrintAllCount; // the n of "Printing... i/n"
};

struct PrintEnd {
    enum class Result {
        NotStarted,   // start.result says where
        RangeRefused, // the selection is invalid: nothing was printed
        WriteFailed,  // a header or FS p could not be written
        GaveUp,       // cancelled while the printer took nothing: what was pending is thrown away
        Stopped,      // cancelled between two images
        NotDelivered, // the printer did not take everything sent
        Finished,     // every image of the run went out and reached the printer
    };
    Result result = Result::NotStarted;
    RunStart start;
    int printed = 0;
    int jobCount = 0;
    printer::LinkStatus failure;
};

PrintEnd RunPrint(const platform::Context& context, const PrintRequest& request,
                  const printer::CancelToken& cancel, RunObserver* observer = nullptr);

} // namespace jobs
