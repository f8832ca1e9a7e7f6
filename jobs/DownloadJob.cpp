#include "jobs/DownloadJob.h"

#include <algorithm>

#include "download/DownloadWalk.h"
#include "platform/Text.h"

namespace jobs {
namespace {

using Code = printer::LinkStatus::Code;

bool GivenUp(const printer::Link& link)
{
    const Code failure = link.LastFailure().code;
    return failure == Code::Cancelled || failure == Code::Stalled || failure == Code::Gone;
}

// The driver on the run's link: bytes through the link (traced as the progress dialog's
// writes), pauses on the context's clock, and what the observer is told. Once the
// printer is given up on, the rest of an image fails at once, without its pauses.
class LinkDownload final : public CDownloadWalk {
public:
    LinkDownload(const DownloadRequest& request, printer::Link& link, RunObserver* observer, WaitRelay& relay)
        : CDownloadWalk(request.logos, request.conversion.threshold, request.conversion.maxPrintWidth,
                        request.conversion.halftone),
          m_link(link), m_device(request.start.port.m_strPortDevice), m_observer(observer), m_relay(relay)
    {
        int64_t total = 0;
        for (const NvLogoJob& logo : request.logos)
            total += logo.nvSize;
        // The bar's range is a 16-bit value, as it always was.
        m_barUpper = static_cast<int16_t>(total / 100);
    }

    void Report(const std::string& status)
    {
        m_relay.Reset();
        if (!m_observer)
            return;
        m_observer->OnStatus(status);
        const int bar = std::clamp(m_nBytesSent / 100, 0, std::max(m_barUpper, 0));
        m_observer->OnProgress({m_nDefined, Count(), m_nBytesSent, bar, m_barUpper});
    }

    // How many images the printer has whole, by the link's count of delivered bytes.
    int DeliveredImages() const
    {
        const uint64_t delivered = m_link.DeliveredBytes();
        return static_cast<int>(std::count_if(m_imageEnds.begin(), m_imageEnds.end(),
                                              [delivered](uint64_t end) { return end <= delivered; }));
    }

protected:
    bool WriteBuffer(const uint8_t* buffer, uint32_t length) override
    {
        return RunWrite(m_link, {buffer, length}, WriteTrace::Progress, m_device).Complete(length);
    }
    void Pause(int ms) override
    {
        if (!GivenUp(m_link))
            m_link.Policy().Clock().SleepFor(std::chrono::milliseconds(ms));
    }
    void OnImagePrepared(const CNvImage&) override { ReportSending(); }
    void OnPieceSent(int) override { ReportSending(); }
    void OnImageSent(const CNvImage& image) override
    {
        m_imageEnds.push_back(m_link.WrittenBytes());
        if (m_observer)
            m_observer->OnImageSent(m_nDefined, image.m_nWidth, image.m_nHeight, image.m_nLength,
                                    Current()->path);
    }

private:
    void ReportSending()
    {
        // The total grows by the centring columns of each image as it is prepared.
        const NvLogoJob* job = Current();
        Report(Format("Updating(%d/%d)...%s", m_nBytesSent, static_cast<int>(m_nTotalBytes),
                      job ? job->name.c_str() : ""));
    }

    printer::Link& m_link;
    std::string m_device;
    RunObserver* m_observer;
    WaitRelay& m_relay;
    int m_barUpper = 0;
    std::vector<uint64_t> m_imageEnds; // the link's byte count at the end of each image
};

// The bytes of the delete-all through the run's link.
class LinkSink final : public ByteSink {
public:
    explicit LinkSink(printer::Link& link) : m_link(link) {}
    bool WriteBuffer(const uint8_t* data, uint32_t length) override
    {
        return RunWrite(m_link, {data, length}, WriteTrace::Page).Complete(length);
    }

private:
    printer::Link& m_link;
};

void DeleteAll(printer::Link& link, DownloadEnd& end)
{
    LinkSink sink(link);
    const bool sent = SendDeleteAll(sink) && link.Drain().Ok();
    end.result = sent                                         ? DownloadEnd::Result::Deleted
                 : link.LastFailure().code == Code::Cancelled ? DownloadEnd::Result::GaveUp
                                                              : DownloadEnd::Result::DeleteFailed;
}

// The images, from FS q n to what the end of the walk leaves the printer.
void SendImages(const DownloadRequest& request, printer::Link& link, const printer::CancelToken& cancel,
                RunObserver* observer, WaitRelay& relay, DownloadEnd& end)
{
    using Result = DownloadEnd::Result;
    if (observer)
        observer->OnTransfer();
    LinkDownload walk(request, link, observer, relay);
    walk.Report("Erasing...");
    const bool defined = walk.Start();
    walk.WaitForErase(); // also after a failure: the printer may have begun erasing
    CDownloadWalk::Step step = defined ? CDownloadWalk::Step::Sent : CDownloadWalk::Step::Failed;
    while (step == CDownloadWalk::Step::Sent) {
        // Asked only while an image is still to go: a stop after the last one changes nothing.
        if (walk.m_nSeq + 1 < walk.Count() && cancel.load())
            walk.m_bStop = true;
        step = walk.NextStep();
    }
    end.defined = walk.m_nDefined;
    for (const int position : walk.m_arrEmptyImages)
        end.emptyImages.emplace_back(position + 1, walk.Jobs()[static_cast<size_t>(position)].path);
    if (link.LastFailure().code == Code::Cancelled) {
        end.result = Result::GaveUp; // the printer takes nothing: completion would only wait for it again
    } else if (step == CDownloadWalk::Step::Failed) {
        end.result = defined ? Result::HeaderFailed : Result::DefineFailed;
    } else if (step == CDownloadWalk::Step::Stopped) {
        end.groups = CompletionGroups(walk.Count(), walk.m_nDefined);
        end.groupsFailed = walk.CompleteStopped(end.settleMs);
        // Only what the printer really has counts as delivered.
        link.Drain();
        end.result = link.LastFailure().code == Code::Cancelled ? Result::GaveUp : Result::Stopped;
    } else if (!link.Drain().Ok()) {
        // A tail still in the port (or a transfer in flight) is not a download yet.
        end.result = link.LastFailure().code == Code::Cancelled ? Result::GaveUp : Result::NotDelivered;
    } else {
        end.result = Result::Completed;
        end.stored = walk.SentLogos();
    }
    end.deliveredImages = walk.DeliveredImages();
}

} // namespace

DownloadEnd RunDownload(const platform::Context& context, const DownloadRequest& request,
                        const printer::CancelToken& cancel, RunObserver* observer)
{
    DownloadEnd end;
    end.deleteAll = request.logos.empty();
    end.count = static_cast<int>(std::min<size_t>(request.logos.size(), 255));
    if (!end.deleteAll) {
        end.refusal = ListedLogoRefusal(request.logos, request.conversion);
        if (!end.refusal.empty()) {
            end.result = DownloadEnd::Result::Refused;
            return end;
        }
    }
    WaitRelay relay(observer);
    std::unique_ptr<printer::Link> link = StartRun(context, request.start, {&relay, &cancel}, end.start);
    if (!link) {
        end.result = DownloadEnd::Result::NotStarted;
        end.failure = end.start.status;
        return end;
    }
    if (end.start.state.nearEnd && observer)
        observer->OnWarning("Paper near end.");
    if (end.deleteAll)
        DeleteAll(*link, end);
    else if (cancel.load())
        end.result = DownloadEnd::Result::Cancelled;
    else
        SendImages(request, *link, cancel, observer, relay, end);
    end.failure = link->LastFailure();
    const printer::LinkStatus closed = EndRun(*link);
    // An output file is in place only once it is closed.
    if (end.result == DownloadEnd::Result::Completed && !closed.Ok()) {
        end.result = DownloadEnd::Result::NotDelivered;
        end.failure = closed;
        end.stored.clear();
    }
    return end;
}

} // namespace jobs
