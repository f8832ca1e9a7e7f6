#include "logo/PrivateProfile.h"

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <strings.h>
#include <unistd.h>

namespace {

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool SameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && ::strcasecmp(a.c_str(), b.c_str()) == 0;
}

std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// "[name]" gives name; anything else gives nothing.
bool SectionName(const std::string& line, std::string& name)
{
    const std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[')
        return false;
    const auto close = t.find(']');
    if (close == std::string::npos)
        return false;
    name = Trim(t.substr(1, close - 1));
    return true;
}

// "key=value" gives both; comments and other lines give nothing.
bool KeyLine(const std::string& line, std::string& key, std::string& value)
{
    const std::string t = Trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '#')
        return false;
    const auto eq = line.find('=');
    if (eq == std::string::npos)
        return false;
    key = Trim(line.substr(0, eq));
    value = line.substr(eq + 1);
    const auto first = value.find_first_not_of(" \t");
    value = first == std::string::npos ? std::string{} : value.substr(first);
    return true;
}

}  // namespace

PrivateProfile::PrivateProfile(std::string path) : m_path(std::move(path)) {}

std::string PrivateProfile::GetProfileString(const std::string& section, const std::string& key,
                                             const std::string& defaultValue) const
{
    bool inSection = false;
    for (const std::string& line : ReadLines(m_path)) {
        std::string name, k, v;
        if (SectionName(line, name))
            inSection = SameName(name, section);
        else if (inSection && KeyLine(line, k, v) && SameName(k, key))
            return v;
    }
    return defaultValue;
}

bool PrivateProfile::WriteProfileString(const std::string& section, const std::string& key,
                                        const std::optional<std::string>& value)
{
    return WriteProfileStrings(section, {{key, value}});
}

bool PrivateProfile::WriteProfileStrings(const std::string& section,
                                         const std::vector<KeyValue>& entries)
{
    std::vector<std::string> lines = ReadLines(m_path);

    for (const auto& [key, value] : entries) {
        // Find the section (the first of that name) and the key inside it.
        bool inSection = false;
        size_t sectionLine = lines.size(), endOfSection = lines.size(), keyLine = lines.size();
        std::string storedKey;  // the key as the file spells it
        for (size_t i = 0; i < lines.size(); ++i) {
            std::string name, k, v;
            if (SectionName(lines[i], name)) {
                if (inSection) {
                    endOfSection = i;
                    break;
                }
                if (sectionLine == lines.size() && SameName(name, section)) {
                    inSection = true;
                    sectionLine = i;
                }
            } else if (inSection && keyLine == lines.size() && KeyLine(lines[i], k, v) &&
                       SameName(k, key)) {
                keyLine = i;
                storedKey = k;
            }
        }
        if (keyLine != lines.size()) {
            if (value)
                lines[keyLine] = storedKey + "=" + *value;
            else
                lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(keyLine));
            continue;
        }
        if (!value)
            continue;
        if (sectionLine == lines.size()) {
            lines.push_back("[" + section + "]");
            lines.push_back(key + "=" + *value);
            continue;
        }
        // Append after the section's last non-empty line.
        size_t at = endOfSection;
        while (at > sectionLine + 1 && Trim(lines[at - 1]).empty())
            --at;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), key + "=" + *value);
    }

    std::ostringstream text;
    for (const std::string& line : lines)
        text << line << "\r\n";
    const std::string content = text.str();

    const std::string temp = m_path + ".tmp" + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    size_t written = 0;
    while (written < content.size()) {
        const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
        if (n <= 0)
            break;
        written += static_cast<size_t>(n);
    }
    const bool ok = written == content.size() && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !ok) {
        ::unlink(temp.c_str());
        return false;
    }
    const int renamed = m_rename ? m_rename(temp.c_str(), m_path.c_str())
                                 : std::rename(temp.c_str(), m_path.c_str());
    if (renamed != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}
