#include "jobs/RunMessages.h"

#include "keyed/NvKey.h"
#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "platform/Text.h"

namespace jobs {
namespace {

using platform::MB_ICONEXCLAMATION;

RunMessage Warning(std::string text)
{
    return {std::move(text), MB_ICONEXCLAMATION};
}

// What a start that failed says; the open's text depends on the run.
std::vector<RunMessage> StartMessages(const RunStart& start, const std::string& openFailed,
                                      const char* initFailed)
{
    using Result = RunStart::Result;
    if (start.Cancelled())
        return {}; // the user gave up on a printer still being reached, or taking nothing
    switch (start.result) {
    case Result::NotOpened:
        return {Warning(openFailed)};
    case Result::Blocked:
        return {Warning(start.state.blocking)};
    case Result::CheckNotWritten:
        return {Warning(msg::kWriteToPortFailed)};
    case Result::InitNotWritten:
        return {Warning(initFailed)};
    case Result::Ready:
        break;
    }
    return {};
}

std::string DownloadOpenFailed(const DownloadEnd& end)
{
    if (end.start.parallel || end.deleteAll)
        return msg::kOpenPortFailed;
    std::string text = Format(msg::kOpenPortOrFileFailedFormat, end.start.status.error);
    // An output file that cannot be made is named with the reason.
    if (end.start.toFile && !end.start.status.detail.empty())
        text += "\r\n" + end.start.status.detail;
    return text;
}

} // namespace

std::vector<RunMessage> DownloadMessages(const DownloadEnd& end, const std::string& unstoredProfile)
{
    using Result = DownloadEnd::Result;
    std::vector<RunMessage> messages;
    switch (end.result) {
    case Result::Refused:
        return {Warning(end.refusal)};
    case Result::NotStarted:
        return StartMessages(end.start, DownloadOpenFailed(end), msg::kPrinterCheckFailed);
    case Result::Cancelled:
    case Result::GaveUp:
    case Result::Deleted:
        return {};
    case Result::DeleteFailed:
        return {Warning(msg::kWriteToPortFailed)};
    case Result::DefineFailed:
    case Result::HeaderFailed:
    case Result::NotDelivered:
        return {Warning(msg::kNotTransmitted)};
    case Result::Completed:
        messages.push_back(Warning(msg::kDownloadComplete));
        break;
    case Result::Stopped:
        messages.assign(static_cast<size_t>(end.groupsFailed), Warning(msg::kWriteToPortFailed));
        break;
    }
    if (const std::string empty = EmptyDefinitionsText(end.emptyImages); !empty.empty())
        messages.push_back(Warning(empty));
    if (end.result == Result::Completed && !unstoredProfile.empty())
        messages.push_back(Warning(Format(msg::kProfileNotWrittenFormat, unstoredProfile.c_str())));
    return messages;
}

std::vector<RunMessage> KeyedMessages(const KeyedEnd& end)
{
    if (end.toFile)
        return {Warning("Logos stored by key need a printer that answers: turn \"Print To File\" off, "
                        "or store them all at once (FS q).")};
    if (!end.start.Ready())
        return StartMessages(end.start, msg::kPortOpenFailed, msg::kWriteToPortFailed);
    if (!end.ledgerProblem.empty())
        return {Warning(end.ledgerProblem)};
    const bool done = end.run.outcome == keyed::Outcome::Done;
    return {{KeyedSummary(end.run), done ? platform::MB_OK : MB_ICONEXCLAMATION}};
}

std::string KeyedSummary(const keyed::RunResult& run)
{
    std::vector<std::string> lines;
    if (run.outcome != keyed::Outcome::Done && !run.message.empty())
        lines.push_back(run.message);
    const auto keys = [&lines](const char* label, const std::vector<std::string>& list) {
        if (!list.empty())
            lines.push_back(label + JoinKeys(list) + ".");
    };
    keys("Stored: ", run.stored);
    keys("Already stored: ", run.skipped);
    keys("Deleted: ", run.deleted);
    keys("Printed: ", run.printed);
    for (const auto& [key, why] : run.refused)
        lines.push_back("Refused " + KeyText(key) + ": " + why);
    lines.insert(lines.end(), run.warnings.begin(), run.warnings.end());
    if (run.memoryKnown)
        lines.push_back(keyed::DescribeMemory(run.memory));
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n") + line;
    return text;
}

std::vector<RunMessage> PrintMessages(const PrintEnd& end)
{
    using Result = PrintEnd::Result;
    switch (end.result) {
    case Result::NotStarted:
        return StartMessages(end.start, msg::kPortOpenFailed, msg::kWriteToPortFailed);
    case Result::RangeRefused:
        return {Warning(msg::kRangeError)};
    case Result::WriteFailed:
    case Result::NotDelivered:
        return {Warning(msg::kNotTransmitted)};
    case Result::GaveUp:
    case Result::Stopped:
    case Result::Finished:
        break;
    }
    return {};
}

std::vector<RunMessage> CheckMessages(const CheckEnd& end)
{
    using Result = CheckEnd::Result;
    if (end.Cancelled())
        return {};
    switch (end.result) {
    case Result::NotOpened:
        return {Warning(msg::kPortOpenFailed)};
    case Result::InitNotWritten:
    case Result::RequestNotWritten:
        if (end.waitedWriteFailed)
            return {{msg::kOverlappedWriteFailed, platform::MB_OK}, Warning(msg::kWriteToPortFailed)};
        return {Warning(msg::kWriteToPortFailed)};
    case Result::NotReceived:
        return {Warning(msg::kReceiveFailed)};
    case Result::WrongAnswer:
        return {Warning(msg::kCommFailed)};
    case Result::Opened:
    case Result::Tested:
        break;
    }
    return {};
}

namespace {

std::string PrinterSummary(const CheckEnd& end)
{
    using Result = CheckEnd::Result;
    if (end.Cancelled() || end.result == Result::NotOpened)
        return {};
    const std::string model = end.answer >= 0 ? Format(" Model 0x%02X.", end.answer) : std::string();
    if (end.state.asked && end.state.state.Answered())
        return printer::StateSummary(end.state.state) + model;
    if (end.result == Result::Opened)
        return end.state.asked ? printer::StateSummary(end.state.state) : std::string();
    if (end.answer >= 0)
        return msg::kPrinterAnswered + model;
    return end.state.asked ? printer::StateSummary(end.state.state) : msg::kPrinterDidNotAnswer;
}

} // namespace

std::string CheckSummary(const CheckEnd& end)
{
    std::string summary = PrinterSummary(end);
    if (!end.memoryAsked)
        return summary;
    const std::string memory = end.memory ? keyed::DescribeMemory(*end.memory) : keyed::kNoAnswerText;
    return summary.empty() ? memory : summary + "\n" + memory;
}

} // namespace jobs
