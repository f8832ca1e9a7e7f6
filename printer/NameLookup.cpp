#include "printer/NameLookup.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <poll.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace printer {
namespace {

// What the helper and the run share; whoever lets go last frees it. The run closes the
// pipe as soon as it has the answer, so nothing of the lookup stays open after it.
struct Shared {
    int wake[2] = {-1, -1}; // the helper writes a byte when it has the answer
    std::mutex mutex;
    LookupResult result;
    void Close()
    {
        for (int& fd : wake)
            if (fd >= 0)
                ::close(std::exchange(fd, -1));
    }
    ~Shared()
    {
        if (result.found)
            ::freeaddrinfo(result.found);
        Close();
    }
};

LookupResult Resolve(const platform::Context& context, const std::string& host, const std::string& service)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    LookupResult result;
    result.code = context.resolve ? context.resolve(host, service, hints, &result.found)
                                  : ::getaddrinfo(host.c_str(), service.c_str(), &hints, &result.found);
    result.error = errno;
    return result;
}

} // namespace

LookupResult LookUpName(StallPolicy& policy, const std::string& host, const std::string& service)
{
    auto shared = std::make_shared<Shared>();
    if (::pipe2(shared->wake, O_CLOEXEC | O_NONBLOCK) != 0)
        return Resolve(policy.Context(), host, service);
    // The helper keeps a copy of what it needs: the run and its context may be gone
    // before it is done.
    try {
        std::thread([shared, context = policy.Context(), host, service] {
            LookupResult answer = Resolve(context, host, service);
            const std::lock_guard<std::mutex> lock(shared->mutex);
            shared->result = answer;
            [[maybe_unused]] const ssize_t woken = ::write(shared->wake[1], "x", 1);
        }).detach();
    } catch (const std::system_error&) {
        return Resolve(policy.Context(), host, service); // no thread to be had: wait for it here
    }
    policy.Begin(WaitKind::Lookup);
    for (;;) {
        const int revents = policy.Clock().Poll(shared->wake[0], POLLIN, kSlice);
        if (revents > 0) {
            const std::lock_guard<std::mutex> lock(shared->mutex);
            shared->Close();
            return std::exchange(shared->result, LookupResult{});
        }
        if (policy.CancelledNow()) {
            LookupResult cancelled;
            cancelled.end = LookupResult::End::Cancelled;
            return cancelled;
        }
    }
}

} // namespace printer
