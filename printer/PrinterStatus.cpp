#include "printer/PrinterStatus.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <linux/lp.h>
#include <strings.h>
#include <sys/ioctl.h>

#include "platform/Context.h"

namespace printer {
namespace {

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool KeyIs(const std::string& key, const char* a, const char* b)
{
    return ::strcasecmp(key.c_str(), a) == 0 || ::strcasecmp(key.c_str(), b) == 0;
}

} // namespace

std::optional<int> ReadLpStatus(int fd)
{
    int status = 0;
    if (::ioctl(fd, LPGETSTATUS, &status) != 0)
        return std::nullopt;
    return status;
}

std::string DescribeLpStatus(int status)
{
    // The lines as the printer drives them: paper-out high, select high when on-line,
    // and the error line low when there is an error.
    if (status & LP_POUTPA)
        return "out of paper";
    if (!(status & LP_PSELECD))
        return "off-line";
    if (!(status & LP_PERRORP))
        return "error";
    return {};
}

DeviceId ParseDeviceId(const std::string& raw)
{
    std::string text = raw;
    // The binary form starts with its length in two bytes, big-endian.
    if (text.size() >= 2 &&
        (static_cast<unsigned char>(text[0]) < 0x20 || static_cast<unsigned char>(text[1]) < 0x20))
        text = text.substr(2);
    DeviceId id;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = std::min(text.find(';', at), text.size());
        const std::string field = text.substr(at, end - at);
        at = end + 1;
        const size_t colon = field.find(':');
        if (colon == std::string::npos)
            continue;
        const std::string key = Trim(field.substr(0, colon));
        const std::string value = Trim(field.substr(colon + 1));
        if (KeyIs(key, "MFG", "MANUFACTURER") && id.make.empty())
            id.make = value;
        else if (KeyIs(key, "MDL", "MODEL") && id.model.empty())
            id.model = value;
        else if (KeyIs(key, "SN", "SERIALNUMBER") && id.serial.empty())
            id.serial = value;
    }
    return id;
}

namespace {

std::string ReadUsbDeviceId(const platform::Context& context, const std::string& lpName)
{
    std::ifstream in(context.DevicePath("/sys/class/usbmisc/" + lpName + "/device/ieee1284_id"),
                     std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

std::string UsbPrinterDeviceId(const platform::Context& context, const std::string& path)
{
    const std::string prefix = context.DevicePath("/dev/usb/lp");
    if (path.compare(0, prefix.size(), prefix) != 0 || path.size() == prefix.size() ||
        path.find_first_not_of("0123456789", prefix.size()) != std::string::npos)
        return {};
    return ReadUsbDeviceId(context, path.substr(prefix.size() - 2));
}

std::string LptPrinterModel(const platform::Context& context, int lptNumber)
{
    if (lptNumber < 1)
        return {};
    const DeviceId id = ParseDeviceId(ReadUsbDeviceId(context, "lp" + std::to_string(lptNumber - 1)));
    if (id.make.empty() || id.model.rfind(id.make, 0) == 0)
        return id.model; // many models repeat the maker's name
    return Trim(id.make + " " + id.model);
}

} // namespace printer
