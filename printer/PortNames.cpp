#include "printer/PortNames.h"

#include <cctype>
#include <sys/stat.h>

#include "platform/Context.h"
#include "printer/NetAddress.h"

namespace printer {
namespace {

// "<prefix><n>" with prefix in any letter case and n a plain decimal number.
int NumberAfter(const std::string& name, const char* prefix)
{
    size_t i = 0;
    for (; prefix[i] != '\0'; ++i)
        if (i >= name.size() || std::toupper(static_cast<unsigned char>(name[i])) != prefix[i])
            return 0;
    if (i == name.size() || name[i] == '0' || name.size() - i > 3)
        return 0;
    int number = 0;
    for (; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return 0;
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

int ComNumber(const std::string& name)
{
    const int number = NumberAfter(name, "COM");
    return number <= kComNameCount ? number : 0;
}

int LptNumber(const std::string& name)
{
    const int number = NumberAfter(name, "LPT");
    return number <= kLptNameCount ? number : 0;
}

bool IsDevicePath(const std::string& name)
{
    return name.find('/') != std::string::npos && !HasNetPrefix(name);
}

std::string ParallelPortName(const std::string& device)
{
    return LptNumber(device) != 0 ? device : LptName(1);
}

std::string ComName(int number)
{
    return "COM" + std::to_string(number);
}
std::string LptName(int number)
{
    return "LPT" + std::to_string(number);
}

std::vector<std::string> DeviceCandidates(const platform::Context& context, const std::string& name)
{
    if (IsDevicePath(name))
        return {name};
    if (const int com = ComNumber(name)) {
        for (const ComDeviceRange& range : kComDevices)
            if (com >= range.first && com < range.first + range.count)
                return {context.DevicePath(range.prefix) + std::to_string(com - range.first)};
        return {};
    }
    std::vector<std::string> candidates;
    if (const int lpt = LptNumber(name))
        for (const char* prefix : kLptDevices)
            candidates.push_back(context.DevicePath(prefix) + std::to_string(lpt - 1));
    return candidates;
}

std::string ResolveDevice(const platform::Context& context, const std::string& name)
{
    const std::vector<std::string> candidates = DeviceCandidates(context, name);
    for (const std::string& candidate : candidates)
        if (Exists(candidate))
            return candidate;
    return candidates.empty() ? std::string() : candidates.front();
}

std::string PortDeviceTableText()
{
    auto line = [](std::string names, const std::string& devices) {
        names.resize(15, ' ');
        return names + devices + "\n";
    };
    std::string text;
    for (const ComDeviceRange& range : kComDevices)
        text += line(ComName(range.first) + "-" + ComName(range.first + range.count - 1),
                     std::string(range.prefix) + "0-" + std::to_string(range.count - 1));
    for (int lpt = 1; lpt <= kLptNameCount; ++lpt)
        text += line(LptName(lpt), std::string(kLptDevices[0]) + std::to_string(lpt - 1) + ", else " +
                                       kLptDevices[1] + std::to_string(lpt - 1));
    text += line(kFileDevice, "a file: temp.prn or the name typed when asked");
    return text;
}

} // namespace printer
