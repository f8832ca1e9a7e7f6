#pragma once
// The program's own limit on a printer that takes nothing. Whatever a port's other
// time-outs allow, a write, a wait for DSR or the drain before a close fails when not
// one byte has moved for this long: a printer out of paper holds its line (or its TCP
// window) shut for ever, and nothing the user runs may wait for ever.
#include <chrono>

namespace printer {

inline constexpr std::chrono::milliseconds kDefaultStallTimeout{30000};

// The limit in force for every port of this process (the CLI's --stall-timeout sets
// it; tests shorten it).
std::chrono::milliseconds StallTimeout();
void SetStallTimeout(std::chrono::milliseconds timeout);

} // namespace printer
