#pragma once
// Names the user gave (file names, ports, printer lists) as the terminal may show them:
// a control character in a name would otherwise reach the terminal raw, where an
// escape sequence moves the cursor, recolours or rewrites what the user sees.
#include <string>

namespace cli {

// text with every control character (below 0x20, and DEL) written as \xHH and every
// backslash doubled; anything else, UTF-8 included, as it is. A message of many lines
// keeps its line ends when keepLineEnds is set.
std::string Printable(const std::string& text, bool keepLineEnds = false);

} // namespace cli
