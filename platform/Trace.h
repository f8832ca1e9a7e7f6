#pragma once
// Diagnostic trace lines. The shipped program discards them; tests may capture them.
#include <functional>
#include <string>

namespace platform {

using TraceHook = std::function<void(const std::string&)>;

void SetTraceHook(TraceHook hook); // an empty hook discards
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace platform
