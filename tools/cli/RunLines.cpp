#include "tools/cli/RunLines.h"

#include <cstdio>

#include "tools/cli/Printable.h"

namespace cli {

void PrintRunMessages(const std::vector<jobs::RunMessage>& messages, const std::string& subject)
{
    for (const jobs::RunMessage& message : messages) {
        // The boxes break their lines with CR LF; a terminal wants LF alone.
        std::string lines;
        const std::string& text = message.text;
        for (size_t i = 0; i < text.size(); ++i)
            if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
                lines += text[i];
        lines = Printable(lines, true);
        if (subject.empty())
            std::fprintf(stderr, "nivora-cli: %s\n", lines.c_str());
        else
            std::fprintf(stderr, "nivora-cli: %s: %s\n", Printable(subject).c_str(), lines.c_str());
    }
}

std::string JoinRunMessages(const std::vector<jobs::RunMessage>& messages)
{
    std::string joined;
    for (const jobs::RunMessage& message : messages) {
        std::string line;
        for (const char c : message.text)
            if (c != '\r')
                line += c == '\n' ? ' ' : c;
        joined += (joined.empty() ? "" : "; ") + Printable(line);
    }
    return joined;
}

std::string WithMessages(std::string reason, const std::vector<jobs::RunMessage>& messages)
{
    const std::string joined = JoinRunMessages(messages);
    if (!joined.empty())
        reason += (reason.empty() ? "" : "; ") + joined;
    return reason;
}

} // namespace cli
