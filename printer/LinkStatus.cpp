#include "printer/LinkStatus.h"

#include <cstdio>
#include <cstring>

namespace printer {

std::string SecondsText(long long milliseconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g s", static_cast<double>(milliseconds) / 1000.0);
    return text;
}

LinkStatus LinkStatus::FromErrno(int error, std::string device)
{
    LinkStatus status;
    status.error = error;
    status.device = std::move(device);
    switch (error) {
    case 0:
        status.code = Code::Ok;
        break;
    case EBUSY:
    case EWOULDBLOCK:
        status.code = Code::Locked;
        break;
    case EACCES:
    case EPERM:
        status.code = Code::Permission;
        break;
    case ENOENT:
        status.code = Code::NotFound;
        break;
    case kUnknownHostError:
        status.code = Code::UnknownHost;
        break;
    case ECONNREFUSED:
        status.code = Code::Refused;
        break;
    case ECANCELED:
        status.code = Code::Cancelled;
        break;
    case ENODEV:
    case EIO:
    case EPIPE:
    case ECONNRESET:
        status.code = Code::Gone;
        break;
    default:
        status.code = Code::Failed;
        break;
    }
    return status;
}

std::string LinkStatus::Describe() const
{
    const std::string more = detail.empty() ? std::string() : " (" + detail + ")";
    switch (code) {
    case Code::Ok:
        return {};
    case Code::Stalled:
        return "the printer took nothing for " + detail +
               (printerState.empty() ? std::string() : " (" + printerState + ")");
    case Code::Cancelled:
        return "cancelled while the printer took nothing" +
               (printerState.empty() ? std::string() : " (" + printerState + ")");
    case Code::TimedOut:
        return "the printer took nothing within the write time-out";
    case Code::Gone:
        if (error == ENODEV)
            return "the printer was taken by another program (a print spooler?)";
        if (error == ECONNRESET)
            return "connection reset by the printer";
        if (error == EPIPE)
            return "the printer closed the connection";
        return std::string("the line hung up (") + std::strerror(error) + ")";
    case Code::Locked:
        return "in use by another program" + more;
    case Code::Permission:
        return std::strerror(error);
    case Code::UnknownHost:
        return "unknown host";
    case Code::Refused:
        return "connection refused";
    case Code::NoAnswer:
        return "no answer" + (detail.empty() ? std::string() : " within " + detail) + " (time-out)";
    case Code::Failed:
        if (!detail.empty())
            return detail;
        break;
    case Code::NotFound:
        break;
    }
    return std::strerror(error);
}

} // namespace printer
