#pragma once
// A key-coded job (jobs/KeyedJob.h) on the printer of the session's settings, as the
// window's pages and dialogs start one: the committed port, the state asked as the
// Setup page chose, the ledgers in the user's state folder.
//
// Window thread only (it reads the session).
#include "jobs/KeyedJob.h"

class Session;

jobs::KeyedRequest KeyedRequestFor(const Session& session, jobs::KeyedAction action);
