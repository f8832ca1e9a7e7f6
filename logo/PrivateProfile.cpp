#include "logo/PrivateProfile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sstream>
#include <string_view>
#include <sys/stat.h>
#include <strings.h>
#include <unistd.h>

#include "logo/ProfileTempFiles.h"
#include "platform/AtomicFile.h"
#include "platform/RegularFile.h"

namespace {

std::string_view Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// The whole file in one read (a missing file reads as empty). Start-up reads one key
// after another, so each read must be cheap: no stream, no string per line. False when
// the file exists but cannot be read (no permission, not a regular file, a read error).
bool ReadText(const std::string& path, std::string& text)
{
    text.clear();
    const int fd = platform::OpenRegularFile(path);
    if (fd < 0)
        return errno == ENOENT;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0)
        text.reserve(static_cast<size_t>(st.st_size));
    char buffer[16384];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n >= 0;
        if (n <= 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return ok;
}

std::string ReadText(const std::string& path)
{
    std::string text;
    ReadText(path, text);
    return text;
}

// Splits text into lines at '\n', each without its '\r'; false when none is left.
bool NextLine(std::string_view& rest, std::string_view& line)
{
    if (rest.empty())
        return false;
    const auto end = rest.find('\n');
    line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return true;
}

bool ReadLines(const std::string& path, std::vector<std::string>& lines)
{
    std::string text;
    if (!ReadText(path, text))
        return false;
    std::string_view rest = text, line;
    while (NextLine(rest, line))
        lines.emplace_back(line);
    return true;
}

// A line break in a name or value would end its line early and start another key.
bool FitsOneLine(const std::string& text)
{
    return text.find_first_of("\r\n") == std::string::npos;
}

// "[name]" gives name; anything else gives nothing.
bool SectionName(std::string_view line, std::string_view& name)
{
    const std::string_view t = Trim(line);
    if (t.size() < 2 || t.front() != '[')
        return false;
    const auto close = t.find(']');
    if (close == std::string_view::npos)
        return false;
    name = Trim(t.substr(1, close - 1));
    return true;
}

// "key=value" gives both; comments and other lines give nothing.
bool KeyLine(std::string_view line, std::string_view& key, std::string_view& value)
{
    const std::string_view t = Trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '#')
        return false;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos)
        return false;
    key = Trim(line.substr(0, eq));
    value = line.substr(eq + 1);
    const auto first = value.find_first_not_of(" \t");
    value = first == std::string_view::npos ? std::string_view{} : value.substr(first);
    return true;
}

} // namespace

PrivateProfile::PrivateProfile(std::string path) : m_path(std::move(path))
{
}

std::string PrivateProfile::GetProfileString(const std::string& section, const std::string& key,
                                             const std::string& defaultValue) const
{
    // The first entry of that name, as the section lists them.
    for (const Entry& entry : GetProfileSection(section))
        if (SameName(entry.first, key))
            return entry.second;
    return defaultValue;
}

std::vector<PrivateProfile::Entry> PrivateProfile::GetProfileSection(const std::string& section) const
{
    const std::string text = ReadText(m_path);
    std::vector<Entry> entries;
    std::string_view rest = text, line;
    bool inSection = false;
    while (NextLine(rest, line)) {
        std::string_view name, k, v;
        if (SectionName(line, name))
            inSection = SameName(name, section);
        else if (inSection && KeyLine(line, k, v))
            entries.emplace_back(k, v);
    }
    return entries;
}

bool PrivateProfile::WriteProfileString(const std::string& section, const std::string& key,
                                        const std::optional<std::string>& value)
{
    return WriteProfileStrings(section, {{key, value}});
}

namespace {

// Where a key stands in the lines of a profile: its section's header line, the line
// that ends the section, the key's line (each lines.size() when there is none) and the
// key as the file spells it.
struct KeyPlace {
    size_t sectionLine, endOfSection, keyLine;
    std::string storedKey;
};

KeyPlace FindKey(const std::vector<std::string>& lines, const std::string& section, const std::string& key)
{
    KeyPlace place{lines.size(), lines.size(), lines.size(), {}};
    bool inSection = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view name, k, v;
        if (SectionName(lines[i], name)) {
            if (inSection) {
                place.endOfSection = i;
                break;
            }
            // The first section of that name is the one.
            if (place.sectionLine == lines.size() && SameName(name, section)) {
                inSection = true;
                place.sectionLine = i;
            }
        } else if (inSection && place.keyLine == lines.size() && KeyLine(lines[i], k, v) &&
                   SameName(k, key)) {
            place.keyLine = i;
            place.storedKey = std::string(k);
        }
    }
    return place;
}

// Sets (or, without a value, deletes) one key in the lines of a profile.
void SetKey(std::vector<std::string>& lines, const std::string& section, const std::string& key,
            const std::optional<std::string>& value)
{
    const KeyPlace place = FindKey(lines, section, key);
    if (place.keyLine != lines.size()) {
        if (value)
            lines[place.keyLine] = place.storedKey + "=" + *value;
        else
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(place.keyLine));
        return;
    }
    if (!value)
        return;
    if (place.sectionLine == lines.size()) {
        lines.push_back("[" + section + "]");
        lines.push_back(key + "=" + *value);
        return;
    }
    // Append after the section's last non-empty line.
    size_t at = place.endOfSection;
    while (at > place.sectionLine + 1 && Trim(lines[at - 1]).empty())
        --at;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), key + "=" + *value);
}

} // namespace

bool PrivateProfile::ReplaceFile(const std::string& content) const
{
    // A new file made exclusively (a link planted at its name is never followed),
    // renamed over the profile once it is on disk.
    platform::OutputFile file;
    std::string error;
    if (!file.Open(m_path, error, TempFileFor(m_path) + ".") ||
        !file.Write({reinterpret_cast<const uint8_t*>(content.data()), content.size()}) ||
        !file.Commit(error))
        return false;
    RemoveStaleTempFiles(m_path);
    return true;
}

bool PrivateProfile::Readable() const
{
    std::string text;
    return ReadText(m_path, text);
}

bool PrivateProfile::WriteProfileStrings(const std::string& section, const std::vector<KeyValue>& entries)
{
    // A file that exists but cannot be read is never replaced: its other sections
    // would be lost.
    std::vector<std::string> lines;
    if (!ReadLines(m_path, lines))
        return false;
    for (const auto& [key, value] : entries)
        if (!FitsOneLine(section) || !FitsOneLine(key) || (value && !FitsOneLine(*value)))
            return false;
    for (const auto& [key, value] : entries)
        SetKey(lines, section, key, value);
    std::ostringstream text;
    for (const std::string& line : lines)
        text << line << "\r\n";
    return ReplaceFile(text.str());
}
