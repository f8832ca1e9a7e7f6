#include "tools/cli/DownloadRuns.h"

#include <cstdio>

#include "download/DownloadWalk.h"
#include "jobs/DownloadJob.h"
#include "platform/Text.h"
#include "printer/PortAccess.h"
#include "tools/cli/OutputFile.h"
#include "tools/cli/Options.h"
#include "tools/cli/PortProblems.h"
#include "tools/cli/Printable.h"
#include "tools/cli/ProgressLine.h"
#include "tools/cli/RunLines.h"
#include "tools/cli/Signals.h"

namespace cli {
namespace {

std::string DescribeImage(int number, const NvLogoJob& job, const CNvImage& sent)
{
    return "NV image " + std::to_string(number) + ": " + std::to_string(sent.m_nWidth) + " x " +
           std::to_string(sent.m_nHeight) + " dots, " + std::to_string(sent.m_nLength) + " bytes, " +
           cli::Printable(job.path);
}

// The stream of an output file: the driver into memory, without pauses, with a note of
// every image for -v.
class FileDownload final : public CSinkDownload {
public:
    FileDownload(const LogoList& list, const DownloadOptions& options, ByteSink& sink)
        : CSinkDownload(list, ConversionOf(options), sink)
    {
    }
    std::vector<std::string> m_sent; // one description per image sent

protected:
    void OnImageSent(const CNvImage& image) override
    {
        m_sent.push_back(DescribeImage(m_nDefined, *Current(), image));
    }
};

} // namespace

NvConversion ConversionOf(const DownloadOptions& options)
{
    return {options.threshold, options.maxWidth, false, options.halftone, {}};
}

int WriteToFile(const LogoList& list, const DownloadOptions& options)
{
    MemorySink sink;
    if (list.Empty())
        SendDeleteAll(sink);
    FileDownload download(list, options, sink);
    if (!list.Empty())
        download.RunToEnd();
    // The files were read a moment ago; one that fails now changed under our feet.
    // An output file is not a printer that has already erased its memory: write none.
    for (const int position : download.m_arrEmptyImages)
        std::fprintf(stderr,
                     "nivora-cli: %s: could not be read again while the stream was made; %s not written\n",
                     cli::Printable(download.Jobs()[static_cast<size_t>(position)].path).c_str(),
                     cli::Printable(options.output).c_str());
    if (!download.m_arrEmptyImages.empty())
        return cli::kExitFailed;

    std::string error;
    if (!cli::WriteFileAtomically(options.output, sink.bytes, error)) {
        std::fprintf(stderr, "nivora-cli: %s\n", cli::Printable(error).c_str());
        return cli::kExitFailed;
    }
    if (options.verbose)
        for (const std::string& line : download.m_sent)
            std::fprintf(options.output == "-" ? stderr : stdout, "%s\n", line.c_str());
    return cli::kExitOk;
}

namespace {

// What one printer's download tells as it goes: the progress line, the images of -v,
// the first "not taking data" of the run, and a warning about the paper.
class CliDownloadObserver final : public jobs::RunObserver {
public:
    CliDownloadObserver(const DownloadOptions& options, std::string subject)
        : m_options(options), m_subject(std::move(subject)),
          // The list of -v takes the place of the line: the two would break each other up.
          m_progress(options.quiet || options.verbose)
    {
    }
    void Finish() { m_progress.Finish(); }

    void OnProgress(const jobs::RunProgress& progress) override
    {
        // The line starts with the first piece on its way, not with the erase.
        if (progress.bytes == 0)
            return;
        m_progress.Update(progress.done, progress.count, static_cast<size_t>(progress.bytes));
    }
    void OnImageSent(int number, int width, int height, int bytes, const std::string& path) override
    {
        if (!m_options.verbose)
            return;
        std::printf("NV image %d: %d x %d dots, %d bytes, %s\n", number, width, height, bytes,
                    cli::Printable(path).c_str());
        std::fflush(stdout);
    }
    void OnNotTakingData(const printer::WaitReport& report) override
    {
        if (m_options.observer)
            m_options.observer->OnNotTakingData(report);
    }
    void OnWarning(const std::string& text) override
    {
        if (!m_options.oneOfMany)
            std::fprintf(stderr, "nivora-cli: %s: warning: %s\n", m_subject.c_str(), text.c_str());
    }

private:
    const DownloadOptions& m_options;
    std::string m_subject;
    cli::ProgressLine m_progress;
};

// Why the run on target failed to open, for its line or its message.
std::string OpenFailureReason(const printer::LinkStatus& failure)
{
    std::string reason = Printable(failure.Describe());
    if (const std::string advice = printer::PermissionMessage(failure.device, failure.error); !advice.empty())
        reason += "; " + cli::Printable(advice);
    return reason;
}

// The exit status of a run's end, and what the port's line says besides the messages.
int Judge(const jobs::DownloadEnd& end, std::string& reason)
{
    using Result = jobs::DownloadEnd::Result;
    switch (end.result) {
    case Result::Completed:
        return end.emptyImages.empty() ? cli::kExitOk : cli::kExitFailed;
    case Result::Deleted:
        return cli::kExitOk;
    case Result::Cancelled:
        reason = "before anything was sent";
        return kExitInterrupted;
    case Result::GaveUp:
        reason = Format("while the printer was taking nothing, after %d of %d images; its NV images are "
                        "incomplete, run the download again",
                        end.deliveredImages, end.count);
        return kExitInterrupted;
    case Result::Stopped:
        // Only what the printer really has counts: bytes still in a buffer on the way
        // are no image of its.
        reason =
            Format("after %d of %d images; the rest %s empty definitions", end.deliveredImages, end.count,
                   end.groupsFailed == 0 && end.failure.Ok() ? "were completed with"
                                                             : "could not all be completed with");
        return kExitInterrupted;
    case Result::NotStarted:
        if (end.start.Cancelled()) {
            reason = end.start.result == jobs::RunStart::Result::NotOpened ? "before the printer was reached"
                                                                           : "before anything was sent";
            return kExitInterrupted;
        }
        if (end.start.result == jobs::RunStart::Result::NotOpened)
            reason = OpenFailureReason(end.start.status);
        else if (end.start.result != jobs::RunStart::Result::Blocked)
            reason = Printable(end.failure.Describe());
        else
            reason = "nothing was sent";
        return cli::kExitFailed;
    case Result::Refused:
        return cli::kExitFailed;
    case Result::DefineFailed:
    case Result::HeaderFailed:
    case Result::NotDelivered:
    case Result::DeleteFailed:
        if (!end.failure.Ok())
            reason = Printable(end.failure.Describe());
        return cli::kExitFailed;
    }
    return cli::kExitFailed;
}

} // namespace

int SendToPort(const platform::Context& base, const LogoList& list, const DownloadOptions& options,
               const std::string& target, std::string& reason)
{
    if (const std::string why = cli::NotAPortReason(target); !why.empty()) {
        if (!options.oneOfMany)
            std::fprintf(stderr, "nivora-cli download: %s\n", why.c_str());
        reason = why;
        return cli::kExitFailed;
    }
    const platform::Context context = cli::RunContext(base, options.port);
    jobs::DownloadRequest request;
    request.start.port = cli::PortSettingsFor(options.port, target);
    request.start.askState = options.askState;
    request.logos = DownloadJobs(list);
    request.conversion = ConversionOf(options);
    const std::string port = cli::DescribePort(context, target);
    CliDownloadObserver observer(options, port);
    const jobs::DownloadEnd end =
        jobs::RunDownload(context, request, *cli::StopOnInterrupt::Token(), &observer);
    observer.Finish();
    std::string why;
    const int status = Judge(end, why);
    const std::vector<jobs::RunMessage> messages = jobs::DownloadMessages(end);
    if (options.oneOfMany) {
        reason = cli::WithMessages(why, messages);
        return status;
    }
    cli::PrintRunMessages(messages, port);
    if (status == kExitInterrupted)
        std::fprintf(stderr, "nivora-cli: %s: stopped %s\n", port.c_str(), why.c_str());
    else if (status == cli::kExitFailed && !why.empty())
        std::fprintf(stderr, "nivora-cli: %s: %s\n", port.c_str(), why.c_str());
    return status;
}

} // namespace cli
