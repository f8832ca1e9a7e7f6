#include "jobs/PrintJob.h"

namespace jobs {
namespace {

using Code = printer::LinkStatus::Code;

class LinkPrint final : public CPrintWalk {
public:
    LinkPrint(const PrintRequest& request, printer::Link& link) : m_link(link)
    {
        m_nRange = request.range;
        m_nQuality = request.quality;
        m_nHeader = request.header ? 1 : 0;
    }

protected:
    bool WriteBuffer(const uint8_t* buffer, uint32_t length) override
    {
        return m_link.Write({buffer, length}).Complete(length);
    }

private:
    printer::Link& m_link;
};

PrintEnd::Result Walk(const PrintRequest& request, printer::Link& link, const printer::CancelToken& cancel,
                      RunObserver* observer, WaitRelay& relay, PrintEnd& end)
{
    if (observer) {
        observer->OnTransfer();
        observer->OnStatus(" "); // a single space until the first image is out
        observer->OnProgress({0, request.jobCount, 0, 0, ProgressUpper(request.jobCount)});
    }
    platform::Clock& clock = link.Policy().Clock();
    LinkPrint walk(request, link);
    walk.StartWalk();
    for (;;) {
        clock.SleepFor(std::chrono::milliseconds(kPrintTickMs));
        if (cancel.load())
            walk.m_bStop = true;
        const CPrintWalk::Tick tick = walk.NextTick(request.list, request.jobCount);
        end.printed = walk.m_nPrinted;
        switch (tick) {
        case CPrintWalk::Tick::Printed:
            relay.Reset();
            if (observer) {
                observer->OnStatus(PrintStatusText(walk.m_nPrinted, request.countShown));
                observer->OnProgress({walk.m_nPrinted, request.jobCount, 0,
                                      ProgressPosition(walk.m_nPrinted, request.jobCount),
                                      ProgressUpper(request.jobCount)});
            }
            continue;
        case CPrintWalk::Tick::Finished:
            if (request.finishPauseMs > 0)
                clock.SleepFor(std::chrono::milliseconds(request.finishPauseMs));
            return PrintEnd::Result::Finished;
        case CPrintWalk::Tick::Stopped:
            return PrintEnd::Result::Stopped;
        case CPrintWalk::Tick::Failed:
            return PrintEnd::Result::WriteFailed;
        }
    }
}

} // namespace

PrintEnd RunPrint(const platform::Context& context, const PrintRequest& request,
                  const printer::CancelToken& cancel, RunObserver* observer)
{
    PrintEnd end;
    end.jobCount = request.jobCount;
    WaitRelay relay(observer);
    std::unique_ptr<printer::Link> link = StartRun(context, request.start, {&relay, &cancel}, end.start);
    if (!link) {
        end.failure = end.start.status;
        return end;
    }
    if (end.start.state.nearEnd && observer)
        observer->OnWarning("Paper near end.");
    if (!request.rangeValid) {
        end.result = PrintEnd::Result::RangeRefused;
    } else {
        end.result = Walk(request, *link, cancel, observer, relay, end);
        // A stopped run too is over only once the printer has what was sent.
        if (end.result != PrintEnd::Result::WriteFailed && !link->Drain().Ok())
            end.result = PrintEnd::Result::NotDelivered;
        if (link->LastFailure().code == Code::Cancelled)
            end.result = PrintEnd::Result::GaveUp;
    }
    end.failure = link->LastFailure();
    EndRun(*link);
    return end;
}

} // namespace jobs
