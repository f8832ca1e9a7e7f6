#pragma once
// How a print run uses its link: DSR output flow and no write time-out on a serial
// line (a write waits as long as the printer holds the line back, under the stall
// limit), a printer device for writing only, no output file, and half a second for the
// printer's answer to the check.
#include <chrono>

#include "printer/Link.h"

inline constexpr printer::LinkOptions kPrintLink{false, printer::OutputFlow::Dsr, false, false,
                                                 std::chrono::milliseconds(500)};
