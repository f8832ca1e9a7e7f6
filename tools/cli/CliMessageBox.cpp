#include "tools/cli/CliMessageBox.h"

#include <cstdio>

#include "tools/cli/Printable.h"

namespace cli {

CliMessageBox::CliMessageBox()
{
    platform::SetMessageBoxHandler(this);
}

CliMessageBox::~CliMessageBox()
{
    platform::SetMessageBoxHandler(nullptr);
}

int CliMessageBox::Show(const std::string& text, unsigned flags, const std::string&)
{
    ++m_shown;
    // The boxes break their lines with CR LF; a terminal wants LF alone.
    std::string lines;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            lines += text[i];
    lines = Printable(lines, true);
    if (m_subject.empty())
        std::fprintf(stderr, "nivora-cli: %s\n", lines.c_str());
    else
        std::fprintf(stderr, "nivora-cli: %s: %s\n", Printable(m_subject).c_str(), lines.c_str());
    return (flags & platform::MB_TYPEMASK) == platform::MB_YESNO ? platform::IDNO : platform::IDOK;
}

} // namespace cli
