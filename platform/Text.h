#pragma once
// printf-style formatting and the C library's decimal conversion, as the program's
// texts are built and read back with them ("%3d", "%15d", atoi).
#include <string>

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// atoi without its undefined behaviour: skips leading white space, takes an optional
// sign and the digits that follow, stops at the first other character, and clamps a
// value outside int to INT_MIN / INT_MAX. A text without digits gives 0.
int Atoi(const std::string& text);
