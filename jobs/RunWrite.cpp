#include "jobs/RunWrite.h"

namespace jobs {
namespace {

// The trace lines of one writer; each starts with its prefix.
struct WriteTraces {
    const char* prefix;
    const char* failed;
    const char* pending;
    bool reportShortCount;
};
constexpr WriteTraces kPageTraces{"[VARNEX] WriteBuffer()", "-WriteFile failed.\r\n", "-Write is pending",
                                  false};
constexpr WriteTraces kProgressTraces{"[VARNEX] CPrograss::WriteBuffer()", "-WriteFile failed\r\n",
                                      "-Write is pending\r\n", true};

printer::Link::Written TracedWrite(const platform::Context& context, printer::Link& link,
                                   std::span<const uint8_t> bytes, const WriteTraces& traces)
{
    context.Trace("%s-Issue write\r\n", traces.prefix);
    const printer::Link::Written written = link.Write(bytes);
    if (!written.waited) {
        if (!written.Complete(bytes.size()))
            context.Trace("%s%s", traces.prefix, traces.failed);
        return written;
    }
    context.Trace("%s%s", traces.prefix, traces.pending);
    context.Trace("%s-Event fired![%d]\r\n", traces.prefix, 0);
    if (traces.reportShortCount && written.bytes != bytes.size())
        context.Trace("%s-IO Pending [%ld/%ld]\r\n", traces.prefix, static_cast<long>(written.bytes),
                      static_cast<long>(bytes.size()));
    return written;
}

} // namespace

printer::Link::Written RunWrite(printer::Link& link, std::span<const uint8_t> bytes, WriteTrace trace,
                                const std::string& device)
{
    const platform::Context& context = link.Policy().Context();
    switch (trace) {
    case WriteTrace::Page:
        context.Trace("%s\r\n", kPageTraces.prefix);
        if (link.GetKind() != printer::Link::Kind::File)
            return TracedWrite(context, link, bytes, kPageTraces);
        break;
    case WriteTrace::Progress:
        context.Trace("%s\r\n", kProgressTraces.prefix);
        if (device.compare(0, 3, "COM") == 0 || device.compare(0, 3, "LPT") == 0)
            return TracedWrite(context, link, bytes, kProgressTraces);
        break;
    case WriteTrace::None:
        break;
    }
    return link.Write(bytes);
}

} // namespace jobs
