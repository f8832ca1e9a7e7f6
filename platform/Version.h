#pragma once
// Which line of systems the program runs on. A few checks were written for two lines
// of the old platform: the consumer line (16-bit kernel underneath) judges the
// printer's answer, every other line only waits for it. Linux belongs to the other
// line; a test's context (Context::platformVersion) puts either value here.
#include <cstdint>

namespace platform {

struct Context;

// The version word in the old packing: major version in the lowest byte, minor in the
// next one, bit 31 set on the consumer line. On Linux it carries the kernel's version
// with bit 31 clear, unless the context answers for the machine.
uint32_t GetVersion(const Context& context);

// Bit 31 set and a major version of 4 or more.
bool IsConsumerLine(uint32_t version);
bool IsConsumerLine(const Context& context);

} // namespace platform
