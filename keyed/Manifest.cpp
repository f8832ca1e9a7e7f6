#include "keyed/Manifest.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <unistd.h>

#include "keyed/NvKey.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/Text.h"

namespace keyed {
namespace {

constexpr size_t kMaxManifestBytes = size_t{1} << 20;

// Splits a line into words: white space between them, a double-quoted word may hold
// spaces, '#' at the start of a word ends the line. False for an open quote.
bool Words(const std::string& line, std::vector<std::string>& words)
{
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
            ++i;
            continue;
        }
        if (line[i] == '#')
            break;
        std::string word;
        if (line[i] == '"') {
            const size_t end = line.find('"', i + 1);
            if (end == std::string::npos)
                return false;
            word = line.substr(i + 1, end - i - 1);
            i = end + 1;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
                word += line[i++];
        }
        words.push_back(std::move(word));
    }
    return true;
}

// Reads one option word into conversion, or an adjustment's word into adjustWords;
// "" when it is fine, else the reason.
std::string Option(const std::string& word, NvConversion& conversion, std::string& adjustWords)
{
    const std::string name = word.substr(0, word.find('='));
    if (const char* values = AdjustmentValues(name)) {
        if (!Adjustments::Parse(word))
            return *values ? name + "= takes " + values + ", not \"" + word.substr(word.find('=') + 1) + "\""
                           : name + " takes no value";
        adjustWords += word + " ";
        return "";
    }
    if (word == "centre") {
        conversion.centre = true;
        return "";
    }
    if (word.rfind("threshold=", 0) == 0) {
        const std::string value = word.substr(10);
        if (value.empty() || value.size() > 3 || value.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(value) > 255)
            return "threshold= takes 0 to 255, not \"" + value + "\"";
        conversion.threshold = std::stoi(value);
        return "";
    }
    if (word.rfind("halftone=", 0) == 0) {
        if (!ParseHalftoneOption(word.substr(9), conversion.halftone))
            return "halftone= takes classic, colour, floyd-steinberg or atkinson, not \"" + word.substr(9) +
                   "\"";
        return "";
    }
    return "\"" + word + "\" is not threshold=N, halftone=MODE, centre or an adjustment";
}

} // namespace

std::vector<ManifestEntry> ParseManifest(const std::string& text, const std::string& name,
                                         const std::string& baseDir, const NvConversion& defaults,
                                         std::vector<std::string>& errors)
{
    std::vector<ManifestEntry> entries;
    std::set<std::string> keys;
    size_t start = 0;
    for (int number = 1; start < text.size(); ++number) {
        const size_t end = std::min(text.find('\n', start), text.size());
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const auto fail = [&](const std::string& why) {
            errors.push_back(Format("%s, line %d: ", name.c_str(), number) + why);
        };
        std::vector<std::string> words;
        if (!Words(line, words)) {
            fail("a quote is not closed");
            continue;
        }
        if (words.empty())
            continue;
        ManifestEntry entry{number, words[0], {}, defaults};
        if (!IsNvKey(entry.key) || entry.key.find(' ') != std::string::npos) {
            fail("\"" + entry.key + "\" is not a key (two characters from ! to ~)");
            continue;
        }
        if (words.size() < 2 || words[1].empty()) {
            fail("the image of " + entry.key + " is missing");
            continue;
        }
        if (!keys.insert(entry.key).second) {
            fail(entry.key + " is listed twice");
            continue;
        }
        const std::filesystem::path image(words[1]);
        entry.path =
            image.is_absolute() || baseDir.empty() ? words[1] : platform::JoinPath(baseDir, words[1]);
        std::string why, adjustWords;
        for (size_t i = 2; i < words.size() && why.empty(); ++i)
            why = Option(words[i], entry.conversion, adjustWords);
        // Every word read on its own already; only the two kinds of scale can clash.
        if (why.empty() && adjustWords.find("fit ") != std::string::npos &&
            adjustWords.find("scale=") != std::string::npos)
            why = "fit and scale= do not go together";
        else if (why.empty() && !adjustWords.empty())
            entry.conversion.adjust = Adjustments::Parse(adjustWords).value_or(Adjustments{});
        if (!why.empty()) {
            fail(why);
            continue;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<ManifestEntry> ReadManifest(const std::string& path, const NvConversion& defaults,
                                        std::vector<std::string>& errors)
{
    const int fd = platform::OpenRegularFile(path);
    if (fd < 0) {
        errors.push_back(errno == EINVAL ? platform::NotRegularMessage(path)
                                         : path + ": " + std::strerror(errno));
        return {};
    }
    std::string text;
    char buffer[65536];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) != 0) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || text.size() + static_cast<size_t>(n) > kMaxManifestBytes) {
            errors.push_back(path +
                             (n < 0 ? ": " + std::string(std::strerror(errno)) : ": larger than 1 MiB"));
            ::close(fd);
            return {};
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return ParseManifest(text, path, std::filesystem::path(path).parent_path().string(), defaults, errors);
}

} // namespace keyed
