#include "tools/cli/DownloadRuns.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

#include "download/DownloadRun.h"
#include "download/DownloadWalk.h"
#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "platform/Text.h"
#include "printer/PortAccess.h"
#include "printer/PrinterPort.h"
#include "tools/cli/OutputFile.h"
#include "tools/cli/Options.h"
#include "tools/cli/PortProblems.h"
#include "tools/cli/Printable.h"
#include "tools/cli/ProgressLine.h"
#include "tools/cli/Signals.h"

namespace cli {
namespace {

std::string DescribeImage(int number, const NvLogoJob& job, const CNvImage& sent)
{
    return "NV image " + std::to_string(number) + ": " + std::to_string(sent.m_nWidth) + " x " +
           std::to_string(sent.m_nHeight) + " dots, " + std::to_string(sent.m_nLength) + " bytes, " +
           cli::Printable(job.path);
}

// The command line's pacing of the download driver: bytes to a sink, pauses on the
// context's clock (none for an output file), and a note of every image sent. Once the
// printer is given up on (it stalled, went away, or the run was cancelled while it took
// nothing) the rest of the image fails at once, without its pauses.
class CliDownload final : public CSinkDownload {
public:
    CliDownload(const LogoList& list, const DownloadOptions& options, ByteSink& sink,
                const platform::Context* pacing, const CPrinterPort* port = nullptr)
        : CSinkDownload(list, ConversionOf(options), sink,
                        pacing ? CSinkDownload::PauseFn([this](int ms) { TakePause(ms); })
                               : CSinkDownload::PauseFn()),
          m_pacing(pacing), m_port(port)
    {
    }

    // How many images the printer has whole, by the link's count of delivered bytes.
    int DeliveredImages() const
    {
        const printer::Link* link = m_port ? m_port->GetLink() : nullptr;
        const uint64_t delivered = link ? link->DeliveredBytes() : 0;
        return static_cast<int>(std::count_if(m_imageEnds.begin(), m_imageEnds.end(),
                                              [delivered](uint64_t end) { return end <= delivered; }));
    }

    std::vector<std::string> m_sent; // one description per image sent
    std::function<void(const std::string&)> m_onSent;
    cli::ProgressLine* m_progress = nullptr;

protected:
    void OnPieceSent(int) override
    {
        if (m_progress)
            m_progress->Update(m_nDefined, Count(), static_cast<size_t>(m_nBytesSent));
    }
    void OnImageSent(const CNvImage& image) override
    {
        if (const printer::Link* link = m_port ? m_port->GetLink() : nullptr)
            m_imageEnds.push_back(link->WrittenBytes());
        m_sent.push_back(DescribeImage(m_nDefined, *Current(), image));
        if (m_onSent)
            m_onSent(m_sent.back());
    }

private:
    void TakePause(int ms)
    {
        using Code = printer::LinkStatus::Code;
        const Code failure = m_port ? m_port->LastFailure().code : Code::Ok;
        if (failure == Code::Cancelled || failure == Code::Stalled || failure == Code::Gone)
            return;
        m_pacing->clock->SleepFor(std::chrono::milliseconds(ms));
    }

    const platform::Context* m_pacing;
    const CPrinterPort* m_port;
    std::vector<uint64_t> m_imageEnds; // the link's byte count at the end of each image
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
    CliDownload download(list, options, sink, nullptr);
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

// The images of the list on the open port, then what a completed or stopped run owes.
// One printer of many says in reason what a stop left behind.
int SendListed(const platform::Context& context, const LogoList& list, CPrinterPort& port,
               const DownloadOptions& options, std::string& reason)
{
    const int count = list.Count();
    CliDownload download(list, options, port, &context, &port);
    // The list of -v takes the place of the line: the two would break each other up.
    cli::ProgressLine progress(options.quiet || options.verbose);
    download.m_progress = &progress;
    if (options.verbose)
        download.m_onSent = [](const std::string& line) {
            std::printf("%s\n", line.c_str());
            std::fflush(stdout);
        };
    const bool written = download.RunToEnd([] { return cli::StopOnInterrupt::Requested(); });
    progress.Finish();
    // Raster pieces that fail are not looked at: the link itself knows it gave up.
    const auto cancelledWhileTakingNothing = [&] {
        if (!cli::StopOnInterrupt::Requested() ||
            port.LastFailure().code != printer::LinkStatus::Code::Cancelled)
            return false;
        // The printer takes nothing: completion groups would only wait for it again.
        const int delivered = download.DeliveredImages();
        port.Abandon();
        const std::string what = Format("while the printer was taking nothing, after %d of %d images; its NV "
                                        "images are incomplete, run the download again",
                                        delivered, count);
        if (options.oneOfMany)
            reason = what;
        else
            std::fprintf(stderr, "nivora-cli: stopped %s\n", what.c_str());
        return true;
    };
    if (cancelledWhileTakingNothing())
        return kExitInterrupted;
    if (!written)
        return cli::kExitFailed;
    const std::string empty = EmptyDefinitionsText(download.Jobs(), download.m_arrEmptyImages);
    if (download.m_bStop) {
        const bool completed = download.CompleteStopped(0) && port.Deliver();
        // Only what the printer really has counts: bytes still in a buffer on the way
        // are no image of its.
        const std::string what =
            Format("after %d of %d images; the rest %s empty definitions", download.DeliveredImages(), count,
                   completed ? "were completed with" : "could not all be completed with");
        if (options.oneOfMany)
            reason = what;
        else
            std::fprintf(stderr, "nivora-cli: stopped %s\n", what.c_str());
        if (!empty.empty())
            context.Show(empty, platform::MB_ICONEXCLAMATION);
        return kExitInterrupted;
    }
    if (!port.Deliver()) {
        if (cancelledWhileTakingNothing())
            return kExitInterrupted;
        context.Show(msg::kNotTransmitted, platform::MB_ICONEXCLAMATION);
        return cli::kExitFailed;
    }
    ReportDownloadComplete(context);
    if (!empty.empty()) {
        context.Show(empty, platform::MB_ICONEXCLAMATION);
        return cli::kExitFailed;
    }
    return cli::kExitOk;
}

// Why the run on target failed to open, for its line or its message.
std::string OpenFailureReason(const CPrinterPort& port)
{
    std::string reason = cli::OpenFailureText(port);
    const printer::LinkStatus& failure = port.OpenStatus();
    if (const std::string advice = printer::PermissionMessage(failure.device, failure.error); !advice.empty())
        reason += "; " + cli::Printable(advice);
    return reason;
}

} // namespace

// The run on one printer. Without boxes (one printer of many) nothing names the port
// in the messages; reason then gets the link's own word on a failure.
int SendToPort(const platform::Context& base, const LogoList& list, const DownloadOptions& options,
               const std::string& target, CliMessageBox* boxes, std::string& reason)
{
    if (const std::string why = cli::NotAPortReason(target); !why.empty()) {
        if (boxes)
            std::fprintf(stderr, "nivora-cli download: %s\n", why.c_str());
        reason = why;
        return cli::kExitFailed;
    }
    const platform::Context context = cli::RunContext(base, options.port);
    CPrinterPort printerPort(kDownloadLink, CPrinterPort::WriteReport::Traced);
    printerPort.Supervise(options.observer, cli::StopOnInterrupt::Token());
    const bool listed = !list.Empty();
    if (boxes)
        boxes->SetSubject(cli::DescribePort(context, target));
    bool opened = false;
    int status = cli::kExitFailed;
    if (OpenDownloadPort(printerPort, context, cli::PortSettingsFor(options.port, target),
                         listed ? OpenFailureMessage::Numbered : OpenFailureMessage::Plain, opened)) {
        if (listed)
            status = SendListed(context, list, printerPort, options, reason);
        else if (SendDeleteAll(printerPort) && printerPort.WaitDelivered(msg::kWriteToPortFailed))
            status = cli::kExitOk;
    } else if (!opened && printerPort.OpenStatus().code == printer::LinkStatus::Code::Cancelled) {
        status = kExitInterrupted; // Ctrl-C while the printer was being looked up or connected to
        reason = "before the printer was reached";
    } else if (!opened) {
        reason = OpenFailureReason(printerPort);
    }
    if (status == cli::kExitFailed && reason.empty())
        reason = cli::WriteFailureText(printerPort);
    if (opened)
        printerPort.ClosePort();
    if (boxes) {
        const std::string port = cli::DescribePort(context, target);
        if (status == kExitInterrupted && !opened)
            std::fprintf(stderr, "nivora-cli: %s: stopped %s\n", port.c_str(), reason.c_str());
        else if (status == cli::kExitFailed && !reason.empty())
            std::fprintf(stderr, "nivora-cli: %s: %s\n", port.c_str(), reason.c_str());
        boxes->SetSubject("");
    }
    return status;
}

} // namespace cli
