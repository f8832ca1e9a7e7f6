#include "keyed/Ledger.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <pwd.h>
#include <sstream>
#include <unistd.h>

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/Text.h"

namespace keyed {
namespace {

constexpr std::time_t kDay = 24 * 60 * 60;
// A ledger holds at most 255 keys and a day of writes: far below this.
constexpr size_t kMaxFileBytes = size_t{1} << 20;
const char* const kHeading =
    "# Bitmap Nivora: what this program stored in one printer's key-coded NV memory.\n";

std::string KeyHex(const std::string& key)
{
    return Format("%02X%02X", static_cast<unsigned char>(key[0]), static_cast<unsigned char>(key[1]));
}

bool KeyFromHex(const std::string& hex, std::string& key)
{
    unsigned first = 0, second = 0;
    char rest = 0;
    if (hex.size() != 4 || std::sscanf(hex.c_str(), "%2X%2X%c", &first, &second, &rest) != 2 || first < 32 ||
        first > 126 || second < 32 || second > 126)
        return false;
    key = {static_cast<char>(first), static_cast<char>(second)};
    return true;
}

bool IsSha256(const std::string& text)
{
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

bool ReadSmallFile(const std::string& path, std::string& text, std::string& why)
{
    const int fd = platform::OpenRegularFile(path);
    if (fd < 0) {
        why = errno == EINVAL ? platform::NotRegularMessage(path) : path + ": " + std::strerror(errno);
        return false;
    }
    char buffer[65536];
    text.clear();
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            break;
        if (n < 0 || text.size() + static_cast<size_t>(n) > kMaxFileBytes) {
            why = n < 0 ? path + ": " + std::strerror(errno) : path + ": too large for a ledger";
            ::close(fd);
            return false;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

} // namespace

bool Ledger::Load(std::string& why)
{
    std::error_code failed;
    if (!std::filesystem::exists(m_path, failed))
        return true;
    std::string text;
    if (!ReadSmallFile(m_path, text, why))
        return false;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    const auto bad = [&](const char* what) {
        why = Format("%s, line %d: %s", m_path.c_str(), number, what);
        return false;
    };
    Ledger read(m_printer, m_path);
    while (std::getline(in, line)) {
        ++number;
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "printer") {
            const std::string name = line.size() > 8 ? line.substr(8) : "";
            if (name != m_printer)
                return bad(("a ledger of another printer, " + name).c_str());
        } else if (word == "used") {
            read.m_keyedUsed = true;
        } else if (word == "write") {
            long long when = 0;
            if (!(words >> when))
                return bad("a write without its time");
            read.m_writes.push_back(static_cast<std::time_t>(when));
        } else if (word == "key") {
            std::string hex, key;
            Entry entry;
            long long bytes = -1, stored = 0;
            if (!(words >> hex >> entry.sha256 >> bytes >> stored) || !KeyFromHex(hex, key) ||
                !IsSha256(entry.sha256) || bytes < 0)
                return bad("not a key, SHA-256, size and time");
            entry.bytes = static_cast<uint64_t>(bytes);
            entry.stored = static_cast<std::time_t>(stored);
            read.m_keys[key] = entry;
        } else {
            return bad("not a line of a ledger");
        }
    }
    std::sort(read.m_writes.begin(), read.m_writes.end());
    *this = std::move(read);
    return true;
}

bool Ledger::Save(std::string& why) const
{
    if (m_path.empty())
        return true;
    std::string text = kHeading;
    text += "printer " + m_printer + "\n";
    if (m_keyedUsed)
        text += "used\n";
    for (const std::time_t when : m_writes)
        text += Format("write %lld\n", static_cast<long long>(when));
    for (const auto& [key, entry] : m_keys)
        text += Format("key %s %s %llu %lld\n", KeyHex(key).c_str(), entry.sha256.c_str(),
                       static_cast<unsigned long long>(entry.bytes), static_cast<long long>(entry.stored));
    std::error_code failed;
    std::filesystem::create_directories(std::filesystem::path(m_path).parent_path(), failed);
    if (failed) {
        why = std::filesystem::path(m_path).parent_path().string() + ": " + failed.message();
        return false;
    }
    return platform::WriteFileAtomically(
        m_path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), why);
}

const Ledger::Entry* Ledger::Find(const std::string& key) const
{
    const auto found = m_keys.find(key);
    return found == m_keys.end() ? nullptr : &found->second;
}

void Ledger::CountWrite(std::time_t now)
{
    std::erase_if(m_writes, [&](std::time_t when) { return when <= now - kDay; });
    m_writes.push_back(now);
}

int Ledger::WritesWithin24h(std::time_t now) const
{
    return static_cast<int>(
        std::count_if(m_writes.begin(), m_writes.end(), [&](std::time_t when) { return when > now - kDay; }));
}

std::string LedgerDir(const char* xdgStateHome, const char* home)
{
    if (xdgStateHome && xdgStateHome[0] == '/')
        return platform::JoinPath(xdgStateHome, "nivora");
    std::string base = home && *home ? home : "";
    if (base.empty())
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
            base = entry->pw_dir;
    return platform::JoinPath(base.empty() ? "/" : base, ".local/state/nivora");
}

std::string LedgerPath(const std::string& dir, const std::string& printer)
{
    std::string name;
    for (const char c : printer) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '.' || c == '-' || c == '_')
            name += c;
        else
            name += Format("%%%02X", byte);
    }
    return platform::JoinPath(dir, name + ".ledger");
}

} // namespace keyed
