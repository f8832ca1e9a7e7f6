#include "keyed/PrinterSurvey.h"

#include "keyed/KeyedRuns.h"
#include "keyed/LinkChannel.h"
#include "printer/StateQuery.h"

namespace keyed {

Survey SurveyPrinter(printer::Link& link, const SurveyOptions& options)
{
    platform::Clock& clock = link.Policy().Clock();
    const platform::Clock::TimePoint start = clock.Now();
    Survey survey;
    const auto cancelled = [&link] { return link.Policy().CancelRequested(); };
    const auto finish = [&] {
        survey.took = std::chrono::duration_cast<std::chrono::milliseconds>(clock.Now() - start);
        return survey;
    };
    survey.state = printer::AskPrinterState(link, options.answerWait);
    if (cancelled() || (survey.state.Answered() && survey.state.offline))
        return finish();
    survey.model = printer::AskModelId(link, options.answerWait);
    if (cancelled() || !survey.Answered() || !options.memory)
        return finish();
    const printer::CancelToken* token = link.Policy().Supervision().cancel;
    const std::atomic<bool> never{false};
    LinkChannel channel(link, link.Policy().Supervision());
    RunContext context(channel, clock, token ? *token : never);
    context.limits.replyDeadline = options.replyDeadline;
    const RunResult asked = AskMemory(context);
    if (asked.outcome == Outcome::Done)
        survey.memory = asked.memory;
    return finish();
}

} // namespace keyed
