#include "tools/cli/Printable.h"

#include <cstdio>

namespace cli {

std::string Printable(const std::string& text, bool keepLineEnds)
{
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 || byte == 0x7F) && !(keepLineEnds && c == '\n')) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        } else if (c == '\\') {
            shown += "\\\\";
        } else {
            shown += c;
        }
    }
    return shown;
}

} // namespace cli
