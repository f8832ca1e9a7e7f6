#pragma once
// Looking up a network printer's name without letting a slow resolver hold the run:
// getaddrinfo (or the context's stand-in) runs on a helper thread of its own, and the
// run waits for its answer in slices on the context's clock, ending the wait at once
// when the run is cancelled. The helper finishes in its own time and cleans up after
// itself; nothing it holds belongs to the run any more.
#include <netdb.h>
#include <string>

#include "printer/StallPolicy.h"

namespace printer {

struct LookupResult {
    enum class End { Answered, Cancelled } end = End::Answered;
    int code = 0;              // getaddrinfo's result (0: found)
    int error = 0;             // errno, for EAI_SYSTEM
    addrinfo* found = nullptr; // the caller frees it with freeaddrinfo
};

// The addresses of host:service for a TCP connection. Tells the policy's observer of
// every slice and looks at its cancel token.
LookupResult LookUpName(StallPolicy& policy, const std::string& host, const std::string& service);

} // namespace printer
