#include "ui/KeyedRequest.h"

#include <cstdlib>

#include "app/Session.h"
#include "keyed/Ledger.h"

jobs::KeyedRequest KeyedRequestFor(const Session& session, jobs::KeyedAction action)
{
    jobs::KeyedRequest request;
    request.action = action;
    request.start.port = session.m_settings;
    request.start.askState = session.m_kept.askState ? printer::AskState::Always : printer::AskState::ByPort;
    request.ledgerDir = keyed::LedgerDir(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
    return request;
}
