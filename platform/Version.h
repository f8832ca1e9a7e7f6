#pragma once
// Which line of systems the program runs on. A few checks were written for two lines
// of the old platform: the consumer line (16-bit kernel underneath) judges the
// printer's answer, every other line only waits for it. Linux belongs to the other
// line; tests put either value here to exercise both ways.
#include <cstdint>
#include <optional>

namespace platform {

// The version word in the old packing: major version in the lowest byte, minor in the
// next one, bit 31 set on the consumer line. On Linux it carries the kernel's version
// with bit 31 clear.
uint32_t GetVersion();

// Bit 31 set and a major version of 4 or more.
bool IsConsumerLine(uint32_t version);
bool IsConsumerLine();

// Replaces what GetVersion returns; nullopt restores the real value.
void SetVersionForTesting(std::optional<uint32_t> version);

} // namespace platform
