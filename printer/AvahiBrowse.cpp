// The Avahi side of network printer discovery: a client of the daemon on a poll loop
// of our own, run in short slices until the time is up or the daemon has said all.
#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-common/error.h>
#include <avahi-common/simple-watch.h>
#include <net/if.h>

#include "printer/NetDiscovery.h"

namespace printer {
namespace {

constexpr int kSliceMs = 20; // how late the deadline may be noticed

struct Browse {
    DiscoveryOutcome outcome;
    int resolving = 0;      // resolvers still out
    bool allForNow = false; // the daemon has reported what its cache holds
};

std::string InterfaceName(AvahiIfIndex index)
{
    char name[IF_NAMESIZE] = {};
    return index > 0 && if_indextoname(static_cast<unsigned>(index), name) ? name : "";
}

void OnResolved(AvahiServiceResolver* resolver, AvahiIfIndex interface, AvahiProtocol,
                AvahiResolverEvent event, const char* name, const char*, const char*, const char* hostName,
                const AvahiAddress* address, uint16_t port, AvahiStringList*, AvahiLookupResultFlags,
                void* data)
{
    auto* browse = static_cast<Browse*>(data);
    if (event == AVAHI_RESOLVER_FOUND && address) {
        char text[AVAHI_ADDRESS_STR_MAX] = {};
        avahi_address_snprint(text, sizeof text, address);
        browse->outcome.services.push_back({name ? name : "", hostName ? hostName : "", text,
                                            address->proto == AVAHI_PROTO_INET6, InterfaceName(interface),
                                            port});
    }
    --browse->resolving;
    avahi_service_resolver_free(resolver);
}

void OnBrowsed(AvahiServiceBrowser* browser, AvahiIfIndex interface, AvahiProtocol protocol,
               AvahiBrowserEvent event, const char* name, const char* type, const char* domain,
               AvahiLookupResultFlags, void* data)
{
    auto* browse = static_cast<Browse*>(data);
    switch (event) {
    case AVAHI_BROWSER_NEW:
        if (avahi_service_resolver_new(avahi_service_browser_get_client(browser), interface, protocol, name,
                                       type, domain, AVAHI_PROTO_UNSPEC, static_cast<AvahiLookupFlags>(0),
                                       OnResolved, browse))
            ++browse->resolving;
        break;
    case AVAHI_BROWSER_ALL_FOR_NOW:
        browse->allForNow = true;
        break;
    case AVAHI_BROWSER_FAILURE:
        browse->outcome.status = DiscoveryOutcome::Status::Failed;
        browse->outcome.error = avahi_strerror(avahi_client_errno(avahi_service_browser_get_client(browser)));
        break;
    default:
        break;
    }
}

void Run(AvahiSimplePoll* poll, Browse& browse, std::chrono::milliseconds within)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + within;
    while (browse.outcome.status == DiscoveryOutcome::Status::Done && Clock::now() < deadline &&
           !(browse.allForNow && browse.resolving == 0)) {
        if (avahi_simple_poll_iterate(poll, kSliceMs) != 0)
            break;
    }
}

} // namespace

DiscoveryOutcome BrowseRawPrinters(std::chrono::milliseconds within)
{
    Browse browse;
    AvahiSimplePoll* poll = avahi_simple_poll_new();
    if (!poll) {
        browse.outcome.status = DiscoveryOutcome::Status::Failed;
        browse.outcome.error = "out of memory";
        return browse.outcome;
    }
    int error = 0;
    // Without AVAHI_CLIENT_NO_FAIL a missing daemon is an error at once, not a wait.
    AvahiClient* client = avahi_client_new(avahi_simple_poll_get(poll), static_cast<AvahiClientFlags>(0),
                                           nullptr, nullptr, &error);
    if (!client) {
        const bool missing = error == AVAHI_ERR_NO_DAEMON || error == AVAHI_ERR_DBUS_ERROR;
        browse.outcome.status =
            missing ? DiscoveryOutcome::Status::NoDaemon : DiscoveryOutcome::Status::Failed;
        browse.outcome.error = avahi_strerror(error);
    } else {
        AvahiServiceBrowser* browser =
            avahi_service_browser_new(client, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, kRawPrintingService,
                                      nullptr, static_cast<AvahiLookupFlags>(0), OnBrowsed, &browse);
        if (!browser) {
            browse.outcome.status = DiscoveryOutcome::Status::Failed;
            browse.outcome.error = avahi_strerror(avahi_client_errno(client));
        } else {
            Run(poll, browse, within);
        }
        // Freeing the client frees its browser and the resolvers still out.
        avahi_client_free(client);
    }
    avahi_simple_poll_free(poll);
    return browse.outcome;
}

} // namespace printer
