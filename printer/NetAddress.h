#pragma once
// How the program names a network printer. The user types "HOST[:PORT]" (a name, an
// IPv4 address, or an IPv6 address in brackets; port 9100, the raw printing port, when
// left out); the Setup page lists it as "NET:HOST:PORT", the command line takes
// "tcp://HOST[:PORT]", and the profile keeps "HOST:PORT".
#include <cstdint>
#include <string>

namespace printer {

inline constexpr uint16_t kDefaultNetPort = 9100;
inline constexpr char kNetPrefix[] = "NET:";
inline constexpr char kTcpUrlPrefix[] = "tcp://";

struct NetAddress {
    std::string host; // a name or an address; an IPv6 address without its brackets
    uint16_t port = kDefaultNetPort;
    bool operator==(const NetAddress&) const = default;
};

// "HOST[:PORT]". False with a sentence for the user in error when the text is empty
// or malformed (a bare IPv6 address, a port outside 1..65535, blanks, ...).
bool ParseNetAddress(const std::string& text, NetAddress& address, std::string& error);
// "HOST:PORT", an IPv6 address in brackets: what ParseNetAddress reads back.
std::string FormatNetAddress(const NetAddress& address);

// "NET:HOST:PORT", the port list's entry for a network printer.
std::string NetName(const NetAddress& address);
bool IsNetName(const std::string& name);
// Reads a port list entry or a command-line port: "NET:HOST[:PORT]" or
// "tcp://HOST[:PORT]" (prefixes in any letter case). False for other names, and for
// these prefixes with a malformed address (then error says why).
bool ParseNetPortName(const std::string& name, NetAddress& address, std::string& error);
// True when name carries one of the two prefixes, well formed or not.
bool HasNetPrefix(const std::string& name);
// What a user types for a printer: "HOST[:PORT]", or either prefixed form copied from
// the command line or the port list.
bool ParseTypedNetAddress(const std::string& text, NetAddress& address, std::string& error);

} // namespace printer
