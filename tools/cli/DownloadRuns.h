#pragma once
// The runs of nivora-cli download: the stream into a file, and the run on one printer
// (opened, checked, the images, what a completed or stopped run owes, closed) that a
// run on many printers makes once per printer, each on a thread of its own.
#include <string>
#include <vector>

#include "download/Halftone.h"
#include "download/NvDownload.h"
#include "platform/Context.h"
#include "printer/StallPolicy.h"
#include "printer/StateQuery.h"
#include "tools/cli/Fleet.h"
#include "tools/cli/PortOptions.h"

namespace cli {

inline constexpr int kExitInterrupted = 130;

struct DownloadOptions {
    std::string output;
    PortOptions port;
    bool portSettings = false; // a serial option was given
    int threshold = 128;
    int maxWidth = 512;
    std::vector<int> centred; // 1-based argument positions
    std::vector<std::string> files;
    bool verbose = false;
    bool eraseAll = false; // -p without images deletes every stored image only when asked
    bool quiet = false;
    FleetOptions fleet; // every printer to serve
    HalftoneMode halftone = HalftoneMode::Classic;
    Adjustments adjust;                        // made to every file
    bool oneOfMany = false;                    // one printer of many: its line says what a stop left behind
    printer::WaitObserver* observer = nullptr; // hears when a printer stops taking data
    printer::AskState askState = printer::AskState::ByPort;
};

// How the files are converted: threshold, width and halftone; the centring and the
// adjustments are each listed logo's own.
NvConversion ConversionOf(const DownloadOptions& options);

// The stream of the listed logos (or the delete-all stream) into options.output, put
// in place whole. The exit status.
int WriteToFile(const LogoList& list, const DownloadOptions& options);

// The run on target (jobs/DownloadJob.h). One printer of many (options.oneOfMany) says
// nothing itself: reason gets the link's own word on a failure, the run's messages, or
// what a stop left behind. The exit status: 0, 1, or 130 when the run was stopped.
int SendToPort(const platform::Context& base, const LogoList& list, const DownloadOptions& options,
               const std::string& target, std::string& reason);

} // namespace cli
