#include "printer/NetAddress.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <strings.h>

namespace printer {
namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix)
{
    const size_t length = std::char_traits<char>::length(prefix);
    return text.size() >= length && ::strncasecmp(text.c_str(), prefix, length) == 0;
}

// Letters, digits, '-', '_' and '.': host names and IPv4 addresses (resolution decides
// whether the name exists).
bool IsHostName(const std::string& host)
{
    return !host.empty() && host.front() != '.' && host.front() != '-' &&
           std::all_of(host.begin(), host.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.';
           });
}

// An IPv6 address, optionally with a zone ("fe80::1%eth0").
bool IsIpv6(const std::string& host)
{
    const std::string address = host.substr(0, host.find('%'));
    const std::string zone = host.size() > address.size() ? host.substr(address.size() + 1) : "";
    if (host.size() > address.size() && (zone.empty() || !IsHostName(zone)))
        return false;
    in6_addr parsed{};
    return ::inet_pton(AF_INET6, address.c_str(), &parsed) == 1;
}

bool ParsePort(const std::string& text, uint16_t& port)
{
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const int value = std::stoi(text);
    if (value < 1 || value > 65535)
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

} // namespace

bool ParseNetAddress(const std::string& text, NetAddress& address, std::string& error)
{
    if (text.empty()) {
        error = "The printer address is empty.";
        return false;
    }
    std::string host = text;
    std::string port;
    bool hasPort = false;
    if (text.front() == '[') {
        const size_t close = text.find(']');
        const std::string after = close == std::string::npos ? "" : text.substr(close + 1);
        if (close == std::string::npos || (!after.empty() && after.front() != ':')) {
            error = "An IPv6 address goes in brackets, followed by nothing or by :PORT: [fe80::1]:9100.";
            return false;
        }
        host = text.substr(1, close - 1);
        hasPort = !after.empty();
        port = hasPort ? after.substr(1) : "";
        if (!IsIpv6(host)) {
            error = "'" + host + "' is no IPv6 address.";
            return false;
        }
    } else {
        const size_t colon = text.find(':');
        if (colon != std::string::npos && text.find(':', colon + 1) != std::string::npos) {
            error = "An IPv6 address goes in brackets: [" + text + "] or [" + text + "]:9100.";
            return false;
        }
        hasPort = colon != std::string::npos;
        host = text.substr(0, colon);
        port = hasPort ? text.substr(colon + 1) : "";
        if (!IsHostName(host)) {
            error = host.empty() ? "The host name is missing before the ':'."
                                 : "'" + host + "' is no host name or IPv4 address.";
            return false;
        }
    }
    NetAddress parsed{host, kDefaultNetPort};
    if (hasPort && !ParsePort(port, parsed.port)) {
        error = "The port must be a number from 1 to 65535, not '" + port + "'.";
        return false;
    }
    address = parsed;
    return true;
}

std::string FormatNetAddress(const NetAddress& address)
{
    const bool v6 = address.host.find(':') != std::string::npos;
    return (v6 ? "[" + address.host + "]" : address.host) + ":" + std::to_string(address.port);
}

std::string NetName(const NetAddress& address)
{
    return kNetPrefix + FormatNetAddress(address);
}

bool HasNetPrefix(const std::string& name)
{
    return StartsWithNoCase(name, kNetPrefix) || StartsWithNoCase(name, kTcpUrlPrefix);
}

bool IsNetName(const std::string& name)
{
    return StartsWithNoCase(name, kNetPrefix);
}

bool ParseNetPortName(const std::string& name, NetAddress& address, std::string& error)
{
    for (const char* prefix : {kNetPrefix, kTcpUrlPrefix})
        if (StartsWithNoCase(name, prefix))
            return ParseNetAddress(name.substr(std::char_traits<char>::length(prefix)), address, error);
    error = "'" + name + "' names no network printer.";
    return false;
}

bool ParseTypedNetAddress(const std::string& text, NetAddress& address, std::string& error)
{
    return HasNetPrefix(text) ? ParseNetPortName(text, address, error)
                              : ParseNetAddress(text, address, error);
}

} // namespace printer
