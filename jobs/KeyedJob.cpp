#include "jobs/KeyedJob.h"

#include "keyed/LedgerName.h"
#include "keyed/LinkChannel.h"

namespace jobs {
namespace {

// The run's progress as status lines and a bar by logo.
void Tell(RunObserver& observer, const keyed::Progress& progress)
{
    observer.OnStatus(keyed::DescribeProgress(progress));
    if (progress.step == keyed::Step::Sending && progress.count > 0)
        observer.OnProgress({progress.index - 1, progress.count, 0, progress.index - 1, progress.count});
    else if (progress.step == keyed::Step::Verifying)
        observer.OnProgress({progress.count, progress.count, 0, 1, 1});
}

void Run(const platform::Context& context, const KeyedRequest& request, printer::Link& link,
         const printer::CancelToken& cancel, RunObserver* observer, WaitRelay& relay, KeyedEnd& end)
{
    keyed::Ledger ledger;
    if (request.action == KeyedAction::Store || request.action == KeyedAction::Delete) {
        if (std::string why; !keyed::LoadLedger(context, link, request.start.port.m_strPortDevice,
                                                request.ledgerDir, ledger, why)) {
            end.ledgerProblem = "The ledger of this printer cannot be read: " + why;
            return;
        }
    }
    keyed::LinkChannel channel(link, {&relay, &cancel});
    keyed::RunContext run(channel, link.Policy().Clock(), cancel);
    run.limits.busyLimit = request.busyLimit;
    if (observer) {
        run.progress = [observer](const keyed::Progress& progress) { Tell(*observer, progress); };
        run.ask = [observer](keyed::Question, const std::string& text) { return observer->OnQuestion(text); };
    }
    end.ran = true;
    switch (request.action) {
    case KeyedAction::Ask:
        end.run = keyed::AskMemory(run);
        break;
    case KeyedAction::Store:
        end.run = keyed::SyncKeys(run, request.logos, ledger, {false, false, request.storeAll}).run;
        break;
    case KeyedAction::Delete:
        end.run = keyed::DeleteKeys(run, request.keys, request.all, ledger);
        break;
    case KeyedAction::Print:
        end.run = keyed::PrintKeys(run, request.keys, request.printMode);
        break;
    }
}

} // namespace

KeyedEnd RunKeyed(const platform::Context& context, const KeyedRequest& request,
                  const printer::CancelToken& cancel, RunObserver* observer)
{
    KeyedEnd end;
    if (WritesToFile(request.start.port)) {
        end.toFile = true;
        return end;
    }
    WaitRelay relay(observer);
    std::unique_ptr<printer::Link> link = StartRun(context, request.start, {&relay, &cancel}, end.start);
    if (!link)
        return end;
    if (observer) {
        observer->OnTransfer();
        if (end.start.state.nearEnd)
            observer->OnWarning("Paper near end.");
    }
    Run(context, request, *link, cancel, observer, relay, end);
    const printer::LinkStatus closed = EndRun(*link);
    // Prints are done only once the printer has them; what was stored was verified already.
    if (request.action == KeyedAction::Print && end.run.outcome == keyed::Outcome::Done && !closed.Ok()) {
        end.run.outcome = keyed::Outcome::Failed;
        end.run.message = "The prints did not all reach the printer: " + closed.Describe();
    }
    return end;
}

} // namespace jobs
