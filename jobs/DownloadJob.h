#pragma once
// A download as a job: everything the Download button (and `nivora-cli download -p`)
// does on the printer, from the check of the listed files to the closed port, run on
// the caller's thread (a worker of the window, a printer of the command line) without
// a box or a pause of its own. Its progress goes to a RunObserver; its end is a value
// that says what happened, and the caller says it (jobs/RunMessages.h for the texts).
//
//   files checked (a refusal opens nothing) -> StartRun (state, GS I 1, ESC @)
//   -> FS q n, the erase wait -> one image after the other (CDownloadWalk)
//   -> what a stop owes (one group of 00 00 00 00 more than the definitions missing)
//   -> the drain and the close.
//
// Cancel (the token) stops the run before the next image and the completion groups
// follow, as the printer is owed them; while the printer takes nothing, or while it is
// still being reached, it ends the run at once and throws away what is pending.
//
// Thread-safety: one run per call, on the calling thread; the token may be set from
// any thread. The request is the run's own copy: nothing is shared with the window.
#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "download/NvDownload.h"
#include "jobs/RunObserver.h"
#include "jobs/RunStart.h"
#include "logo/Logo.h"

namespace jobs {

// How a download uses its link: CTS output flow and a write time-out of M ms a byte on
// a serial line, a printer device for reading too, "FILE" as an output file, and half
// a second for the printer's answer to the check.
inline constexpr printer::LinkOptions kDownloadLink{true, printer::OutputFlow::Cts, true, true,
                                                    std::chrono::milliseconds(500)};

struct DownloadRequest {
    StartRequest start{{}, kDownloadLink, "temp.prn", printer::AskState::ByPort, WriteTrace::Page};
    std::vector<NvLogoJob> logos; // in download order (at most 255); none: delete every image
    NvConversion conversion;      // threshold, width and halftone; each logo has its own centring
};

struct DownloadEnd {
    enum class Result {
        Refused,      // a listed file cannot go (refusal); nothing was opened
        NotStarted,   // the start failed: start.result says where
        Cancelled,    // cancelled before FS q n: nothing is owed
        DefineFailed, // FS q n could not be written
        HeaderFailed, // an image header could not be written
        GaveUp,       // cancelled while the printer took nothing: what was pending is thrown away
        Stopped,      // stopped between two images; the completion groups went
        NotDelivered, // every image went out, but not all of it reached the printer
        Completed,    // the printer holds the images (stored)
        DeleteFailed, // the delete-all could not be written or delivered
        Deleted,      // the printer holds no image now
    };
    Result result = Result::NotStarted;
    bool deleteAll = false; // the run had no logos
    std::string refusal;
    RunStart start;
    int count = 0;                                        // images of the run (FS q n)
    int defined = 0;                                      // image records begun
    int deliveredImages = 0;                              // images the printer has whole, by the link's count
    int groups = 0;                                       // completion groups sent after a stop
    int groupsFailed = 0;                                 // of them, could not be written
    int settleMs = 0;                                     // the pause after the groups
    std::vector<std::pair<int, std::string>> emptyImages; // NV number and file of images sent empty
    std::vector<StoredLogo> stored;                       // Completed: NV images 1..n
    printer::LinkStatus failure;                          // why the link failed, when it did
};

// Runs the download described by request on the calling thread.
DownloadEnd RunDownload(const platform::Context& context, const DownloadRequest& request,
                        const printer::CancelToken& cancel, RunObserver* observer = nullptr);

} // namespace jobs
